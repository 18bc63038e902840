#include "directory/hostile_ldap_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orx::testing {

namespace {

constexpr uint8_t kTagSequence = 0x30;
constexpr uint8_t kTagInteger = 0x02;
constexpr uint8_t kTagOctetString = 0x04;
constexpr uint8_t kTagEnumerated = 0x0A;
constexpr uint8_t kTagSet = 0x31;
constexpr uint8_t kTagSearchEntry = 0x64;
constexpr uint8_t kTagBindResponse = 0x61;
constexpr uint8_t kTagUnbind = 0x42;
constexpr uint8_t kTagSearchRequest = 0x63;
constexpr const char* kCertificateAttribute = "userCertificate;binary";
constexpr auto kSlice = std::chrono::milliseconds(50);
constexpr auto kForever = std::chrono::hours(1);

int Listen(int& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// The next connection, or -1 when the wake pipe says stop.
int AcceptOrWake(int listener, int wake) {
    for (;;) {
        pollfd fds[2] = {{listener, POLLIN, 0}, {wake, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (fds[1].revents != 0)
            return -1;
        if (fds[0].revents != 0) {
            const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0)
                return connection;
        }
    }
}

std::string BerInteger(int value) {
    std::string content;
    // Message ids are small and positive.
    if (value > 0x7F)
        content += static_cast<char>(value >> 8);
    content += static_cast<char>(value & 0xFF);
    return BerElement(kTagInteger, content);
}

// Length of the element at the start of `bytes`, when its header is complete.
bool ElementSize(const std::string& bytes, size_t& total) {
    if (bytes.size() < 2)
        return false;
    const uint8_t first = static_cast<uint8_t>(bytes[1]);
    size_t length = first;
    size_t header = 2;
    if (first & 0x80) {
        const size_t octets = first & 0x7F;
        if (bytes.size() < 2 + octets)
            return false;
        length = 0;
        for (size_t i = 0; i < octets; ++i)
            length = (length << 8) | static_cast<uint8_t>(bytes[2 + i]);
        header += octets;
    }
    total = header + length;
    return true;
}

}  // namespace

std::string BerHeader(uint8_t tag, size_t length) {
    std::string header(1, static_cast<char>(tag));
    if (length < 0x80) {
        header += static_cast<char>(length);
        return header;
    }
    std::string octets;
    for (size_t rest = length; rest > 0; rest >>= 8)
        octets.insert(octets.begin(), static_cast<char>(rest & 0xFF));
    header += static_cast<char>(0x80 | octets.size());
    return header + octets;
}

std::string BerElement(uint8_t tag, const std::string& content) {
    return BerHeader(tag, content.size()) + content;
}

std::string BerSearchEntry(int messageId, const std::string& dn, const std::string& cn,
                           const std::vector<uint8_t>& certificate) {
    const std::string value(certificate.begin(), certificate.end());
    const std::string cnAttribute =
        BerElement(kTagSequence, BerElement(kTagOctetString, "cn") +
                                     BerElement(kTagSet, BerElement(kTagOctetString, cn)));
    const std::string certificateAttribute =
        BerElement(kTagSequence, BerElement(kTagOctetString, kCertificateAttribute) +
                                     BerElement(kTagSet, BerElement(kTagOctetString, value)));
    const std::string entry = BerElement(
        kTagSearchEntry, BerElement(kTagOctetString, dn) +
                             BerElement(kTagSequence, cnAttribute + certificateAttribute));
    return BerElement(kTagSequence, BerInteger(messageId) + entry);
}

LoopbackService::LoopbackService(std::function<void(int connection)> serve)
    : serve_(std::move(serve)) {
    listener_ = Listen(port_);
    if (listener_ >= 0 && pipe2(wake_, O_CLOEXEC) == 0)
        thread_ = std::thread([this] { Run(); });
}

LoopbackService::~LoopbackService() {
    stop_ = true;
    if (wake_[1] >= 0)
        (void)!write(wake_[1], "x", 1);
    if (thread_.joinable())
        thread_.join();
    for (int fd : {listener_, wake_[0], wake_[1]}) {
        if (fd >= 0)
            close(fd);
    }
}

void LoopbackService::Run() {
    for (;;) {
        const int connection = AcceptOrWake(listener_, wake_[0]);
        if (connection < 0)
            return;
        serve_(connection);
        close(connection);
    }
}

bool HostileLdapServer::Send(int connection, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        if (service_.stopping())
            return false;
        pollfd fd = {connection, POLLOUT, 0};
        if (poll(&fd, 1, static_cast<int>(kSlice.count())) <= 0)
            continue;
        const ssize_t n =
            send(connection, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
        sent_ += static_cast<size_t>(n);
    }
    return true;
}

bool HostileLdapServer::StreamZeros(int connection, size_t count) {
    const std::string block(64 * 1024, '\0');
    while (count > 0) {
        const size_t n = std::min(count, block.size());
        if (!Send(connection, block.substr(0, n)))
            return false;
        count -= n;
    }
    return true;
}

bool HostileLdapServer::ClientStays(int connection, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!service_.stopping() && std::chrono::steady_clock::now() < end) {
        pollfd fd = {connection, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(kSlice.count())) <= 0)
            continue;
        char discard[4096];
        const ssize_t n = recv(connection, discard, sizeof discard, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return false;
    }
    return !service_.stopping();
}

void HostileLdapServer::Serve(int connection) {
    std::string request;
    for (;;) {
        // One whole request: the client's first words are its search.
        size_t size = 0;
        while (!ElementSize(request, size) || request.size() < size) {
            if (service_.stopping())
                return;
            pollfd fd = {connection, POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(kSlice.count())) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            request.append(buffer, static_cast<size_t>(n));
        }
        // SEQUENCE { INTEGER id, operation }, with short lengths in every request
        // the client sends before its search is answered.
        const std::string message = request.substr(0, size);
        request.erase(0, size);
        const size_t idAt = message.find(static_cast<char>(kTagInteger));
        if (idAt == std::string::npos || idAt + 2 >= message.size())
            return;
        const size_t idLength = static_cast<uint8_t>(message[idAt + 1]);
        int id = 0;
        for (size_t i = 0; i < idLength && idAt + 2 + i < message.size(); ++i)
            id = (id << 8) | static_cast<uint8_t>(message[idAt + 2 + i]);
        const size_t operationAt = idAt + 2 + idLength;
        const uint8_t operation =
            operationAt < message.size() ? static_cast<uint8_t>(message[operationAt]) : 0;
        if (operation == kTagUnbind)
            return;
        if (operation != kTagSearchRequest)
            continue;
        ++searches_;
        Answer(connection, id);
        return;
    }
}

void HostileLdapServer::Answer(int connection, int id) {
    const std::string messageId = BerInteger(id);
    switch (script_.kind) {
        case HostileKind::Silent:
            break;
        case HostileKind::Hangup:
            return;
        case HostileKind::Garbage:
            if (!Send(connection, BerElement(kTagOctetString, "hello, directory")))
                return;
            break;
        case HostileKind::LongMessageId:
            if (!Send(connection,
                      BerElement(kTagSequence, BerElement(kTagInteger, "\x01\x02\x03\x04\x05"))))
                return;
            break;
        case HostileKind::WrongAnswer: {
            const std::string result = BerElement(kTagEnumerated, std::string(1, '\0')) +
                                       BerElement(kTagOctetString, "") +
                                       BerElement(kTagOctetString, "");
            if (!Send(connection,
                      BerElement(kTagSequence, messageId + BerElement(kTagBindResponse, result))))
                return;
            break;
        }
        case HostileKind::HugeLength:
            if (!Send(connection, BerHeader(kTagSequence, size_t{1} << 31)))
                return;
            break;
        case HostileKind::HugeMessage:
            if (!Send(connection, BerHeader(kTagSequence, script_.bytes)) ||
                !StreamZeros(connection, script_.bytes))
                return;
            break;
        case HostileKind::HugeValue: {
            // Built from the inside out by lengths alone; the value itself is streamed.
            const std::string valueHeader = BerHeader(kTagOctetString, script_.bytes);
            const size_t values = valueHeader.size() + script_.bytes;
            const std::string valuesHeader = BerHeader(kTagSet, values);
            const std::string type = BerElement(kTagOctetString, kCertificateAttribute);
            const size_t attribute = type.size() + valuesHeader.size() + values;
            const std::string attributeHeader = BerHeader(kTagSequence, attribute);
            const std::string attributesHeader =
                BerHeader(kTagSequence, attributeHeader.size() + attribute);
            const std::string dn = BerElement(kTagOctetString, "cn=Huge,dc=example,dc=org");
            const size_t entry =
                dn.size() + attributesHeader.size() + attributeHeader.size() + attribute;
            const std::string entryHeader = BerHeader(kTagSearchEntry, entry);
            const std::string head =
                BerHeader(kTagSequence, messageId.size() + entryHeader.size() + entry) + messageId +
                entryHeader + dn + attributesHeader + attributeHeader + type + valuesHeader +
                valueHeader;
            if (!Send(connection, head) || !StreamZeros(connection, script_.bytes))
                return;
            break;
        }
        case HostileKind::Trickle:
            for (int n = 1;; ++n) {
                const std::string cn = "Trickle " + std::to_string(n);
                if (!Send(connection, BerSearchEntry(id, "cn=" + cn + ",dc=example,dc=org", cn,
                                                     script_.certificate)))
                    return;
                ++entries_;
                if (!ClientStays(connection, script_.interval))
                    return;
            }
    }
    ClientStays(connection, kForever);
}

void SlowLdapProxy::Relay(int client) {
    const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(serverPort_));
    if (server < 0 || connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (server >= 0)
            close(server);
        return;
    }
    std::string answers;
    while (!service_.stopping()) {
        pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {service_.wakeFd(), POLLIN, 0}};
        if (poll(fds, 3, static_cast<int>(kSlice.count())) <= 0)
            continue;
        if (fds[2].revents != 0)
            break;
        char buffer[65536];
        if (fds[0].revents != 0) {
            const ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0 || send(server, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) != n)
                break;
        }
        if (fds[1].revents != 0) {
            const ssize_t n = recv(server, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            answers.append(buffer, static_cast<size_t>(n));
            size_t size = 0;
            bool open = true;
            while (open && ElementSize(answers, size) && answers.size() >= size) {
                const auto end = std::chrono::steady_clock::now() + delay_;
                while (!service_.stopping() && std::chrono::steady_clock::now() < end)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                open = !service_.stopping() && send(client, answers.data(), size, MSG_NOSIGNAL) ==
                                                   static_cast<ssize_t>(size);
                answers.erase(0, size);
                ++forwarded_;
            }
            if (!open)
                break;
        }
    }
    close(server);
}

PeakMemoryRun RunMeasured(const std::string& command) {
    PeakMemoryRun run;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return run;
    const pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        // exec, so that the measured process is the command itself and not a shell
        // that waits for it.
        const std::string line = "exec " + command;
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.peakKiB = usage.ru_maxrss;
    }
    return run;
}

}  // namespace orx::testing
