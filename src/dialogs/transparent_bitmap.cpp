#include "dialogs/transparent_bitmap.h"

namespace orx {

QBitmap MakeKeyColorMask(const QPixmap& bitmap, const QColor& key) {
    // Qt's masks mark what is drawn: the key colour is what stays clear.
    return bitmap.createMaskFromColor(key, Qt::MaskInColor);
}

void PaintTransparentBitmap(QPainter& painter, const QRect& target, const QPixmap& bitmap,
                            const QBitmap& mask, const QBrush* background) {
    if (background != nullptr)
        painter.fillRect(target, *background);
    if (bitmap.isNull())
        return;
    QPixmap shown = bitmap;
    shown.setMask(mask);
    painter.drawPixmap(target, shown);
}

}  // namespace orx
