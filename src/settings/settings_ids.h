// Numbers of the settings sheet: templates, controls and the texts it shows.
#pragma once

namespace orx {

// Templates. The sheet's frame has no template of its own on the platform the
// numbers come from (a property sheet builds itself); this one is the program's.
inline constexpr int kTemplateSettingsSheet = 0x7E40;
inline constexpr int kTemplateViewPage = 235;
inline constexpr int kTemplateSmartCardPage = 233;
inline constexpr int kTemplateComponentsPage = 234;
inline constexpr int kTemplateAddReader = 249;

// The sheet's own controls: the standard numbers of a property sheet.
inline constexpr int kIdSheetTabs = 0x3020;
inline constexpr int kIdApply = 0x3021;

// View page.
inline constexpr int kIdLanguageHeading = 469;
inline constexpr int kIdLanguageList = 468;
inline constexpr int kIdViewHeading = 548;
inline constexpr int kIdTaskbarIcon = 549;
inline constexpr int kIdExplorerMenu = 550;
inline constexpr int kIdStartMenu = 551;

// Smart Card page.
inline constexpr int kIdReaderHeading = 412;
inline constexpr int kIdDetectLabel = 408;
inline constexpr int kIdDetect = 409;
inline constexpr int kIdModeLabel = 403;
inline constexpr int kIdMode = 405;
inline constexpr int kIdLockTimeoutLabel = 389;
inline constexpr int kIdLockTimeout = 401;
inline constexpr int kIdAcceptedHeading = 414;
inline constexpr int kIdReaderList = 399;
inline constexpr int kIdAddReader = 482;
inline constexpr int kIdDeleteReader = 373;
inline constexpr int kIdLogonHeading = 413;
inline constexpr int kIdEnableLogon = 521;

// Components page.
inline constexpr int kIdCryptoApiHeading = 545;
inline constexpr int kIdCspEnable = 434;
inline constexpr int kIdCspRemove = 517;
inline constexpr int kIdCspDisableSilent = 519;
inline constexpr int kIdCspOverwrite = 520;
inline constexpr int kIdSessionsHeading = 546;
inline constexpr int kIdNetEnable = 432;
inline constexpr int kIdNetAsk = 433;
inline constexpr int kIdPluginsHeading = 547;
inline constexpr int kIdInstallPlugins = 471;
inline constexpr int kIdGinaHeading = 548;
inline constexpr int kIdGinaEnable = 435;

// Add reader dialog.
inline constexpr int kIdReaderNameLabel = 315;
inline constexpr int kIdReaderName = 401;

// Texts.
inline constexpr int kTextAdministrationTitle = 1003;
inline constexpr int kTextSettings = 1014;
inline constexpr int kTextAdd = 1002;
inline constexpr int kTextOkButton = 1100;
inline constexpr int kTextCancelButton = 1101;
inline constexpr int kTextApplyButton = 1109;
inline constexpr int kTextTabView = 1300;
inline constexpr int kTextTabSmartCard = 1301;
inline constexpr int kTextTabComponents = 1302;
inline constexpr int kTextRecommended = 1550;
inline constexpr int kTextSeconds = 1551;
inline constexpr int kTextDisabled = 1552;
inline constexpr int kTextInfinite = 1553;
inline constexpr int kTextShared = 1554;
inline constexpr int kTextExclusive = 1555;
inline constexpr int kTextDescription = 1651;
inline constexpr int kTextAllReaders = 1685;
inline constexpr int kMessageNeedAdministrator = 2107;

}  // namespace orx
