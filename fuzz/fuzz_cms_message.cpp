// libs: orxmodule
// A signed or encrypted file as "Verify", "Decrypt" and the certificate list read
// it: binary PKCS#7 or S/MIME text, from anyone. Nothing may crash, a name read
// from an envelope must be a base name, and a content cipher read from it must be
// dotted digits.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cms/cms_engine.h"
#include "cms/cms_file_name.h"
#include "core/mime_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orx::CmsEngine* engine = new orx::CmsEngine();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const bool mime = orx::StartsWithMime(bytes);

    std::string answer;
    orx::CmsInput forList{bytes, mime};
    engine->Certificates(forList, answer);
    orx::CmsInput forVerify{bytes, mime};
    engine->Verify(forVerify, answer);
    orx::CmsInput forDecrypt{bytes, mime};
    if (engine->OpenEnvelope(forDecrypt) == 0) {
        const std::string& name = engine->envelopeFileName();
        if (!name.empty() && orx::SafeBaseName(name) != name)
            __builtin_trap();
        engine->CloseEnvelope();
    }
    const std::string name = orx::ReadFileNameAttribute(orx::AsBytes(bytes));
    if (name.find('/') != std::string::npos || name == "..")
        __builtin_trap();

    for (char c : orx::ReadContentCipherOid(orx::AsBytes(bytes))) {
        if (c != '.' && (c < '0' || c > '9'))
            __builtin_trap();
    }

    std::string text = bytes;
    orx::Base64DecodeInPlace(text);
    return 0;
}
