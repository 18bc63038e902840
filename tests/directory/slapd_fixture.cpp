#include "directory/slapd_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace orx::testing {

namespace {

constexpr const char* kRootDn = "cn=admin,dc=example,dc=org";
constexpr const char* kRootPassword = "fixture-secret";

std::string Quote(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// A port that nothing listens on right now; slapd may still lose it to another
// program before it binds, which Start() answers with another try.
int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

std::string SlapdProgram() {
    return access("/usr/sbin/slapd", X_OK) == 0 ? "/usr/sbin/slapd" : "slapd";
}

std::string ModuleFolder() {
    for (const char* folder : {"/usr/lib/ldap", "/usr/lib/x86_64-linux-gnu/ldap",
                               "/usr/lib64/openldap", "/usr/lib/openldap"}) {
        if (access((std::string(folder) + "/back_mdb.la").c_str(), R_OK) == 0 ||
            access((std::string(folder) + "/back_mdb.so").c_str(), R_OK) == 0)
            return folder;
    }
    return "/usr/lib/ldap";
}

std::string SchemaFolder() {
    return access("/etc/ldap/schema/core.schema", R_OK) == 0 ? "/etc/ldap/schema"
                                                             : "/etc/openldap/schema";
}

std::string SlapdConfiguration(const std::string& folder) {
    const std::string schema = SchemaFolder();
    return "include " + schema + "/core.schema\n" + "include " + schema + "/cosine.schema\n" +
           "include " + schema + "/inetorgperson.schema\n" + "pidfile " + folder + "/slapd.pid\n" +
           "modulepath " + ModuleFolder() + "\n" + "moduleload back_mdb\n" +
           "sizelimit unlimited\n" + "access to * by * read\n" + "database mdb\n" +
           "maxsize 268435456\n" + "suffix \"" + kSlapdBase + "\"\n" + "rootdn \"" + kRootDn +
           "\"\n" + "rootpw " + kRootPassword + "\n" + "directory " + folder + "/db\n";
}

std::unique_ptr<SlapdServer>& SharedInstance() {
    static std::unique_ptr<SlapdServer> server;
    return server;
}

// Stops the shared server when the test program's tests end, also after failures.
class SlapdEnvironment : public ::testing::Environment {
  public:
    void TearDown() override { SharedInstance().reset(); }
};

[[maybe_unused]] const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new SlapdEnvironment);

}  // namespace

SlapdServer::~SlapdServer() {
    Stop();
}

bool SlapdServer::Start() {
    if (running())
        return true;
    if (dir_.path().empty()) {
        error_ = "no temporary folder";
        return false;
    }
    mkdir((dir_ / "db").c_str(), 0700);
    WriteFile(dir_ / "slapd.conf", SlapdConfiguration(dir_.path()));
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (StartOnPort(FreePort()))
            return Add(std::string("dn: ") + kSlapdBase +
                       "\nobjectClass: dcObject\nobjectClass: organization\no: Example\n"
                       "dc: example\n");
    }
    return false;
}

bool SlapdServer::StartOnPort(int port) {
    if (port == 0) {
        error_ = "no free port";
        return false;
    }
    const std::string program = SlapdProgram();
    const std::string listen = "ldap://127.0.0.1:" + std::to_string(port) + "/";
    const std::string conf = dir_ / "slapd.conf";
    const std::string log = dir_ / "slapd.log";
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        error_ = "fork failed";
        return false;
    }
    if (pid == 0) {
        // Dies with the test program, so a crashed test leaves no server behind.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            close(fd);
        }
        execl(program.c_str(), program.c_str(), "-d", "0", "-h", listen.c_str(), "-f", conf.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    pid_ = pid;
    port_ = port;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = "slapd ended at start: " + ReadFile(log);
            return false;
        }
        if (Answers())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error_ = "slapd did not answer: " + ReadFile(log);
    Stop();
    return false;
}

