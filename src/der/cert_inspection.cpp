#include "der/cert_inspection.h"

#include <ctime>

#include "core/clock.h"
#include "core/number_text.h"
#include "core/text_encoding.h"
#include "core/text_fields.h"
#include "core/trace.h"
#include "der/der_result.h"

namespace orx {

namespace {

// Room for either kind of time text with its terminator.
constexpr size_t kTimeCapacity = 32;

}  // namespace

bool CertEqual(const CertRecord* a, const CertRecord* b) {
    return a != nullptr && b != nullptr && a->certificate.Equals(b->certificate) == DER_OK;
}

bool CertGetData(const CertRecord* handle, DerBytes* data) {
    if (handle == nullptr)
        return false;
    return handle->certificate.GetData(data) == DER_OK;
}

bool CertIsCA(const CertRecord* handle) {
    return handle != nullptr && handle->certificate.IsCA(false) != 0;
}

bool CertGetSubjectDisplayName(const CertRecord* handle, std::string& out, size_t capacity) {
    out.clear();
    if (handle == nullptr)
        return false;
    const auto& subject = handle->certificate.NameText(kSubject);
    std::string display;
    GetDisplayName(subject ? *subject : std::string_view(), display, capacity);
    out = Utf8ToAnsi(display);
    return !out.empty();
}

bool NameTextDisplayName(std::string_view nameText, std::string& out, size_t capacity) {
    return GetDisplayName(nameText, out, capacity);
}

bool CertGetEmail(const CertRecord* handle, std::string& out, size_t capacity, bool email) {
    out.clear();
    return handle != nullptr && handle->certificate.GetEmail(out, capacity, email) == DER_OK;
}

bool CertGetValidity(const CertRecord* handle, std::string& notBefore, size_t notBeforeCapacity,
                     std::string& notAfter, size_t notAfterCapacity, bool asDate) {
    if (handle == nullptr || handle->certificate.GetValidity(notBefore, notBeforeCapacity, notAfter,
                                                             notAfterCapacity) != 1) {
        return false;
    }
    if (asDate) {
        notBefore = CertTimeToDate(notBefore);
        notAfter = CertTimeToDate(notAfter);
    }
    return true;
}

bool CertIsTimeValid(const CertRecord* handle) {
    if (handle == nullptr)
        return true;
    std::string notBefore;
    std::string notAfter;
    if (!CertGetValidity(handle, notBefore, kTimeCapacity, notAfter, kTimeCapacity, false))
        return true;
    const std::time_t seconds = static_cast<std::time_t>(EpochSeconds());
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char now[32];
    std::snprintf(now, sizeof now, "%.4d%.2d%.2d%.2d%.2d%.2dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    Trace("Current time %s: certificate validity %s > %s", now, notBefore.c_str(),
          notAfter.c_str());
    const std::string_view current(now);
    if (notBefore.size() != notAfter.size() || current.size() < notBefore.size())
        return true;
    // A UTCTime drops the century.
    const std::string_view compared = current.substr(current.size() - notBefore.size());
    return !(compared < std::string_view(notBefore) || compared > std::string_view(notAfter));
}

bool CertGetExtension(const CertRecord* handle, std::string_view text, DerBytes* value) {
    if (handle != nullptr && handle->certificate.GetExtension(text, value) == DER_OK)
        return true;
    if (value)
        *value = {};
    return false;
}

}  // namespace orx
