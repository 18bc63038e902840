// The program's icons by resource id (resources/icons/, compiled in), and the
// product icons of the product identity.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace orx {

inline constexpr int kIconProgram = 110;
inline constexpr int kIconCertificate = 112;
inline constexpr int kIconSoftToken = 114;
inline constexpr int kIconCardSlot = 121;
inline constexpr int kIconComponent = 137;
inline constexpr int kIconValidSignature = 164;
inline constexpr int kIconDataEntry = 239;

inline constexpr int kSmallIconSize = 16;
inline constexpr int kLargeIconSize = 32;

// The icon drawn for that size (16 or 32); a null pixmap when the id has none.
QPixmap LoadIconPixmap(int iconId, int size);
// Both sizes; a null icon when the id has none.
QIcon LoadIcon(int iconId);

// The small (16 x 16) and large (32 x 32) product icons: an "Icon=" image named by
// the product description file (prefix + ".product") beside the program, then in
// the component folder; otherwise the program's own icon 110. Looked for anew on
// every call.
struct ProductIcons {
    QIcon small;
    QIcon large;
};
ProductIcons FindProductIcons();

// One of the product icons as the first call found them, kept until the process ends.
const QIcon& GetProductIcon(bool small);
// Both product icons in one, for a window's title bar and task bar entry.
QIcon GetProductIcons();

}  // namespace orx
