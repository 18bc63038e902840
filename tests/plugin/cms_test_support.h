// Keys and certificates for the CMS tests, made once per test program with the
// openssl command line, which also serves as the independent check of what the
// module signs and encrypts.
#pragma once

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cms/cms_library.h"
#include "support/test_environment.h"

namespace orx::testing {

// A self-signed end-entity certificate (CA:FALSE) with its RSA key, as PEM files.
struct TestIdentity {
    std::string keyPath;
    std::string certPath;
};

inline TestIdentity MakeIdentity(const std::string& folder, const std::string& name) {
    TestIdentity id{folder + "/" + name + ".key", folder + "/" + name + ".pem"};
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=" + name +
        " -addext basicConstraints=critical,CA:FALSE -keyout " + id.keyPath + " -out " +
        id.certPath + " 2>/dev/null";
    EXPECT_EQ(0, RunCommand(command));
    return id;
}

// One folder with two identities for a whole test program; removed at its end.
struct CmsFiles {
    TempDir dir;
    TestIdentity alice = MakeIdentity(dir.path(), "Alice");
    TestIdentity bob = MakeIdentity(dir.path(), "Bob");
    std::string operator/(std::string_view name) const { return dir / name; }
};

// Fixtures share one CmsFiles per test suite: RSA keys are slow to make.
class CmsFilesSuite {
  public:
    static void MakeFiles() { files_ = new CmsFiles(); }
    static void RemoveFiles() {
        delete files_;
        files_ = nullptr;
    }
    static CmsFiles& Files() { return *files_; }

  private:
    static inline CmsFiles* files_ = nullptr;
};

inline X509Ptr LoadCert(const std::string& path) {
    BioPtr in(BIO_new_file(path.c_str(), "r"));
    return X509Ptr(in ? PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr) : nullptr);
}

inline PkeyPtr LoadKey(const std::string& path) {
    BioPtr in(BIO_new_file(path.c_str(), "r"));
    return PkeyPtr(in ? PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr) : nullptr);
}

inline std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

// Content with every byte value, line ends of both kinds and no line end at its end.
inline std::string SampleContent(size_t size) {
    std::string content;
    content.reserve(size);
    for (size_t i = 0; i < size; ++i)
        content += static_cast<char>((i * 7 + i / 251) & 0xFF);
    content.replace(0, 12, "line one\r\nx\n");
    return content;
}

}  // namespace orx::testing
