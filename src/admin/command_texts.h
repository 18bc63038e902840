// What the token content commands make of names, file names, filters and the
// plug-in's answers before they reach a dialog or the plug-in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

// A soft token file's path keeps at most this many bytes.
inline constexpr size_t kTokenPathCapacity = 260;

// The name a soft token gets from the name dialog: "(", ")", double quotes and
// apostrophes become blanks, then blanks at either end go. Empty: no name.
std::string SanitizeTokenName(std::string_view text);

// The name proposed for a token added from a file: the file's name without its
// folder, cut at its first ".".
std::string ProposedTokenName(std::string_view path);

// True when the part after the path's last "." is "tkn" in any letter case.
bool IsTokenFileName(std::string_view path);

// A filter of the open dialogs for the save dialogs: everything from ";*.p" on
// becomes ")", so that "Certificate (*.cer;*.crt;*.p7s;...)" offers ".cer" and
// ".crt" only. A filter without ";*.p" stays as it is.
std::string SaveFilter(std::string_view filter);

// The soft token's file: field 5 of "TokenInfo"; none when the answer has fewer
// than six fields.
std::optional<std::string> SoftTokenFile(std::string_view tokenInfo);

// The certificate's unbroken Base64 in a "CertificateEx" entry: what follows its
// last ";" (the whole entry when it has none).
std::string_view CertificateBase64(std::string_view entry);

// The first entry that holds the Base64 of `der`; none when no entry does (or
// there are no bytes).
std::optional<size_t> FindCertificateEntry(const std::vector<std::string>& entries,
                                           std::span<const uint8_t> der);

}  // namespace orx
