// Directories that misbehave, for the tests of what a search does when the other
// side is broken or hostile: a thread of the test listens on 127.0.0.1, reads each
// search request and answers it as its script says, in raw BER. And a proxy in
// front of a real server that holds back every message of the server's answers.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace orx::testing {

// One thread of the test that takes the connections to a port of 127.0.0.1 one
// after the other and hands each to `serve`, which closes nothing itself.
class LoopbackService {
  public:
    explicit LoopbackService(std::function<void(int connection)> serve);
    ~LoopbackService();  // stops the thread and closes the port
    LoopbackService(const LoopbackService&) = delete;
    LoopbackService& operator=(const LoopbackService&) = delete;

    int port() const { return port_; }
    bool stopping() const { return stop_.load(); }
    // Readable once the service stops: for polls that wait on a connection.
    int wakeFd() const { return wake_[0]; }

  private:
    void Run();

    std::function<void(int)> serve_;
    int listener_ = -1;
    int port_ = 0;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

enum class HostileKind {
    Silent,   // reads the request and never answers
    Hangup,   // closes the connection after the request
    Garbage,  // a whole element that is no LDAP message
    // An LDAP message whose id is too long for any. (One cut after its id would do
    // as well, but libldap 2.5 then keeps the search's request for good, which the
    // leak checks of the sanitizer build report.)
    LongMessageId,
    WrongAnswer,  // a bind response to the search
    HugeLength,   // a message header that claims 2 GiB, then silence
    HugeMessage,  // a message header that claims `bytes`, then that many bytes
    HugeValue,    // a well-formed entry whose certificate value has `bytes` bytes
    Trickle,      // one good entry every `interval`, never done
};

struct HostileScript {
    HostileKind kind = HostileKind::Silent;
    size_t bytes = 0;
    std::chrono::milliseconds interval{0};
    std::vector<uint8_t> certificate;  // the value of each trickled entry
};

class HostileLdapServer {
  public:
    explicit HostileLdapServer(HostileScript script) : script_(std::move(script)) {}

    int port() const { return service_.port(); }
    std::string url() const { return "ldap://127.0.0.1:" + std::to_string(port()); }
    int searches() const { return searches_.load(); }
    size_t bytesSent() const { return sent_.load(); }
    int entriesSent() const { return entries_.load(); }

  private:
    void Serve(int connection);
    void Answer(int connection, int messageId);
    // False once the client is gone or the server stops.
    bool Send(int connection, const std::string& bytes);
    bool StreamZeros(int connection, size_t count);
    // Waits until the client closes the connection (or the server stops), at most
    // `limit`; true when the client is still there.
    bool ClientStays(int connection, std::chrono::milliseconds limit);

    HostileScript script_;
    std::atomic<int> searches_{0};
    std::atomic<int> entries_{0};
    std::atomic<size_t> sent_{0};
    // Last: it serves once everything above is there, and stops before it goes.
    LoopbackService service_{[this](int connection) { Serve(connection); }};
};

// Forwards connections to a real server and holds back each message of the
// server's answers for `delay` before passing it on: a slow directory that still
// answers correctly.
class SlowLdapProxy {
  public:
    SlowLdapProxy(int serverPort, std::chrono::milliseconds delay)
        : serverPort_(serverPort), delay_(delay) {}

    int port() const { return service_.port(); }
    std::string url() const { return "ldap://127.0.0.1:" + std::to_string(port()); }
    int messagesForwarded() const { return forwarded_.load(); }

  private:
    void Relay(int client);

    int serverPort_;
    std::chrono::milliseconds delay_;
    std::atomic<int> forwarded_{0};
    LoopbackService service_{[this](int client) { Relay(client); }};
};

// One BER element: tag, definite length, content.
std::string BerElement(uint8_t tag, const std::string& content);
// Only the header of an element whose content has `length` bytes.
std::string BerHeader(uint8_t tag, size_t length);
// A SearchResultEntry message with one userCertificate;binary value.
std::string BerSearchEntry(int messageId, const std::string& dn, const std::string& cn,
                           const std::vector<uint8_t>& certificate);

// The peak resident memory of a command run as a child process, in KiB, with its
// exit status; the command runs through /bin/sh.
struct PeakMemoryRun {
    int status = -1;
    long peakKiB = 0;
    std::string output;  // standard output and error
};
PeakMemoryRun RunMeasured(const std::string& command);

}  // namespace orx::testing
