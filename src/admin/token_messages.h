// What the token content commands tell the user, by string id, and the plug-in
// results they act on.
#pragma once

namespace orx {

inline constexpr int kErrorUnexpected = 2000;
inline constexpr int kErrorNoToken = 2033;
inline constexpr int kErrorOnlySoftTokens = 2036;
inline constexpr int kErrorNoCertificate = 2039;
inline constexpr int kErrorNoSoftToken = 2041;
inline constexpr int kErrorNoCard = 2042;
inline constexpr int kErrorNoTokenInstalled = 2043;
inline constexpr int kErrorCertificateExists = 2045;
inline constexpr int kMessageCertificateImported = 2101;
inline constexpr int kMessageCertificateDeleted = 2102;
inline constexpr int kMessageTokenImported = 2103;
inline constexpr int kMessageTokenDeleted = 2104;
inline constexpr int kQuestionDeleteCertificate = 2200;
inline constexpr int kQuestionDeleteToken = 2201;

inline constexpr int kTextCertificateFilter = 1506;
inline constexpr int kTextTokenFilter = 1507;

// Plug-in results (PKCS#11 return values).
inline constexpr int kResultCancelled = 1;
inline constexpr int kResultWrongPassword = 160;

}  // namespace orx
