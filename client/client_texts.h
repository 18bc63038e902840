// The client program's own string ids (the string tables hold their texts in
// every language).
#pragma once

namespace orx {

inline constexpr int kTextCertificate = 2300;
inline constexpr int kTextSubject = 2301;
inline constexpr int kTextIssuer = 2302;
inline constexpr int kTextName = 2303;
inline constexpr int kTextDistinguishedName = 2304;
inline constexpr int kTextValidFrom = 2305;
inline constexpr int kTextValidTo = 2306;
inline constexpr int kTextStatus = 2307;
inline constexpr int kTextStatusValid = 2308;
inline constexpr int kTextStatusExpired = 2309;
inline constexpr int kTextStatusNotYetValid = 2310;
inline constexpr int kTextSerialNumber = 2311;
inline constexpr int kTextSha1 = 2312;
inline constexpr int kTextSha256 = 2313;
inline constexpr int kTextPublicKey = 2314;
inline constexpr int kTextExtensions = 2315;
inline constexpr int kTextCritical = 2316;
inline constexpr int kTextYes = 2317;
inline constexpr int kTextNo = 2318;
inline constexpr int kTextSaveDer = 2319;
inline constexpr int kTextSavePem = 2320;
inline constexpr int kTextClose = 2321;
inline constexpr int kTextNoCertificate = 2322;  // %s: the file
inline constexpr int kTextSaveFailed = 2323;     // %s: the file
inline constexpr int kTextNoHelpLink = 2324;
inline constexpr int kTextNoSupportLink = 2325;
inline constexpr int kTextTraceLog = 2326;
inline constexpr int kTextFind = 2327;
inline constexpr int kTextFindNext = 2328;
inline constexpr int kTextNotFound = 2329;
inline constexpr int kTextCannotRead = 2330;  // %s: the file
inline constexpr int kTextVersion = 2331;
inline constexpr int kTextSignatureAlgorithm = 2332;
inline constexpr int kTextKeyBits = 2333;  // %s: key type, %d: bits
inline constexpr int kTextObjectIdentifier = 2334;
inline constexpr int kTextValue = 2335;
inline constexpr int kTextExtension = 2336;
inline constexpr int kTextKeyUsage = 2337;
inline constexpr int kTextExtendedKeyUsage = 2338;
inline constexpr int kTextSubjectAltName = 2339;
inline constexpr int kTextIssuerAltName = 2340;
inline constexpr int kTextBasicConstraints = 2341;
inline constexpr int kTextSubjectKeyId = 2342;
inline constexpr int kTextAuthorityKeyId = 2343;
inline constexpr int kTextCrlDistribution = 2344;
inline constexpr int kTextCertificatePolicies = 2345;
inline constexpr int kTextAuthorityInfoAccess = 2346;
inline constexpr int kTextDerFilter = 2347;
inline constexpr int kTextPemFilter = 2348;
inline constexpr int kTextSaved = 2349;  // %s: the file

// The key usage bits, from bit 0 (digital signature) to bit 8 (decipher only).
inline constexpr int kTextFirstKeyUsageBit = 2500;
inline constexpr int kKeyUsageBitCount = 9;
// The extended key usage purposes.
inline constexpr int kTextPurposeTlsServer = 2509;
inline constexpr int kTextPurposeTlsClient = 2510;
inline constexpr int kTextPurposeCodeSigning = 2511;
inline constexpr int kTextPurposeEmail = 2512;
inline constexpr int kTextPurposeTimeStamping = 2513;
inline constexpr int kTextPurposeOcspSigning = 2514;
inline constexpr int kTextPurposeSmartCardLogon = 2515;
inline constexpr int kTextPurposePkinitClient = 2516;
inline constexpr int kTextPurposeAny = 2517;

}  // namespace orx
