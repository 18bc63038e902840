// The program's icons by resource id (resources/icons/, compiled in), the icons of
// message boxes, and the product icons of the product identity. Icons are scalable
// where the SVG support is installed, so that they stay sharp at any scale.
#pragma once

#include <QIcon>
#include <QPixmap>

class QWidget;

namespace orx {

inline constexpr int kIconProgram = 110;
inline constexpr int kIconCertificate = 112;
inline constexpr int kIconCertificateWithKey = 113;
inline constexpr int kIconSoftToken = 114;
inline constexpr int kIconCardSlot = 121;
inline constexpr int kIconComponent = 137;
inline constexpr int kIconValidSignature = 164;
inline constexpr int kIconDataEntry = 239;

inline constexpr int kSmallIconSize = 16;
inline constexpr int kLargeIconSize = 32;

// The icon drawn for that size (16 or 32); a null pixmap when the id has none.
QPixmap LoadIconPixmap(int iconId, int size);
// The scalable picture, with the drawn 16 and 32 pixel ones for exactly those
// sizes; both drawn sizes alone without SVG support. A null icon when the id has none.
QIcon LoadIcon(int iconId);
// A pixmap of `size` x `size` logical pixels for `widget`, made at the widget's
// device pixel ratio (the application's when the widget is not on a screen yet).
QPixmap IconPixmap(const QIcon& icon, int size, const QWidget* widget);

enum class MessageIconKind { Information, Question, Warning, Error };
// "dialog-information", "dialog-question", "dialog-warning", "dialog-error" of the
// desktop's icon theme when the theme offers it scalable or at 64 pixels at least
// (so that nothing is blown up at 200 %), otherwise the program's own picture.
QIcon LoadMessageIcon(MessageIconKind kind);
// Whether the icon can give `size` x `size` at twice the scale without blowing up a
// smaller picture: it is scalable or has a picture of at least 2 * size pixels.
bool IsSharpAtDoubleScale(const QIcon& icon, int size);

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
