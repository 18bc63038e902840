#include "module_context.h"

#include <strings.h>

#include <cstdlib>

#include "cms/cms_engine.h"
#include "core/os/folders.h"
#include "core/trace.h"
#include "prompts/pinentry.h"

namespace orx {

std::string SoftTokenFolder() {
    return GetUserStateFolder() + "tokens/";
}

ModuleContext::ModuleContext() : store_(SoftTokenFolder()), slots_(store_) {
    LoadModuleSettings();
    slots_.Scan();
    if (!slots_.slots().empty())
        activeSlot_ = slots_.slots().front().id;
    stamp_ = store_.ChangeStamp();
    PropagateCertificates();
}

ModuleContext::~ModuleContext() {
    EndAllLogins();
}

const char* ModuleContext::Answer(std::optional<std::string> value) {
    if (!answer_.empty())
        OPENSSL_cleanse(answer_.data(), answer_.size());
    if (!value)
        return nullptr;
    answer_ = std::move(*value);
    return answer_.c_str();
}

std::string ModuleContext::Input(std::string_view name) const {
    auto it = inputs_.find(name);
    return it == inputs_.end() ? std::string() : it->second;
}

void ModuleContext::SetProperty(std::string_view name, const char* value) {
    if (IsConfigName(name)) {
        SetConfig(name, value);
        return;
    }
    if (name == "ActiveSlot") {
        activeSlot_ = value ? std::atoi(value) : 0;
        return;
    }
    if (name == "Trace") {
        TraceSetFile(value);
        Trace("Plg - Trace set");
        return;
    }
    if (name == cmsAnswerName_)
        DropCmsAnswer();
    if (value) {
        inputs_[std::string(name)] = value;
    } else {
        inputs_.erase(std::string(name));
    }
}

const char* ModuleContext::GetProperty(std::string_view name) {
    if (const char* result = CmsAnswer(name))
        return result;
    if (name == "Certificate" && inputs_.count("Data") && !inputs_.count("Certificate"))
        return Answer(MessageCertificates());
    if (IsConfigName(name))
        return Answer(GetConfig(name));
    if (std::optional<std::string> state = StateProperty(name))
        return Answer(std::move(state));
    auto it = inputs_.find(name);
    return Answer(it == inputs_.end() ? std::nullopt : std::optional<std::string>(it->second));
}

const char* ModuleContext::EnumProperty(std::string_view name, std::string_view index) {
    const std::string text(index);
    char* end = nullptr;
    const long at = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || at < 0 || at > 100000)
        return Answer(std::nullopt);
    if (name == "CertificateEx")
        return Answer(CertificateExEntry(static_cast<int>(at)));
    if (name == "Certificate")
        return Answer(CertificateEntry(static_cast<int>(at)));
    if (name == "Object")
        return Answer(ObjectEntry(static_cast<int>(at)));
    return Answer(SlotEntry(name, static_cast<int>(at)));
}

int ModuleContext::Invoke(std::string_view operation) {
    const std::string op(operation);
    if (std::optional<int> card = cards_.Invoke(
            op, activeSlot_, [this](std::string_view name) { return Input(name); },
            pinentryProgram_, parent_)) {
        PropagateCertificates();  // a card put in or taken out brings or takes certificates
        return *card;
    }
    if (strcasecmp(op.c_str(), "CreateToken") == 0) {
        const int result = CreateToken();
        PropagateCertificates();
        return result;
    }
    if (strcasecmp(op.c_str(), "DeleteToken") == 0) {
        const int result = DeleteToken();
        PropagateCertificates();
        return result;
    }
    if (strcasecmp(op.c_str(), "WriteCertificate") == 0) {
        // PKCS#12 and PKCS#7 files first; plain certificates go on as they are.
        int imported = 0;
        return ImportCertificateContainer(imported) ? imported : WriteCertificate();
    }
    if (strcasecmp(op.c_str(), "DeleteCertificate") == 0)
        return DeleteCertificate();
    if (strcasecmp(op.c_str(), "UpdateObject") == 0)
        return UpdateObject();
    if (strcasecmp(op.c_str(), "Update") == 0)
        return OpenUpdateLink();
    if (strcasecmp(op.c_str(), "Login") == 0)
        return Login();
    if (strcasecmp(op.c_str(), "ChangePassword") == 0)
        return ChangePassword();
    if (strcasecmp(op.c_str(), "About") == 0)
        return About();
    if (strcasecmp(op.c_str(), "Sign") == 0 || strcasecmp(op.c_str(), "Decrypt") == 0) {
        // Both look for a private key, most often on a soft token not yet logged in.
        PrepareSoftLogin();
        const int result = strcasecmp(op.c_str(), "Sign") == 0 ? Sign() : Decrypt();
        readyPinentry_.reset();
        return result;
    }
    if (strcasecmp(op.c_str(), "Verify") == 0)
        return Verify();
    if (strcasecmp(op.c_str(), "Encrypt") == 0)
        return Encrypt();
    if (strcasecmp(op.c_str(), "Reset") == 0) {
        // Inputs are for one operation; the logins and the active slot stay.
        for (auto& [key, value] : inputs_)
            OPENSSL_cleanse(value.data(), value.size());
        inputs_.clear();
        DropCmsAnswer();
        slots_.Scan();
        PropagateCertificates();
        return CKR_OK;
    }
    if (strcasecmp(op.c_str(), "Refresh") == 0) {
        slots_.Scan();
        PropagateCertificates();
        return CKR_OK;
    }
    if (strcasecmp(op.c_str(), "ApplyConfig") == 0) {
        Trace("Plg - ApplyConfig ...");
        LoadModuleSettings();
        cards_.Configure();
        Trace("Plg - ApplyConfig ... done");
        return CKR_OK;
    }
    Trace("Plg - Operation %s is not supported", op.c_str());
    return CKR_FUNCTION_NOT_SUPPORTED;
}

void ModuleContext::Clear() {
    inputs_.clear();
    DropCmsAnswer();
    slots_.Scan();
}

void ModuleContext::EndLogin(int slotId) {
    auto it = sessions_.find(slotId);
    if (it == sessions_.end())
        return;
    it->second.key.encryption.Wipe();
    it->second.key.mac.Wipe();
    sessions_.erase(it);
    Trace("Plg - Logout of slot %d", slotId);
}

void ModuleContext::EndAllLogins() {
    while (!sessions_.empty())
        EndLogin(sessions_.begin()->first);
}

}  // namespace orx
