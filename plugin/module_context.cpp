#include "module_context.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstdlib>

#include "cards/pkcs11/pkcs11_cards.h"
#include "cards/reader_settings.h"
#include "core/string_helpers.h"
#include "core/trace.h"
#include "properties/config_properties.h"

namespace orx {

ModuleContext::ModuleContext() {
    // The PKCS#11 modules' cards follow the virtual readers.
    cards_.Add(std::make_unique<Pkcs11Cards>(cards_.readers()));
    lockTimeout_ = ReadReaderSettings().lockTimeout;
    prompts_.LoadSettings();
    soft_.Scan();
    activeSlot_ = soft_.FirstSlot();
    soft_.Changed();  // what is there at the start is no slot event
    propagation_.Run();
}

ModuleContext::~ModuleContext() {
    // The soft tokens' logins end first, then (with the parts) the cards'.
    soft_.EndAllLogins();
}

const char* ModuleContext::Answer(std::optional<std::string> value) {
    if (!answer_.empty())
        OPENSSL_cleanse(answer_.data(), answer_.size());
    if (!value)
        return nullptr;
    answer_ = std::move(*value);
    return answer_.c_str();
}

void ModuleContext::EndIdleLogins() {
    if (lockTimeout_ <= 0)
        return;
    const std::chrono::seconds idle(lockTimeout_);
    soft_.EndIdleLogins(idle);
    cards_.EndIdleLogins(idle);
}

void ModuleContext::SetProperty(std::string_view name, const char* value) {
    EndIdleLogins();
    if (IsConfigName(name)) {
        SetConfig(name, value);
        return;
    }
    for (const Setter& setter : Setters()) {
        if (name == setter.name) {
            setter.set(*this, value);
            return;
        }
    }
    if (files_.Answers(name))
        files_.DropAnswer();
    inputs_.Set(name, value);
}

const char* ModuleContext::GetProperty(std::string_view name) {
    EndIdleLogins();
    if (const char* result = files_.Answer(name))
        return result;
    if (name == "Certificate" && inputs_.Has("Data") && !inputs_.Has("Certificate"))
        return Answer(files_.MessageCertificates());
    if (IsConfigName(name))
        return Answer(GetConfig(name));
    for (const Getter& getter : Getters()) {
        if (name != getter.name)
            continue;
        // A property without a value now falls back on an input of its name.
        if (std::optional<std::string> value = getter.get(*this))
            return Answer(std::move(value));
        break;
    }
    return Answer(inputs_.Has(name) ? std::optional<std::string>(inputs_.Get(name)) : std::nullopt);
}

const char* ModuleContext::EnumProperty(std::string_view name, std::string_view index) {
    EndIdleLogins();
    const std::string text(index);
    char* end = nullptr;
    const long at = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || at < 0 || at > 100000)
        return Answer(std::nullopt);
    for (const Enumerator& enumerator : Enumerators()) {
        if (name == enumerator.name)
            return Answer(enumerator.entry(*this, static_cast<int>(at)));
    }
    return Answer(std::nullopt);
}

int ModuleContext::Invoke(std::string_view operation) {
    EndIdleLogins();
    const std::span<const Operation> operations = Operations();
    const auto found = std::find_if(operations.begin(), operations.end(), [&](const Operation& o) {
        return EqualsNoCase(operation, o.name);
    });
    if (found != operations.end()) {
        const int result = found->run(*this);
        prompts_.Settle();
        return result;
    }
    Trace("Plg - Operation %s is not supported", std::string(operation).c_str());
    return CKR_FUNCTION_NOT_SUPPORTED;
}

void ModuleContext::Clear() {
    inputs_.Clear();
    files_.DropAnswer();
    soft_.Scan();
}

int ModuleContext::AfterCardOperation(int result) {
    propagation_.Run();
    return result;
}

int ModuleContext::WithKeyPrompt(int (FileOperations::*operation)(int)) {
    if (!prompts_.launched() && (cards_.AnyLoggedOut() || soft_.AnyLoggedOut()))
        prompts_.Launch();
    const int result = (files_.*operation)(activeSlot_);
    prompts_.DropLaunched();
    return result;
}

std::optional<std::string> ModuleContext::HaveSlotEvent() {
    // Both are asked, so that each takes note of what it has seen.
    const bool cards = cards_.Changed();
    const bool soft = soft_.Changed();
    if (!cards && !soft)
        return "false";
    soft_.Scan();
    propagation_.Run();
    return "true";
}

int ModuleContext::Reset() {
    // Inputs are for one operation; the logins and the active slot stay.
    inputs_.Wipe();
    files_.DropAnswer();
    soft_.Scan();
    propagation_.Run();
    return CKR_OK;
}

}  // namespace orx
