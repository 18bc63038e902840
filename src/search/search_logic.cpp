#include "search/search_logic.h"

#include <algorithm>
#include <span>

#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/trace.h"
#include "der/cert_inspection.h"
#include "der/cert_store.h"

namespace orx {

namespace {

constexpr std::string_view kCommonNameKey = "cn=";
constexpr std::string_view kMailKey = "mail=";
constexpr size_t kValidityCapacity = 32;
constexpr size_t kUtcTimeLength = 13;  // YYMMDDHHMMSSZ

int InstalledText(const CertRecord* certificate) {
    DerBytes der;
    if (!CertGetData(certificate, &der))
        return 0;
    if (IsCertificateInStore("MY", der))
        return kTextPrivate;
    if (IsCertificateInStore("AddressBook", der))
        return kTextOtherPeople;
    return 0;
}

std::string NotAfterOf(const CertRecord* certificate) {
    std::string notBefore;
    std::string notAfter;
    CertGetValidity(certificate, notBefore, kValidityCapacity, notAfter, kValidityCapacity, false);
    return NotAfterKey(notAfter);
}

}  // namespace

std::string EntryCommonName(std::string_view entryText) {
    const size_t at = StrFindNoCase(entryText, kCommonNameKey);
    if (at == kNotFound)
        return {};
    std::string_view name = entryText.substr(at + kCommonNameKey.size());
    name = name.substr(0, std::min(name.size(), name.find(',')));
    return std::string(CutUtf8(name, kFoundNameCapacity - 1));
}

std::string NotAfterKey(std::string_view storedTime) {
    const bool utcTime = storedTime.size() == kUtcTimeLength &&
                         std::all_of(storedTime.begin(), storedTime.begin() + 2,
                                     [](char c) { return c >= '0' && c <= '9'; });
    if (!utcTime)
        return std::string(storedTime);
    // RFC 5280: two-digit years from 50 are of the twentieth century.
    const bool nineteen = storedTime[0] >= '5';
    return std::string(nineteen ? "19" : "20") + std::string(storedTime);
}

SearchLogic::SearchLogic(SearchEvents& events, int maxFound, bool simple)
    : events_(events), maxFound_(maxFound), simple_(simple) {}

int SearchLogic::Consume(void* context, const char* entryText, const uint8_t* value,
                         size_t length) {
    auto* logic = static_cast<SearchLogic*>(context);
    if (entryText != nullptr)
        Trace("SearchCert - Found: '%s'", Utf8ToAnsi(entryText).c_str());
    return logic->OnFound(entryText, value, length);
}

int SearchLogic::OnFound(const char* entryText, const uint8_t* der, size_t length) {
    // One search of several has ended; only Finish ends the worker's search.
    if (entryText == nullptr || der == nullptr || length == 0)
        return 0;
    int answer = cancel_ ? 0 : 1;
    if (answer == 0)
        return 0;
    CertHandle certificate = CertCreate(std::span<const uint8_t>(der, length));
    if (!certificate)
        return answer;
    if (simple_ && !CertIsTimeValid(certificate.get()))
        return answer;
    if (StrFindNoCase(entryText, kCommonNameKey) == kNotFound)
        return answer;
    FoundRow row;
    row.name = EntryCommonName(entryText);
    if (StrFindNoCase(entryText, kMailKey) == kNotFound ||
        !CertGetEmail(certificate.get(), row.email, kFoundEmailCapacity, true)) {
        return answer;
    }
    if (StartsWithNoCase(row.email, kMailKey))
        row.email.erase(0, kMailKey.size());
    row.email.resize(std::min(row.email.size(), row.email.find(',')));
    row.installedText = InstalledText(certificate.get());
    std::string notAfter = NotAfterOf(certificate.get());

    // One row per e-mail address: the certificate that is valid longer stays.
    const auto same = std::find_if(rows_.begin(), rows_.end(), [&](const ListedRow& listed) {
        return StrCompareNoCase(listed.email, row.email) == 0;
    });
    if (same != rows_.end()) {
        if (StrCompare(notAfter, same->notAfter) < 0)
            return answer;
        events_.RowRemoved(same->id);
        rows_.erase(same);
    } else if (++found_ == maxFound_) {
        // Only reaching the number stops: a later search of a template, which
        // counts on, is not stopped again.
        answer = 0;
    }
    row.id = nextId_++;
    row.found = found_;
    row.certificate = std::shared_ptr<const CertRecord>(std::move(certificate));
    rows_.push_back({row.id, row.email, std::move(notAfter)});
    events_.RowAdded(row);
    return answer;
}

void SearchLogic::Finish() {
    if (finished_)
        return;
    finished_ = true;
    events_.SearchEnded();
}

}  // namespace orx
