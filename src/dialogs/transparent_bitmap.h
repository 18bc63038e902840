// Bitmaps drawn with one key colour left out, so that the background shows through
// (the wizard's page pictures).
#pragma once

#include <QBitmap>
#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QRect>

namespace orx {

// The mask of the key colour: the pixels of that colour are the ones left out.
QBitmap MakeKeyColorMask(const QPixmap& bitmap, const QColor& key);
// Paints the bitmap into target (scaled when sizes differ), leaving the masked
// pixels alone; the target is filled with `background` first when one is given.
void PaintTransparentBitmap(QPainter& painter, const QRect& target, const QPixmap& bitmap,
                            const QBitmap& mask, const QBrush* background = nullptr);

}  // namespace orx
