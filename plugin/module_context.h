// One context of the module (PlgInitialize hands out one per caller): the soft
// token folder, the active slot, the logins with their keys, the inputs set for
// the next operation and the text last handed out. Nothing of it is static, so an
// unload that leaves the module mapped cannot carry a login over.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cards/card_slots.h"
#include "keys/token_crypto.h"
#include "tokenfile/slot_registry.h"
#include "tokenfile/token_objects.h"
#include "tokenfile/token_store.h"

namespace orx {

class CmsEngine;

// The module's own settings in the configuration store.
inline constexpr std::string_view kPinentrySection = "Pinentry";
inline constexpr std::string_view kPinentryKey = "Program";

// The soft tokens' folder: $XDG_DATA_HOME/<prefix>/tokens/.
std::string SoftTokenFolder();

class Pinentry;

class ModuleContext {
  public:
    ModuleContext();
    ~ModuleContext();  // ends every login
    ModuleContext(const ModuleContext&) = delete;
    ModuleContext& operator=(const ModuleContext&) = delete;

    void SetParentWindow(uint64_t window) { parent_ = window; }
    void SetProperty(std::string_view name, const char* value);
    // The answers stay valid until the next call on this context.
    const char* GetProperty(std::string_view name);
    const char* EnumProperty(std::string_view name, std::string_view index);
    int Invoke(std::string_view operation);
    // Drops cached slot data and the inputs; logins stay.
    void Clear();

    // The tokens' certificates and keys for the operations that use them
    // (token_objects_context.cpp).
    struct SlotCertificate {
        int slotId = 0;
        std::string tokenLabel;
        TokenObject certificate;     // its value is the DER
        bool hasPrivateKey = false;  // known only while the token is logged in
    };
    // The certificates of every usable soft token, by slot id, in stored order.
    std::vector<SlotCertificate> TokenCertificates();
    // Logs the slot's token in, asking for the password when it is not yet.
    int EnsureLogin(int slotId);
    // Finds the token holding the certificate (the active slot first), logs it in
    // when needed and gives the certificate's private key as PKCS#8 DER. CKR_OK;
    // CKR_TOKEN_NOT_PRESENT when no token holds the certificate or it has no key; or
    // the login's answer.
    int PrivateKeyFor(std::span<const uint8_t> certificateDer, int& slotId, Secret& pkcs8);
    // Stores the certificate (and its PKCS#8 key when not empty) on the slot's token,
    // logging it in when needed; an equal certificate is replaced.
    int StoreCertificate(int slotId, std::span<const uint8_t> der, std::string_view label,
                         std::span<const uint8_t> pkcs8);

  private:
    struct Session {
        std::string stem;
        TokenKey key;
    };

    const char* Answer(std::optional<std::string> value);

    // properties_slots.cpp
    std::optional<std::string> StateProperty(std::string_view name);
    std::optional<std::string> SlotEntry(std::string_view name, int index);
    std::optional<std::string> TokenInfo();
    bool IsLoggedIn(int slotId);

    // properties_config.cpp
    static bool IsConfigName(std::string_view name);
    std::optional<std::string> GetConfig(std::string_view name);
    void SetConfig(std::string_view name, const char* value);
    void LoadModuleSettings();

    // operations_token.cpp
    int CreateToken();
    int DeleteToken();
    int Login();
    int ChangePassword();
    int About();
    std::string TokenLabelFor(const SoftSlot& slot) const;

    // token_objects_context.cpp: the private objects with the login's key (no
    // prompt); CKR_TOKEN_NOT_PRESENT / CKR_PIN_INCORRECT when there is no usable login.
    int UnsealSlot(int slotId, std::vector<TokenObject>& privateObjects);
    // The header of the slot's token, a soft token's or a card application's
    // (card_objects.cpp): CKR_OK, CKR_TOKEN_NOT_PRESENT or CKR_ATTRIBUTE_VALUE_INVALID.
    int ReadSlotToken(int slotId, TokenFile& file);
    int EditSlot(int slotId, const ObjectEdit& edit);

    // operations_certificates.cpp
    int WriteCertificate();
    int DeleteCertificate();
    int OpenUpdateLink();
    // properties_certificates.cpp
    std::optional<std::string> CertificateExEntry(int index);
    std::optional<std::string> CertificateEntry(int index);
    // properties_objects.cpp / operations on data objects
    std::optional<std::string> ObjectEntry(int index);
    int UpdateObject();
    // cert_propagation.cpp: keeps the "MY" store in step with the tokens present.
    void PropagateCertificates();

    // operations_cms.cpp: the file operations; their results are answered from
    // cmsAnswer_ under the name in cmsAnswerName_ without a further copy.
    int Sign();
    int Verify();
    int Encrypt();
    int Decrypt();
    // Imports PKCS#12 and certificates-only PKCS#7 files; false when "Certificate"
    // is neither, for the plain certificate import to handle.
    bool ImportCertificateContainer(int& result);
    std::optional<std::string> MessageCertificates();
    const char* CmsAnswer(std::string_view name) const;
    void DropCmsAnswer();
    CmsEngine& Cms();

    void EndLogin(int slotId);
    void EndAllLogins();
    // A pinentry program started when an operation begins that will likely ask for
    // a soft token's password, so that the program's start overlaps the operation's
    // own work; the next password question takes it, the operation's end drops it.
    void PrepareSoftLogin();
    std::unique_ptr<Pinentry> TakePinentry();
    std::string Input(std::string_view name) const;

    TokenStore store_;
    SlotRegistry slots_;
    CardSlots cards_;
    int activeSlot_ = 0;
    uint64_t parent_ = 0;
    uint64_t stamp_ = 0;
    std::map<int, Session> sessions_;
    std::map<std::string, std::string, std::less<>> inputs_;
    std::string pinentryProgram_;
    std::string answer_;
    // Enumerations are made whole at index 0 and handed out from here.
    std::vector<std::string> certificateExList_;
    std::vector<std::string> certificateList_;
    // The folder's change stamp when the "MY" store was last brought in step.
    std::optional<uint64_t> propagatedStamp_;
    std::unique_ptr<CmsEngine> cms_;
    std::string cmsAnswerName_;
    std::string cmsAnswer_;
    std::unique_ptr<Pinentry> readyPinentry_;
};

}  // namespace orx
