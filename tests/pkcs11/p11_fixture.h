// The real orx-pkcs11.so, loaded with dlopen and driven through its function list,
// over tokens written by the program's own token code in an isolated environment
// (cheap key derivation). Keys and certificates are made once per test program.
#pragma once

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/test_environment.h"

namespace orx::testing {

// A key with its self-signed end-entity certificate (DER) and its PKCS#8 encoding.
struct TestKeyPair {
    std::string name;
    EVP_PKEY* key = nullptr;
    std::vector<uint8_t> certificate;
    std::vector<uint8_t> pkcs8;
    std::string keyPath;  // PEM files in the program's shared folder
    std::string certPath;
};
const TestKeyPair& RsaPair();
const TestKeyPair& EcPair();
const TestKeyPair& SecondRsaPair();

// What a test token holds besides its key pairs.
struct TestData {
    std::string label;
    std::string application;
    std::string value;
    bool isPrivate = false;
};

// The module's function list, loaded once per test program.
CK_FUNCTION_LIST* Module();
std::string ModulePath();

class P11Test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    void Initialize();
    void Finalize();

    // A soft token written as the program writes one; its slot id.
    int MakeSoftToken(const std::string& label, const std::string& password,
                      const std::vector<const TestKeyPair*>& pairs = {},
                      const std::vector<TestData>& data = {});
    // A virtual card in a new reader, each pair on its first application; the slot id
    // of that application.
    int MakeCard(const std::string& reader, const std::string& label, const std::string& puk,
                 const std::string& password, const std::vector<const TestKeyPair*>& pairs = {});
    std::string TokenFolder() const;

    CK_SESSION_HANDLE Open(CK_SLOT_ID slot, bool writable = false);
    CK_RV Login(CK_SESSION_HANDLE session, const std::string& pin);
    std::vector<CK_OBJECT_HANDLE> Find(CK_SESSION_HANDLE session,
                                       std::vector<CK_ATTRIBUTE> wanted = {});
    std::vector<CK_OBJECT_HANDLE> FindClass(CK_SESSION_HANDLE session, CK_OBJECT_CLASS objectClass);
    std::vector<uint8_t> Attribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                                   CK_ATTRIBUTE_TYPE type);
    CK_ULONG UlongAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                            CK_ATTRIBUTE_TYPE type);
    bool BoolAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type);
    std::vector<CK_SLOT_ID> Slots(bool present = true);

    CK_FUNCTION_LIST* p11() const { return Module(); }

    std::unique_ptr<IsolatedEnvironment> env_;
    std::vector<std::unique_ptr<ScopedEnv>> vars_;
    bool initialized_ = false;
};

// An attribute entry for a template over a value that lives as long as the template.
template <typename T>
CK_ATTRIBUTE Entry(CK_ATTRIBUTE_TYPE type, const T& value) {
    return CK_ATTRIBUTE{type, const_cast<T*>(&value), sizeof value};
}
inline CK_ATTRIBUTE BytesEntry(CK_ATTRIBUTE_TYPE type, const std::vector<uint8_t>& value) {
    return CK_ATTRIBUTE{type, const_cast<uint8_t*>(value.data()), value.size()};
}
inline CK_ATTRIBUTE TextEntry(CK_ATTRIBUTE_TYPE type, const std::string& value) {
    return CK_ATTRIBUTE{type, const_cast<char*>(value.data()), value.size()};
}

// The blank-padded text of a fixed field, without its padding.
std::string Unpadded(const unsigned char* field, size_t size);

// OpenSSL's verdict on a signature made through the module.
bool VerifyWithOpenSsl(EVP_PKEY* key, const char* digest, int padding,
                       const std::vector<uint8_t>& data, const std::vector<uint8_t>& signature,
                       int saltLength = -1);

// The folder the test program keeps its key files in.
std::string SharedFolder();

}  // namespace orx::testing
