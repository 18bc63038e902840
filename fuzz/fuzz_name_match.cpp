// libs: orxcore orxder
// Certificate filters against names: arbitrary patterns against arbitrary name
// texts. The input is "name text" NUL "patterns".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text_fields.h"
#include "der/der_certificate.h"
#include "der/der_name_match.h"
#include "der/der_result.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view name = input.substr(0, split);
    const std::string_view patterns =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const int any = orx::MatchNameTextAny(name, patterns);
    const int one = orx::MatchNameText(name, patterns);
    if ((any != 0 && any != 1) || (one != 0 && one != 1))
        abort();
    // An empty pattern matches every name.
    if (orx::MatchNameText(name, "") != 1 || orx::MatchNameTextAny(name, "  ") != 1)
        abort();
    orx::MatchValue(name, patterns);
    std::string value;
    orx::FindNameAttributeText(name, patterns.substr(0, 16), value, 64);
    if (value.size() >= 64)
        abort();
    orx::GetNameAttribute(name, patterns.substr(0, 16), value, 64);
    if (value.size() >= 64)
        abort();

    orx::DerCertificate cert;
    if (cert.SetNameText(orx::kSubject, name) == orx::DER_OK) {
        cert.MatchNameAny(orx::kSubject, patterns);
        cert.MatchName(orx::kSubject, patterns);
    }
    return 0;
}
