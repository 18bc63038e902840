// The trace log's process-wide state: the trace functions work on it, and the
// tests put its clock origin and size check back as at process start without
// waiting a day or an hour.
#pragma once

#include <string>

#include "core/recursive_lock.h"

namespace orx::trace_detail {

struct TraceState {
    // The lock lives for the whole process: a lock freed while another thread is
    // about to take it would be a use after free, and an idle lock costs nothing.
    RecursiveLock lock;
    std::string path;
    std::string line;
    long long nextSizeCheck = 0;  // seconds since the epoch
    long long origin = -1;        // milliseconds of the day of the first line; -1: none yet
};

// The one state of the process, never destroyed (traces may come from static
// destructors).
TraceState& State();

}  // namespace orx::trace_detail
