#include "dialogs/transparent_bitmap.h"

namespace orx {

QBitmap MakeKeyColorMask(const QPixmap& bitmap, const QColor& key) {
    return bitmap.createMaskFromColor(key, Qt::MaskInColor);
}

void PaintTransparentBitmap(QPainter& painter, const QRect& target, const QPixmap& bitmap,
                            const QBitmap& mask, const QBrush* background) {
    if (background != nullptr)
        painter.fillRect(target, *background);
    if (bitmap.isNull())
        return;
    // Qt keeps the opaque pixels in a mask; the key-colour mask says the opposite.
    QImage opaque = mask.toImage().convertToFormat(QImage::Format_Mono);
    opaque.invertPixels();
    QPixmap shown = bitmap;
    shown.setMask(QBitmap::fromImage(opaque));
    painter.drawPixmap(target, shown);
}

}  // namespace orx
