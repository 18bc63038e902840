// The original file's name can travel beside an encrypted file's content, outside
// of it: an unprotected attribute of the EnvelopedData (a content hint whose
// description is the name), so that any CMS reader still gets exactly the original
// bytes and only this module's "Decrypt" proposes the name. It is written only when
// the configuration asks for it: the name is in clear for anyone who sees the file,
// and readers of the older PKCS#7 format refuse an envelope with the attribute.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orx {

// "Encryption"/"RecordFileName": 1 records the name in new envelopes (default 0).
inline constexpr std::string_view kFileNameSection = "Encryption";
inline constexpr std::string_view kFileNameKey = "RecordFileName";
// Read at every encryption, so that a change counts from the next file on.
bool RecordFileNameConfigured();

// The base name of a path ('/' and '\' both separate); empty for "", "." and "..",
// and for a name that holds control characters.
std::string SafeBaseName(std::string_view path);

// DER of the unprotectedAttrs field ([1] IMPLICIT SET OF Attribute) naming `name`.
std::string FileNameAttributes(std::string_view name);

// For an EnvelopedData ContentInfo written in indefinite-length form (as streaming
// writes it): sets its version to 2, which the attribute needs, and gives the offset
// where the attributes go (before the EnvelopedData's end-of-contents). False when
// the bytes are not of that shape.
bool PrepareForAttributes(std::span<uint8_t> ber, size_t& offset);

// The name recorded in an EnvelopedData ContentInfo (BER), or "" when there is none.
std::string ReadFileNameAttribute(std::span<const uint8_t> ber);

// The dotted object identifier of an EnvelopedData ContentInfo's content cipher
// (its encryptedContentInfo's contentEncryptionAlgorithm), or "" when the bytes are
// not of that shape. It decides which providers the decryption needs.
std::string ReadContentCipherOid(std::span<const uint8_t> ber);

}  // namespace orx
