// Numbers of the file operation wizard: operations, templates, controls, texts.
#pragma once

namespace orx {

inline constexpr int kFileOpSign = 1;
inline constexpr int kFileOpVerify = 2;
inline constexpr int kFileOpEncrypt = 3;
inline constexpr int kFileOpDecrypt = 4;

// Templates.
inline constexpr int kTemplateWizardFrame = 225;
inline constexpr int kTemplateFilePage = 226;
inline constexpr int kTemplateVerifiedFilePage = 227;
inline constexpr int kTemplateSignerPage = 229;
inline constexpr int kTemplateRecipientPage = 224;
inline constexpr int kTemplateIntroPage = 230;

// Controls.
inline constexpr int kIdBack = 498;
inline constexpr int kIdNext = 495;
inline constexpr int kIdPageTitle = 354;
inline constexpr int kIdPageText = 317;
inline constexpr int kIdPathLabel = 349;
inline constexpr int kIdPathEdit = 351;
inline constexpr int kIdBrowse = 544;
inline constexpr int kIdValidIcon = 464;
inline constexpr int kIdCertificateLabel = 343;
inline constexpr int kIdCertificateCombo = 359;
inline constexpr int kIdView = 344;
inline constexpr int kIdAlgorithmLabel = 345;
inline constexpr int kIdAlgorithmCombo = 361;
// The frame's client area that holds the pages; the program's own number.
inline constexpr int kIdPageArea = 0x7E01;

}  // namespace orx
