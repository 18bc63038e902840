#include "token_commands_fixture.h"

#include "admin/admin_list.h"

#include <sys/stat.h>

#include <QTest>
#include <algorithm>
#include <filesystem>

#include "admin_fixture.h"
#include "core/base64.h"
#include "core/product_identity.h"
#include "core/text_fields.h"
#include "support/process_state.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui/wait_cursor.h"

namespace orx::testing {

namespace {

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

}  // namespace

void CursorWatch::BeginWaitCursor() {
    seen_.push_back(IsWaitCursorShown());
}

void TokenCommandsTest::SetUp() {
    // A program folder of the test's own: the real module, and a client program
    // that notes its command line and keeps a copy of the file it was given.
    program_ = env_ / "program";
    std::filesystem::create_directories(program_);
    std::filesystem::create_directories(env_ / "seen");
    std::filesystem::create_symlink(ORX_BIN_DIR "/orx.so", program_ + "/orx.so");
    WriteFile(program_ + "/orx", "#!/bin/sh\necho \"$*\" >> " + Quote(env_ / "client.log") +
                                     "\n[ -f \"$2\" ] && cp \"$2\" " + Quote(env_ / "seen") +
                                     "/\nexit 0\n");
    ASSERT_EQ(::chmod((program_ + "/orx").c_str(), 0755), 0);
    SetProgramPath(program_ + "/orxxadm");
    identity_testing::Reset();
    InitProductIdentity();
    WriteFile(env_ / "pin-script", "");
}

void TokenCommandsTest::TearDown() {
    CloseWindow();
}

void TokenCommandsTest::OpenWindow() {
    LoadSettings(settings_);
    if (!app_.IsInitialized())
        app_.StartPlugin();
    app_.SetWindowHost(&cursor_);
    frame_ = std::make_unique<CAdminMain>(app_, settings_);
    ASSERT_TRUE(frame_->Create());
    frame_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
    frame_->List()->OnTimer(kFirstPollTimer);
}

void TokenCommandsTest::CloseWindow() {
    frame_.reset();
    app_.SetWindowHost(nullptr);
    if (app_.IsInitialized())
        app_.Finalize();
}

void TokenCommandsTest::Command(int commandId) {
    cursor_.Clear();
    frame_->OnCommand(commandId);
    const std::vector<bool>& seen = cursor_.Seen();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0)
        << "command " << commandId << ": plug-in operations without the wait cursor";
    EXPECT_FALSE(IsWaitCursorShown()) << "command " << commandId << " left the wait cursor";
}

ui_testing::ModalRun TokenCommandsTest::WithDialog(const std::function<void()>& command,
                                                   const std::function<void(QWidget*)>& act) {
    return ui_testing::RunModal(
        [&]() {
            command();
            return 0;
        },
        act, 15000);
}

void TokenCommandsTest::Pins(std::initializer_list<std::string> answers) {
    std::string script;
    for (const std::string& answer : answers)
        script += answer + "\n";
    WriteFile(env_ / "pin-script", script);
}

std::string TokenCommandsTest::PinsLeft() const {
    return ReadFile(env_ / "pin-script");
}

int32_t TokenCommandsTest::CreateToken(const std::string& label, const std::string& password) {
    if (!app_.IsInitialized())
        app_.StartPlugin();
    Pins({"pin " + password, "pin " + password});
    app_.SetProperty("TokenLabel", label.c_str());
    if (app_.Invoke("CreateToken") != 0)
        return -1;
    return app_.GetActiveSlot(true);
}

int TokenCommandsTest::WriteCertificate(int32_t slot, const std::vector<uint8_t>& der) {
    app_.SetActiveSlot(slot);
    app_.SetProperty("Certificate", Base64Encode(der).c_str());
    return app_.Invoke("WriteCertificate");
}

int TokenCommandsTest::WriteBox(int32_t slot, bool privateBox, const std::string& blob) {
    return WriteDataBox(app_, slot, privateBox, blob);
}

std::optional<std::vector<uint8_t>> TokenCommandsTest::StoredBox(int32_t slot, bool privateBox,
                                                                 const std::string& password) {
    TokenApplication reader;
    reader.StartPlugin();
    reader.SetActiveSlot(slot);
    if (privateBox) {
        Pins({"pin " + password});
        if (reader.Login() != 0)
            return std::nullopt;
    }
    reader.SetProperty("CKA_CLASS", "0x00000000");
    reader.SetProperty("CKA_TOKEN", "0x01");
    reader.SetProperty("CKA_LABEL", "");
    reader.SetProperty("CKA_PRIVATE", privateBox ? "0x01" : "0x00");
    reader.SetProperty("CKA_APPLICATION", "Orvex");
    const std::optional<std::string> object = reader.EnumPropertyString("Object", 0);
    reader.Finalize();
    if (!object || object->find(';') == std::string::npos)
        return std::nullopt;
    return Base64Decode(object->substr(object->find(';') + 1));
}

Texts TokenCommandsTest::StoredCertificates(int32_t slot) {
    Texts certificates;
    for (int index = 0;; ++index) {
        const std::optional<std::string> entry = app_.EnumPropertyString("CertificateEx", index);
        if (!entry)
            break;
        if (std::stoi(*entry) == slot)
            certificates.push_back(entry->substr(entry->rfind(';') + 1));
    }
    return certificates;
}

std::string TokenCommandsTest::TokenFilePath(int32_t slot) {
    app_.SetActiveSlot(slot);
    return GetField(app_.GetPropertyString("TokenInfo").value_or(""), ';', 5, 260);
}

MadeCertificate TokenCommandsTest::MakeCertificate(const std::string& name,
                                                   const std::string& keyKind) {
    std::string stem = name;
    std::replace(stem.begin(), stem.end(), ' ', '_');
    MadeCertificate made{
        env_ / (stem + ".der"), env_ / (stem + ".pem"), env_ / (stem + ".key"), {}};
    const std::string key =
        keyKind == "rsa" ? "-newkey rsa:2048" : "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1";
    const std::string command =
        "openssl req -x509 " + key + " -nodes -keyout " + Quote(made.key) + " -out " +
        Quote(made.pem) + " -days 30 -subj '/CN=" + name +
        "/O=Example AB' -addext basicConstraints=critical,CA:FALSE"
        " -addext keyUsage=digitalSignature,keyEncipherment 2>/dev/null && openssl x509 -in " +
        Quote(made.pem) + " -outform DER -out " + Quote(made.der);
    EXPECT_EQ(RunCommand(command), 0) << command;
    made.bytes = ReadBytes(made.der);
    return made;
}

std::string TokenCommandsTest::MakePkcs12(const MadeCertificate& certificate,
                                          const std::string& password) {
    const std::string path = certificate.der.substr(0, certificate.der.rfind('.')) + ".p12";
    EXPECT_EQ(
        RunCommand("openssl pkcs12 -export -inkey " + Quote(certificate.key) + " -in " +
                   Quote(certificate.pem) + " -out " + Quote(path) + " -passout pass:" + password),
        0);
    return path;
}

Texts TokenCommandsTest::Column(int column) const {
    return ContentColumn(View(), column);
}

Texts TokenCommandsTest::MessageTexts() const {
    Texts texts;
    const auto& all = messages_.Messages();
    for (size_t index = messageStart_; index < all.size(); ++index)
        texts.push_back(all[index].text);
    return texts;
}

std::string TokenCommandsTest::ClientLog() const {
    return PathExists(env_ / "client.log") ? ReadFile(env_ / "client.log") : std::string();
}

}  // namespace orx::testing
