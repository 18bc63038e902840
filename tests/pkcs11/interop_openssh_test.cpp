// OpenSSH with the module: ssh-keygen -D prints the token's RSA and EC public keys,
// and ssh -I logs in with each of them to a private sshd on 127.0.0.1 that the test
// starts and stops. sshd wants its privilege separation folder under /run: it gets
// one in a mount namespace of its own (a fresh /run there), so the test writes
// nothing outside its folder.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "pkcs11/interop_fixture.h"

namespace orx::testing {
namespace {

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

class OpenSsh : public P11Interop {
  protected:
    // The public key lines of the token, as ssh-keygen -D prints them.
    std::vector<std::string> TokenKeys() {
        std::string output;
        EXPECT_EQ(0, Run("ssh-keygen -D " + QuotedModule() + " 2>/dev/null", &output));
        std::vector<std::string> lines;
        size_t start = 0;
        while (start < output.size()) {
            const size_t end = output.find('\n', start);
            const std::string line = output.substr(start, end - start);
            if (line.rfind("ssh-", 0) == 0 || line.rfind("ecdsa-", 0) == 0)
                lines.push_back(line.substr(0, line.find(' ', line.find(' ') + 1)));
            start = end == std::string::npos ? output.size() : end + 1;
        }
        return lines;
    }
    // What OpenSSH makes of a key file: "type base64".
    std::string KeyFileLine(const TestKeyPair& pair) {
        chmod(pair.keyPath.c_str(), 0600);
        std::string output;
        EXPECT_EQ(0, Run("ssh-keygen -y -f '" + pair.keyPath + "'", &output));
        output.erase(output.find_last_not_of("\n ") + 1);
        return output.substr(0, output.find(' ', output.find(' ') + 1));
    }

    // sshd on a free port of 127.0.0.1 as the unprivileged user, letting in that
    // user with `authorized`; false when it did not come up.
    bool StartServer(const std::string& authorized) {
        const std::string folder = Path("sshd");
        mkdir(folder.c_str(), 0700);
        std::remove((folder + "/host_key").c_str());
        std::remove((folder + "/host_key.pub").c_str());
        if (Run("ssh-keygen -q -t ed25519 -N '' -f " + folder + "/host_key") != 0)
            return false;
        WriteFile(folder + "/authorized_keys", authorized + "\n");
        port_ = FreePort();
        WriteFile(folder + "/sshd_config",
                  "ListenAddress 127.0.0.1\nPort " + std::to_string(port_) + "\nHostKey " + folder +
                      "/host_key\nAuthorizedKeysFile " + folder +
                      "/authorized_keys\nPidFile none\nUsePAM yes\nStrictModes no\n"
                      "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                      "PubkeyAuthentication yes\nPermitRootLogin prohibit-password\n");
        const std::string start =
            "mount -t tmpfs none /run && mkdir -m 0755 /run/sshd && exec "
            "/usr/sbin/sshd -D -e -f " +
            folder + "/sshd_config 2>" + folder + "/log";
        server_ = fork();
        if (server_ == 0) {
            unsetenv("LD_PRELOAD");  // the server never loads the module
            execlp("unshare", "unshare", "--mount", "--propagation", "private", "sh", "-c",
                   start.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 250; ++i) {
            if (Accepts(port_))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void StopServer() {
        if (server_ > 0) {
            kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
        server_ = -1;
    }
    void TearDown() override {
        StopServer();
        P11Interop::TearDown();
    }
    // ssh -I with the module; the PIN comes from an askpass program, as from a desktop.
    int Connect(std::string* output) {
        const std::string askpass = Path("askpass");
        WriteFile(askpass, std::string("#!/bin/sh\necho ") + kPin + "\n");
        chmod(askpass.c_str(), 0755);
        return Run("SSH_ASKPASS=" + askpass + " SSH_ASKPASS_REQUIRE=force DISPLAY=none ssh -v -I " +
                       QuotedModule() + " -p " + std::to_string(port_) +
                       " -F /dev/null -o IdentityAgent=none -o IdentityFile=" + Path("no-key") +
                       " -o StrictHostKeyChecking=no"
                       " -o UserKnownHostsFile=/dev/null -o PreferredAuthentications=publickey"
                       " -o ConnectTimeout=10 " +
                       "root@127.0.0.1 true < /dev/null",
                   output);
    }

    int port_ = 0;
    pid_t server_ = -1;
};

TEST_F(OpenSsh, KeygenPrintsTheTokensPublicKeys) {
    const std::vector<std::string> keys = TokenKeys();
    EXPECT_NE(keys.end(), std::find(keys.begin(), keys.end(), KeyFileLine(RsaPair())));
    EXPECT_NE(keys.end(), std::find(keys.begin(), keys.end(), KeyFileLine(EcPair())));
}

TEST_F(OpenSsh, SshLogsInWithEachKeyOfTheToken) {
    for (const TestKeyPair* pair : {&RsaPair(), &EcPair()}) {
        SCOPED_TRACE(pair->name);
        // The server knows only this key: getting in proves the token signed with it.
        ASSERT_TRUE(StartServer(KeyFileLine(*pair)));
        std::string output;
        Connect(&output);
        EXPECT_NE(std::string::npos, output.find("Authenticated to 127.0.0.1")) << output;
        StopServer();
    }
}

TEST_F(OpenSsh, AServerThatKnowsNoKeyOfTheTokenLetsNobodyIn) {
    ASSERT_TRUE(StartServer(KeyFileLine(SecondRsaPair())));
    std::string output;
    EXPECT_NE(0, Connect(&output));
    EXPECT_EQ(std::string::npos, output.find("Authenticated to 127.0.0.1")) << output;
}

}  // namespace
}  // namespace orx::testing
