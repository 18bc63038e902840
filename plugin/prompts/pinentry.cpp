#include "prompts/pinentry.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/hex_text.h"
#include "core/number_text.h"
#include "core/trace.h"
#include "prompts/departures.h"

extern char** environ;

namespace orx {

namespace {

// Assuan's error for a cancelled dialog carries this code in its low 16 bits.
constexpr unsigned kGpgErrCanceled = 99;
constexpr unsigned kGpgErrFullyCanceled = 198;
constexpr size_t kMaxLine = 4096;

bool HasTerminal() {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

std::string ChoosePinentry(std::string_view configured) {
    if (const char* forced = std::getenv(kPinentryVariable); forced && *forced)
        return forced;
    if (!configured.empty())
        return std::string(configured);
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"))
        return "pinentry-qt";
    if (HasTerminal())
        return "pinentry-curses";
    return {};
}

std::string AssuanEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '%' || c == '\r' || c == '\n') {
            out += '%';
            AppendHex(out, static_cast<uint8_t>(c), HexCase::kUpper);
        } else {
            out += c;
        }
    }
    return out;
}

void AssuanUnescape(std::string_view text, Secret& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexDigitValue(text[i + 1]), low = HexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.Append(static_cast<uint8_t>(high << 4 | low));
                i += 2;
                continue;
            }
        }
        out.Append(static_cast<uint8_t>(text[i]));
    }
}

Pinentry::Pinentry(std::string program, uint64_t parentWindow, Departures* departures)
    : program_(std::move(program)), parent_(parentWindow), departures_(departures) {}

Pinentry::~Pinentry() {
    Stop();
}

void Pinentry::Launch() {
    if (fd_ < 0)
        Spawn();
}

int Pinentry::Start() {
    if (fd_ < 0 && Spawn() != CKR_OK)
        return CKR_FUNCTION_FAILED;
    if (greeted_)
        return CKR_OK;
    if (ReadReply(nullptr) != CKR_OK) {
        Trace("Plg - %s did not greet", program_.c_str());
        Stop();
        return CKR_FUNCTION_FAILED;
    }
    greeted_ = true;
    return CKR_OK;
}

