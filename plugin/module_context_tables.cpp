// The names the program uses with the context, each with what answers it.
#include "cards/reader_settings.h"
#include "core/trace.h"
#include "module_context.h"
#include "properties/module_info.h"
#include "properties/slot_lists.h"

namespace orx {

std::span<const ModuleContext::Operation> ModuleContext::Operations() {
    static constexpr Operation table[] = {
        {"CreateToken",
         [](ModuleContext& c) {
             int slot = 0;
             const int result = c.soft_.Create(c.inputs_, c.prompts_, slot);
             if (result == CKR_OK)
                 c.activeSlot_ = slot;
             c.propagation_.Run();
             return result;
         }},
        {"DeleteToken",
         [](ModuleContext& c) {
             const int result = c.soft_.Delete(c.activeSlot_);
             if (result == CKR_OK)
                 c.activeSlot_ = c.soft_.FirstSlot();
             c.propagation_.Run();
             return result;
         }},
        {"Login",
         [](ModuleContext& c) {
             if (c.cards_.Owns(c.activeSlot_))
                 return c.AfterCardOperation(c.cards_.Login(c.activeSlot_, c.prompts_));
             return c.soft_.Login(c.activeSlot_, c.prompts_);
         }},
        {"ChangePassword",
         [](ModuleContext& c) {
             if (c.cards_.Owns(c.activeSlot_))
                 return c.AfterCardOperation(c.cards_.ChangePassword(c.activeSlot_, c.prompts_));
             return c.soft_.ChangePassword(c.activeSlot_, c.prompts_);
         }},
        {"UnlockPassword",
         [](ModuleContext& c) {
             return c.AfterCardOperation(c.cards_.UnlockPassword(c.activeSlot_, c.prompts_));
         }},
        {"CreateCard",
         [](ModuleContext& c) {
             return c.AfterCardOperation(c.cards_.readers().CreateCard(c.inputs_, c.prompts_));
         }},
        {"InsertCard",
         [](ModuleContext& c) {
             return c.AfterCardOperation(c.cards_.readers().InsertCard(c.inputs_));
         }},
        {"RemoveCard",
         [](ModuleContext& c) {
             return c.AfterCardOperation(c.cards_.readers().RemoveCard(c.inputs_));
         }},
        {"WriteCertificate",
         [](ModuleContext& c) {
             // PKCS#12 and PKCS#7 files first; plain certificates go on as they are.
             int imported = 0;
             return c.files_.ImportContainer(c.activeSlot_, imported)
                        ? imported
                        : c.objects_.WriteCertificate(c.activeSlot_, c.inputs_);
         }},
        {"DeleteCertificate",
         [](ModuleContext& c) { return c.objects_.DeleteCertificate(c.activeSlot_, c.inputs_); }},
        {"UpdateObject",
         [](ModuleContext& c) { return c.objects_.UpdateObject(c.activeSlot_, c.inputs_); }},
        {"Update", [](ModuleContext&) { return OpenUpdateLink(); }},
        {"About", [](ModuleContext& c) { return ShowAbout(c.prompts_); }},
        {"Sign", [](ModuleContext& c) { return c.WithKeyPrompt(&FileOperations::Sign); }},
        {"Decrypt", [](ModuleContext& c) { return c.WithKeyPrompt(&FileOperations::Decrypt); }},
        {"Verify", [](ModuleContext& c) { return c.files_.Verify(); }},
        {"Encrypt", [](ModuleContext& c) { return c.files_.Encrypt(); }},
        {"Reset", [](ModuleContext& c) { return c.Reset(); }},
        {"Refresh",
         [](ModuleContext& c) {
             c.cards_.Refresh();
             c.soft_.Scan();
             c.propagation_.Run();
             return static_cast<int>(CKR_OK);
         }},
        {"ApplyConfig",
         [](ModuleContext& c) {
             Trace("Plg - ApplyConfig ...");
             c.prompts_.LoadSettings();
             c.cards_.Configure();
             c.lockTimeout_ = ReadReaderSettings().lockTimeout;
             // New propagation settings take effect now, not at the next token change.
             c.propagation_.Forget();
             c.propagation_.Run();
             Trace("Plg - ApplyConfig ... done");
             return static_cast<int>(CKR_OK);
         }},
    };
    return table;
}

std::span<const ModuleContext::Getter> ModuleContext::Getters() {
    static constexpr Getter table[] = {
        {"ActiveSlot",
         [](ModuleContext& c) -> std::optional<std::string> {
             return std::to_string(c.activeSlot_);
         }},
        {"TokenInfo",
         [](ModuleContext& c) {
             return c.cards_.Owns(c.activeSlot_) ? c.cards_.TokenInfo(c.activeSlot_)
                                                 : c.soft_.TokenInfo(c.activeSlot_);
         }},
        {"LoggedIn",
         [](ModuleContext& c) -> std::optional<std::string> {
             return c.tokens_.IsLoggedIn(c.activeSlot_) ? "true" : "false";
         }},
        {"HaveSlotEvent", [](ModuleContext& c) { return c.HaveSlotEvent(); }},
        {"Version", [](ModuleContext&) -> std::optional<std::string> { return VersionText(); }},
        {"Trace",
         [](ModuleContext&) -> std::optional<std::string> {
             std::string file = TraceGetFile();
             return file.empty() ? std::nullopt : std::optional<std::string>(file);
         }},
    };
    return table;
}

std::span<const ModuleContext::Enumerator> ModuleContext::Enumerators() {
    static constexpr Enumerator table[] = {
        {"CertificateEx",
         [](ModuleContext& c, int index) { return c.objects_.CertificateExEntry(index); }},
        {"Certificate",
         [](ModuleContext& c, int index) { return c.objects_.CertificateEntry(index, c.inputs_); }},
        {"Object",
         [](ModuleContext& c, int index) {
             return c.objects_.ObjectEntry(c.activeSlot_, index, c.inputs_);
         }},
        {"Component", [](ModuleContext&, int index) { return ComponentEntry(index); }},
        {"SlotCard", [](ModuleContext& c, int index) { return c.cards_.SlotCardEntry(index); }},
        {"SlotSoft",
         [](ModuleContext& c, int index) {
             return SlotListEntry(SlotList::SoftFiles, index, c.soft_, c.cards_);
         }},
        {"Slot",
         [](ModuleContext& c, int index) {
             return SlotListEntry(SlotList::AllSlots, index, c.soft_, c.cards_);
         }},
        {"Token",
         [](ModuleContext& c, int index) {
             return SlotListEntry(SlotList::UsableTokens, index, c.soft_, c.cards_);
         }},
    };
    return table;
}

std::span<const ModuleContext::Setter> ModuleContext::Setters() {
    static constexpr Setter table[] = {
        {"ActiveSlot",
         [](ModuleContext& c, const char* value) { c.activeSlot_ = value ? std::atoi(value) : 0; }},
        {"Trace",
         [](ModuleContext&, const char* value) {
             TraceSetFile(value);
             Trace("Plg - Trace set");
         }},
    };
    return table;
}

}  // namespace orx
