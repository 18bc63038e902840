// The command ids of the administration window (menu 110, accelerator table 110,
// the context menus) and the positions of the menus that are addressed by position.
#pragma once

namespace orx {

inline constexpr int kCmdRefresh = 9;     // F5
inline constexpr int kCmdAdd = 30070;     // Insert: add on the current tab
inline constexpr int kCmdDelete = 30071;  // Delete: delete on the current tab
inline constexpr int kCmdCertificateView = 30072;
inline constexpr int kCmdCertificateAdd = 30073;
inline constexpr int kCmdCertificateDelete = 30074;
inline constexpr int kCmdSoftTokenNew = 30075;
inline constexpr int kCmdSoftTokenAdd = 30076;
inline constexpr int kCmdSoftTokenDelete = 30077;
inline constexpr int kCmdHelp = 30078;
inline constexpr int kCmdSettings = 30079;
inline constexpr int kCmdCopy = 30080;
inline constexpr int kCmdSoftwareUpdate = 30081;
inline constexpr int kCmdTraceToggle = 30082;
inline constexpr int kCmdTraceOpen = 30084;
inline constexpr int kCmdTraceMail = 30085;
inline constexpr int kCmdSupport = 30086;
inline constexpr int kCmdPrivateDelete = 30088;
inline constexpr int kCmdPrivateEdit = 30089;
inline constexpr int kCmdPublicAdd = 30091;
inline constexpr int kCmdPublicEdit = 30092;
inline constexpr int kCmdPublicDelete = 30093;
inline constexpr int kCmdPrivateAdd = 30094;
inline constexpr int kCmdDirectorySearch = 32795;
inline constexpr int kCmdAbout = 32796;
inline constexpr int kCmdExit = 32797;
inline constexpr int kCmdSoftTokenExport = 32798;
inline constexpr int kCmdCertificateExport = 32799;
// + slot id: the password commands of the Action menu's first two submenus.
inline constexpr int kCmdChangePassword = 31000;
inline constexpr int kCmdUnlockPassword = 31500;
inline constexpr int kCmdPasswordEnd = 32000;
// The commands the frame passes on to the token view unless it handles them.
inline constexpr int kFirstViewCommand = 30000;
inline constexpr int kLastViewCommand = 32999;

// Top-level menus of the menu bar.
inline constexpr int kMenuFile = 0;
inline constexpr int kMenuAction = 1;
inline constexpr int kMenuHelp = 2;
// Positions in the Action menu.
inline constexpr int kActionChangePassword = 0;
inline constexpr int kActionUnlockPassword = 1;
inline constexpr int kActionSoftTokens = 2;
inline constexpr int kActionDirectories = 3;
inline constexpr int kActionCertificates = 5;
inline constexpr int kActionPublicBox = 6;
inline constexpr int kActionPrivateBox = 7;
inline constexpr int kActionTrace = 9;

}  // namespace orx