bool SlapdServer::Answers() const {
    return RunCommand("ldapsearch -x -LLL -H " + url() +
                      " -b '' -s base '(objectClass=*)' namingContexts >/dev/null 2>&1") == 0;
}

void SlapdServer::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

bool SlapdServer::Add(std::string_view ldif) {
    const std::string file = dir_ / "add.ldif";
    WriteFile(file, ldif);
    std::string output;
    const int status = RunCommand("ldapadd -x -H " + url() + " -D " + Quote(kRootDn) + " -w " +
                                      kRootPassword + " -f " + Quote(file) + " 2>&1",
                                  &output);
    if (status != 0)
        error_ = "ldapadd failed: " + output;
    return status == 0;
}

std::vector<uint8_t> MakeCertificate(std::string_view subject, bool rsa) {
    TempDir dir;
    const std::string key =
        rsa ? "-newkey rsa:2048" : "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1";
    const std::string command = "openssl req -x509 -utf8 " + key + " -nodes -keyout " +
                                Quote(dir / "key.pem") + " -subj " + Quote(subject) +
                                " -days 30 -outform DER -out " + Quote(dir / "cert.der") +
                                " >/dev/null 2>&1";
    if (RunCommand(command) != 0)
        return {};
    return ReadBytes(dir / "cert.der");
}

std::string SlapdServer::PersonLdif(const DirectoryPerson& person, std::string_view extraLines) {
    // Certificates travel as files: LDIF takes binary values by URL.
    const TempDir& folder = dir_;
    const std::string rdn = person.rdn.empty() ? "cn=" + person.cn : person.rdn;
    std::string ldif = "dn: " + rdn + "," + kSlapdBase + "\ncn: " + person.cn + "\n";
    if (!person.mail.empty())
        ldif += "mail: " + person.mail + "\n";
    ldif += "objectClass: inetOrgPerson\n";
    const size_t blank = person.cn.rfind(' ');
    ldif += "sn: " + (blank == std::string::npos ? person.cn : person.cn.substr(blank + 1)) + "\n";
    ldif += extraLines;
    for (const auto& certificate : person.certificates) {
        const std::string file = folder / ("cert" + std::to_string(++files_) + ".der");
        WriteFile(file, std::string_view(reinterpret_cast<const char*>(certificate.data()),
                                         certificate.size()));
        ldif += "userCertificate;binary:< file://" + file + "\n";
    }
    return ldif;
}

const std::vector<DirectoryPerson>& StandardPeople() {
    static const std::vector<DirectoryPerson> people = [] {
        std::vector<DirectoryPerson> list;
        list.push_back({"Jane Doe",
                        "jane@example.org",
                        {MakeCertificate("/CN=Jane Doe/O=Example/emailAddress=jane@example.org")}});
        list.push_back({"John Twocerts",
                        "john@example.org",
                        {MakeCertificate("/CN=John Twocerts/O=Example/OU=Signing"),
                         MakeCertificate("/CN=John Twocerts/O=Example/OU=Encryption")}});
        list.push_back({"Ann Nomail", "", {MakeCertificate("/CN=Ann Nomail")}});
        list.push_back({"J\xC3\xB6rg M\xC3\xBCller",
                        "joerg@example.org",
                        {MakeCertificate("/CN=J\xC3\xB6rg M\xC3\xBCller/O=B\xC3\xA4"
                                         "ckerei")}});
        list.push_back({"Carl Nocert", "carl@example.org", {}});
        return list;
    }();
    return people;
}

SlapdServer& SharedSlapd() {
    std::unique_ptr<SlapdServer>& server = SharedInstance();
    if (!server) {
        server = std::make_unique<SlapdServer>();
        if (server->Start()) {
            std::string ldif;
            for (const DirectoryPerson& person : StandardPeople())
                ldif += server->PersonLdif(person) + "\n";
            // A server without its entries would only make every test fail for
            // another reason; stopped, it reports why.
            if (!server->Add(ldif))
                server->Stop();
        }
    }
    return *server;
}

}  // namespace orx::testing
