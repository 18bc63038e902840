// Numbers of the Search Certificates dialog and the Directory property dialog:
// templates, controls and texts.
#pragma once

namespace orx {

inline constexpr int kTemplateSearchCert = 241;
inline constexpr int kTemplateDirectory = 248;

// Search Certificates: the two tabs and what lies on them.
inline constexpr int kIdSearchTabs = 352;
inline constexpr int kIdSimple = 395;
inline constexpr int kIdNameLabel = 315;
inline constexpr int kIdNameEdit = 387;
inline constexpr int kIdEmailLabel = 462;
inline constexpr int kIdEmailEdit = 461;
inline constexpr int kIdAdvanced = 396;
inline constexpr int kIdFilterLabel = 316;
inline constexpr int kIdFilterEdit = 466;
inline constexpr int kIdDirectoryList = 459;
inline constexpr int kIdEditDirectory = 585;
inline constexpr int kIdAddDirectory = 587;
inline constexpr int kIdDeleteDirectory = 586;
// Button 1 searches (and cancels), button 2 closes.
inline constexpr int kIdView = 488;
inline constexpr int kIdInstall = 482;
inline constexpr int kIdExport = 372;
inline constexpr int kIdResultList = 358;
inline constexpr int kIdStatus = 398;
// The tab pages; the program's own numbers.
inline constexpr int kIdCriteriaPage = 0x7E11;
inline constexpr int kIdDirectoryPage = 0x7E12;

// Directory property dialog.
inline constexpr int kIdDescriptionEdit = 376;
inline constexpr int kIdUrlEdit = 378;
inline constexpr int kIdBaseEdit = 379;
inline constexpr int kIdRecordFilterEdit = 466;
inline constexpr int kIdDescriptionLabel = 456;
inline constexpr int kIdUrlLabel = 458;
inline constexpr int kIdBaseLabel = 459;
inline constexpr int kIdRecordFilterLabel = 316;

// Texts.
inline constexpr int kTextAdd = 1002;
inline constexpr int kTextEdit = 1037;
inline constexpr int kTextSearchCertificates = 1038;
inline constexpr int kTextOk = 1100;
inline constexpr int kTextCancel = 1101;
inline constexpr int kTextView = 1103;
inline constexpr int kTextInstall = 1110;
inline constexpr int kTextSearch = 1124;
inline constexpr int kTextClose = 1125;
inline constexpr int kTextAddDirectory = 1126;
inline constexpr int kTextEditDirectory = 1127;
inline constexpr int kTextDeleteDirectory = 1128;
inline constexpr int kTextExport = 1129;
inline constexpr int kTextCriteriaTab = 1308;
inline constexpr int kTextDirectoryTab = 1309;
inline constexpr int kTextDescription = 1651;
inline constexpr int kTextDirectoryUrl = 1654;
inline constexpr int kTextSearchBase = 1655;
inline constexpr int kTextFilter = 1656;
inline constexpr int kTextName = 1659;
inline constexpr int kTextEmail = 1660;
inline constexpr int kTextSimple = 1661;
inline constexpr int kTextAdvanced = 1662;
inline constexpr int kTextInstalled = 1663;
inline constexpr int kTextBusinessCard = 1664;
inline constexpr int kTextFoundCount = 1668;
inline constexpr int kMessageNoDirectory = 2034;
inline constexpr int kMessageDirectoryNotStored = 2046;

}  // namespace orx
