#include "core/trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "core/clock.h"
#include "core/product_identity.h"
#include "core/trace_format.h"
#include "core/trace_state.h"

namespace orx {

namespace {

constexpr size_t kLineBufferSize = 10240;
constexpr size_t kFormatCut = 126;
constexpr long long kSizeCheckInterval = 3600;

using trace_detail::State;
using trace_detail::TraceState;

// Appends to the file with one open-write-close, so other processes can read and
// delete the file at any time.
void AppendToFile(const std::string& path, std::string_view bytes, bool append) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0)
        return;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

void CheckSize(TraceState& state) {
    const long long now = EpochSeconds();
    if (now <= state.nextSizeCheck)
        return;
    struct stat info {};
    if (::stat(state.path.c_str(), &info) == 0 && info.st_size > kTraceMaxFileSize) {
        const int fd = ::open(state.path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    }
    state.nextSizeCheck = now + kSizeCheckInterval;
}

std::string ElapsedStamp(TraceState& state) {
    const long long now = MillisOfDay();
    if (state.origin < 0)
        state.origin = now;
    const long long t = now >= state.origin ? now - state.origin : now + kDayMillis - state.origin;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, " %.2d.%.2d.%.2d.%.3d ",
                  static_cast<int>((t / 3600000) % 100), static_cast<int>((t / 60000) % 60),
                  static_cast<int>((t / 1000) % 60), static_cast<int>(t % 1000));
    return stamp;
}

void WriteLine(TraceState& state, const char* format, va_list args) {
    CheckSize(state);
    const std::string stamp = ElapsedStamp(state);
    std::string_view cut(format ? format : "");
    cut = cut.substr(0, kFormatCut);
    std::string message(cut);
    message.push_back('\n');

    std::string& line = state.line;
    line.clear();
    line.reserve(kLineBufferSize);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "[%.4d:%.4ld]", static_cast<int>(::getpid()),
                  CurrentThreadId());
    line.append(prefix).append(stamp);
    if (CountFormatArguments(message) > kTraceMaxArguments) {
        line.append("INTERNAL PROBLEM, TOO MANY ARGUMENTS\n");
    } else {
        AppendFormatted(line, kLineBufferSize - 1, message, args);
    }
    AppendToFile(state.path, line, true);
}

void TraceLocked(TraceState& state, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLine(state, format, args);
    va_end(args);
}

}  // namespace

void TraceSetFile(const char* path) {
    const int savedErrno = errno;
    TraceState& state = State();
    LockGuard guard(state.lock);
    if (path == nullptr || *path == '\0') {
        state.path.clear();
        std::string().swap(state.line);
    } else if (std::string_view(path).size() < kTracePathCapacity) {
        state.path = path;
    }
    if (!state.path.empty()) {
        const time_t now = static_cast<time_t>(EpochSeconds());
        tm local{};
        localtime_r(&now, &local);
        char date[64];
        std::snprintf(date, sizeof date, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        TraceLocked(state, "Trace - Date %s, '%s'", date, state.path.c_str());
    }
    errno = savedErrno;
}

std::string TraceGetFile() {
    TraceState& state = State();
    LockGuard guard(state.lock);
    return state.path;
}

bool TraceIsOn() {
    return !TraceGetFile().empty();
}

void Trace(const char* format, ...) {
    TraceState& state = State();
    LockGuard guard(state.lock);
    if (state.path.empty())
        return;
    const int savedErrno = errno;
    va_list args;
    va_start(args, format);
    WriteLine(state, format, args);
    va_end(args);
    errno = savedErrno;
}

void TraceDump(std::string_view name, std::span<const uint8_t> bytes, bool append) {
    TraceState& state = State();
    LockGuard guard(state.lock);
    if (state.path.empty())
        return;
    const int savedErrno = errno;
    size_t cut = state.path.rfind('\\');
    if (cut == std::string::npos)
        cut = state.path.rfind('/');
    if (cut != std::string::npos) {
        std::string target = state.path.substr(0, cut + 1);
        target.append(GetTempFilePrefix()).append(name);
        AppendToFile(target,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                     append);
    }
    errno = savedErrno;
}

namespace trace_detail {

TraceState& State() {
    static TraceState* state = new TraceState;  // outlives every static destructor
    return *state;
}

}  // namespace trace_detail

}  // namespace orx
