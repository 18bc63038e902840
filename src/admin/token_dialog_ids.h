// Numbers of the token view's two dialogs, the name of a new soft token (238) and
// the Data Properties of a data box entry (218): templates, controls and texts.
#pragma once

namespace orx {

inline constexpr int kTemplateDataProperties = 218;
inline constexpr int kTemplateTokenName = 238;

// Dialog 238.
inline constexpr int kIdTokenNameEdit = 391;
// Dialog 218; these and the labels are the program's own numbers.
inline constexpr int kIdDataDescriptionEdit = 0x7E31;
inline constexpr int kIdDataValueEdit = 0x7E32;
inline constexpr int kIdDescriptionLabel = 0x7E33;
inline constexpr int kIdValueLabel = 0x7E34;

// Each field of dialog 218 takes up to this many characters.
inline constexpr int kDataFieldLength = 255;
// A soft token's label keeps 64 bytes; the name dialog takes no more characters.
inline constexpr int kTokenNameLength = 64;

inline constexpr int kTextAdd = 1002;
inline constexpr int kTextEdit = 1037;
inline constexpr int kTextOkButton = 1100;
inline constexpr int kTextCancelButton = 1101;
inline constexpr int kTextHelpButton = 1102;
inline constexpr int kTextDescription = 1651;
inline constexpr int kTextValue = 1652;

}  // namespace orx