int Pinentry::Spawn() {
    if (program_.empty()) {
        Trace("Plg - No pinentry program: no display and no terminal");
        return CKR_FUNCTION_FAILED;
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return CKR_FUNCTION_FAILED;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args{program_};
    if (parent_ != 0) {
        args.push_back("--parent-wid");
        args.push_back(std::to_string(parent_));
    }
    // A terminal pinentry would otherwise look for its terminal on the Assuan socket.
    const std::string base = program_.substr(program_.rfind('/') + 1);
    if ((base.rfind("pinentry-curses", 0) == 0 || base.rfind("pinentry-tty", 0) == 0) &&
        HasTerminal()) {
        args.push_back("--ttyname");
        args.push_back("/dev/tty");
    }
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (error != 0) {
        ::close(pair[0]);
        Trace("Plg - Failed to start %s (errno %d)", program_.c_str(), error);
        return CKR_FUNCTION_FAILED;
    }
    fd_ = pair[0];
    pid_ = pid;
    greeted_ = false;
    buffer_.clear();
    return CKR_OK;
}

void Pinentry::Stop() {
    if (fd_ >= 0) {
        Send("BYE");
        ::shutdown(fd_, SHUT_WR);
    }
    if (pid_ > 0) {
        // Without departures of the caller's, the program is waited for here.
        Departures own;
        (departures_ ? *departures_ : own).Add(pid_, fd_);
        pid_ = -1;
        fd_ = -1;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    greeted_ = false;
    OPENSSL_cleanse(buffer_.data(), buffer_.size());
    buffer_.clear();
}

bool Pinentry::Send(std::string_view line) {
    std::string text(line);
    text += '\n';
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Pinentry::ReadLine(std::string& line) {
    for (;;) {
        const size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            line.assign(buffer_, 0, end);
            OPENSSL_cleanse(buffer_.data(), end + 1);
            buffer_.erase(0, end + 1);
            return true;
        }
        if (buffer_.size() > kMaxLine)
            return false;
        char chunk[512];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (buffer_.capacity() < kMaxLine + sizeof chunk)
            buffer_.reserve(kMaxLine + sizeof chunk);  // no reallocation leaves a copy behind
        buffer_.append(chunk, static_cast<size_t>(n));
        OPENSSL_cleanse(chunk, sizeof chunk);
    }
}

int Pinentry::ReadReply(Secret* data) {
    std::string line;
    line.reserve(2 * kMaxLine);  // a line never outgrows it, so no copy is left behind
    int result = CKR_FUNCTION_FAILED;
    while (ReadLine(line)) {
        if (line == "OK" || line.rfind("OK ", 0) == 0) {
            result = CKR_OK;
            break;
        }
        if (line.rfind("ERR", 0) == 0) {
            const unsigned long code = std::strtoul(line.c_str() + 3, nullptr, 10);
            const unsigned sub = static_cast<unsigned>(code & 0xFFFF);
            result = (sub == kGpgErrCanceled || sub == kGpgErrFullyCanceled) ? CKR_CANCEL
                                                                             : CKR_FUNCTION_FAILED;
            break;
        }
        if (line.rfind("D ", 0) == 0) {
            if (data)
                AssuanUnescape(std::string_view(line).substr(2), *data);
        } else if (line.rfind("INQUIRE", 0) == 0) {
            if (!Send("END"))
                break;
        }
        // "S" status and "#" comment lines carry nothing we need.
    }
    OPENSSL_cleanse(line.data(), line.size());
    return result;
}

int Pinentry::Command(std::string_view command, std::string_view argument) {
    std::string line(command);
    if (!argument.empty()) {
        line += ' ';
        line += AssuanEscape(argument);
    }
    if (!Send(line))
        return CKR_FUNCTION_FAILED;
    return ReadReply(nullptr);
}

int Pinentry::GetPin(const PinPrompt& prompt, Secret& pin) {
    pin.Wipe();
    int result = Start();
    if (result != CKR_OK)
        return result;
    // The settings and the question go out in one write and are answered in order:
    // one round trip instead of one a command. Older pinentry programs reject some
    // of the settings; only GETPIN itself must work.
    std::string batch;
    int settings = 0;
    auto add = [&](std::string_view command, std::string_view argument) {
        if (command == "SETERROR" && argument.empty())
            return;
        batch += command;
        if (!argument.empty()) {
            batch += ' ';
            batch += AssuanEscape(argument);
        }
        batch += '\n';
        ++settings;
    };
    add("SETTITLE", prompt.title);
    add("SETDESC", prompt.description);
    add("SETPROMPT", prompt.prompt);
    add("SETERROR", prompt.error);
    batch += "GETPIN";
    if (!Send(batch)) {
        Stop();
        return CKR_FUNCTION_FAILED;
    }
    for (int i = 0; i < settings; ++i)
        ReadReply(nullptr);
    result = ReadReply(&pin);
    if (result != CKR_OK) {
        pin.Wipe();
        if (result == CKR_FUNCTION_FAILED)
            Stop();
    }
    return result;
}

int Pinentry::Message(std::string_view title, std::string_view text) {
    int result = Start();
    if (result != CKR_OK)
        return result;
    Command("SETTITLE", title);
    Command("SETDESC", text);
    result = Command("MESSAGE", {});
    return result == CKR_FUNCTION_FAILED ? CKR_FUNCTION_FAILED : CKR_OK;
}

int Pinentry::ShowWhile(std::string_view title, std::string_view text,
                        const std::function<int()>& work) {
    // The settings are acknowledged before the message goes out, so that the message
    // is what the program shows when the work starts.
    bool shown = Start() == CKR_OK && Command("SETTITLE", title) == CKR_OK &&
                 Command("SETDESC", text) == CKR_OK && Send("MESSAGE");
    const int result = work();
    if (shown && pid_ > 0) {
        // The message waits for a button nobody needs to press any more.
        ::kill(pid_, SIGTERM);
    }
    Stop();
    return result;
}

}  // namespace orx
