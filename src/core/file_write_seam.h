// Failure injection for the writes of file_helpers.h, so that "nothing is lost
// when a write fails" can be shown without a full disk. The program never sets
// these; the tests of every writer do.
#pragma once

#include <atomic>

namespace orx {

// At or above 0: every WriteAllBytes fails with EIO after writing that many bytes.
std::atomic<long long>& FailWritesAfterOverride();
// True: no file can be made beside the one that is replaced, as in a folder the
// user may not write to (which root always may).
std::atomic<bool>& FailFilesBesideOverride();

}  // namespace orx
