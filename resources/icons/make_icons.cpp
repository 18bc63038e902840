// Draws the program's icons as PNGs (16 x 16 and 32 x 32 of each id) into the
// folder given as the only argument. Every shape is drawn on a 32-unit grid and
// scaled, so both sizes show the same picture.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

void Program(QPainter& p) {  // 110: the product, a token with a key hole
    p.setPen(QPen(QColor(20, 50, 110), 1.5));
    p.setBrush(QColor(40, 90, 180));
    p.drawRoundedRect(QRectF(3, 3, 26, 26), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 13), 5.5, 5.5);
    p.drawRect(QRectF(13.5, 15, 5, 10));
    p.setBrush(QColor(40, 90, 180));
    p.drawEllipse(QPointF(16, 13), 2.2, 2.2);
}

// The page with its lines that both certificate icons show.
void CertificatePage(QPainter& p) {
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(QRectF(4, 3, 24, 26));
    p.setPen(QPen(QColor(120, 120, 140), 2));
    for (int y = 9; y <= 17; y += 4)
        p.drawLine(QPointF(8, y), QPointF(24, y));
}

void Certificate(QPainter& p) {  // 112: a page with lines and a seal
    CertificatePage(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(QPointF(21, 23), 4.5, 4.5);
}

void CertificateWithKey(QPainter& p) {  // 113: the page with a key in the seal's place
    CertificatePage(p);
    p.setPen(QPen(QColor(110, 80, 10), 1.5));
    p.setBrush(QColor(230, 180, 40));
    QPainterPath key;
    key.addEllipse(QPointF(13, 24), 4.5, 4.5);
    key.addRect(QRectF(17, 22.5, 13, 3));
    key.addRect(QRectF(24, 25.5, 2, 3));
    key.addRect(QRectF(27.5, 25.5, 2, 2.5));
    p.drawPath(key.simplified());
    p.setBrush(QColor(250, 250, 240));
    p.drawEllipse(QPointF(12, 24), 1.6, 1.6);
}

void SoftToken(QPainter& p) {  // 114: a file with a key
    p.setPen(QPen(QColor(120, 90, 20), 1.5));
    p.setBrush(QColor(250, 215, 110));
    QPainterPath page;
    page.moveTo(6, 3);
    page.lineTo(20, 3);
    page.lineTo(26, 9);
    page.lineTo(26, 29);
    page.lineTo(6, 29);
    page.closeSubpath();
    p.drawPath(page);
    p.setPen(QPen(QColor(60, 60, 60), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 18), 3.5, 3.5);
    p.drawLine(QPointF(15.5, 18), QPointF(23, 18));
    p.drawLine(QPointF(21, 18), QPointF(21, 22));
}

void CardSlot(QPainter& p) {  // 121: a smart card with its chip
    p.setPen(QPen(QColor(20, 90, 50), 1.5));
    p.setBrush(QColor(60, 160, 90));
    p.drawRoundedRect(QRectF(2, 7, 28, 19), 3, 3);
    p.setPen(QPen(QColor(140, 110, 20), 1));
    p.setBrush(QColor(230, 190, 60));
    p.drawRoundedRect(QRectF(6, 12, 8, 7), 1.5, 1.5);
    p.setPen(QPen(Qt::white, 1.5));
    p.drawLine(QPointF(17, 21), QPointF(26, 21));
}

void Component(QPainter& p) {  // 137: a box
    p.setPen(QPen(QColor(60, 60, 70), 1.5));
    p.setBrush(QColor(170, 175, 190));
    QPolygonF front{QPointF(4, 11), QPointF(18, 11), QPointF(18, 28), QPointF(4, 28)};
    QPolygonF top{QPointF(4, 11), QPointF(12, 4), QPointF(27, 4), QPointF(18, 11)};
    QPolygonF side{QPointF(18, 11), QPointF(27, 4), QPointF(27, 21), QPointF(18, 28)};
    p.drawPolygon(front);
    p.setBrush(QColor(210, 214, 225));
    p.drawPolygon(top);
    p.setBrush(QColor(130, 135, 150));
    p.drawPolygon(side);
}

void ValidSignature(QPainter& p) {  // 164: a green tick
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 150, 60));
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{QPointF(9, 16.5), QPointF(14, 21.5), QPointF(23, 11)});
}

void DataEntry(QPainter& p) {  // 239: a small table
    p.setPen(QPen(QColor(50, 70, 120), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 5, 26, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 110, 190));
    p.drawRect(QRectF(3.75, 5.75, 24.5, 5));
    p.setPen(QPen(QColor(50, 70, 120), 1.2));
    p.drawLine(QPointF(12, 11), QPointF(12, 27));
    for (int y = 16; y <= 22; y += 5)
        p.drawLine(QPointF(3, y), QPointF(29, y));
}

bool Save(const QString& folder, int id, const Draw& draw) {
    for (int size : {16, 32}) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        draw(painter);
        painter.end();
        const QString path = QStringLiteral("%1/%2_%3.png").arg(folder).arg(id).arg(size);
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool ok = Save(folder, 110, Program) && Save(folder, 112, Certificate) &&
                    Save(folder, 113, CertificateWithKey) && Save(folder, 114, SoftToken) &&
                    Save(folder, 121, CardSlot) && Save(folder, 137, Component) &&
                    Save(folder, 164, ValidSignature) && Save(folder, 239, DataEntry);
    return ok ? 0 : 1;
}
