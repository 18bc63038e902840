#include "ui/icons.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QString>
#include <QStyle>
#include <QWidget>
#include <fstream>
#include <optional>
#include <string>

#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "ui/qt_text.h"

// The compiled-in resources of a static library must be initialised by name, in the
// global namespace, or the linker leaves them out.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace orx {

namespace {

struct ProductIcons {
    QIcon small;
    QIcon large;
};

std::optional<ProductIcons>& CachedProductIcons() {
    static std::optional<ProductIcons> icons;
    return icons;
}

void EnsureResources() {
    static const bool done = (InitIconResources(), true);
    (void)done;
}

// The "Icon=" line of a product description file; a relative name is taken from
// the file's own folder.
std::string ProductIconPath(const std::string& folder) {
    std::ifstream in(folder + GetFilePrefix() + ".product");
    if (!in)
        return {};
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("Icon=", 0) != 0)
            continue;
        std::string value = line.substr(5);
        while (!value.empty() && value.back() == ' ')
            value.pop_back();
        if (value.empty())
            return {};
        return value.front() == '/' ? value : folder + value;
    }
    return {};
}

bool HasSvgSupport() {
    static const bool svg = [] {
        EnsureResources();
        const QIcon probe(QStringLiteral(":/icons/110.svg"));
        return !probe.pixmap(QSize(kLargeIconSize, kLargeIconSize), 1.0).isNull();
    }();
    return svg;
}

// The scalable picture of the id with the drawn pixmap of `exactSize` for exactly that
// size (an SVG icon keeps one drawn pixmap); null when the id has no picture.
QIcon ScalableIcon(int iconId, int exactSize) {
    EnsureResources();
    const QString svg = QStringLiteral(":/icons/%1.svg").arg(iconId);
    if (!HasSvgSupport() || !QFile::exists(svg))
        return {};
    QIcon icon(svg);
    const QPixmap drawn = LoadIconPixmap(iconId, exactSize);
    if (!drawn.isNull())
        icon.addPixmap(drawn);
    return icon;
}

QString ThemeName(MessageIconKind kind) {
    switch (kind) {
        case MessageIconKind::Question:
            return QStringLiteral("dialog-question");
        case MessageIconKind::Warning:
            return QStringLiteral("dialog-warning");
        case MessageIconKind::Error:
            return QStringLiteral("dialog-error");
        case MessageIconKind::Information:
            break;
    }
    return QStringLiteral("dialog-information");
}

QStyle::StandardPixmap StylePixmap(MessageIconKind kind) {
    switch (kind) {
        case MessageIconKind::Question:
            return QStyle::SP_MessageBoxQuestion;
        case MessageIconKind::Warning:
            return QStyle::SP_MessageBoxWarning;
        case MessageIconKind::Error:
            return QStyle::SP_MessageBoxCritical;
        case MessageIconKind::Information:
            break;
    }
    return QStyle::SP_MessageBoxInformation;
}

}  // namespace

QPixmap LoadIconPixmap(int iconId, int size) {
    EnsureResources();
    QPixmap pixmap(QStringLiteral(":/icons/%1_%2.png").arg(iconId).arg(size));
    if (pixmap.isNull())
        return pixmap;
    if (pixmap.width() != size)
        pixmap = pixmap.scaled(size, size);
    return pixmap;
}

QIcon LoadIcon(int iconId) {
    QIcon icon = ScalableIcon(iconId, kLargeIconSize);
    if (!icon.isNull())
        return icon;
    for (int size : {kSmallIconSize, kLargeIconSize}) {
        const QPixmap pixmap = LoadIconPixmap(iconId, size);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap IconPixmap(const QIcon& icon, int size, const QWidget* widget) {
    const qreal ratio = widget != nullptr ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
    return icon.pixmap(QSize(size, size), ratio);
}

QIcon LoadMessageIcon(MessageIconKind kind) {
    const QString name = ThemeName(kind);
    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull() && IsSharpAtDoubleScale(themed, kLargeIconSize))
        return themed;
    EnsureResources();
    const QString own = QStringLiteral(":/icons/%1.svg").arg(name);
    if (HasSvgSupport())
        return QIcon(own);
    return QApplication::style()->standardIcon(StylePixmap(kind));
}

bool IsSharpAtDoubleScale(const QIcon& icon, int size) {
    const QSize wanted(2 * size, 2 * size);
    return !icon.isNull() && icon.actualSize(wanted).width() >= wanted.width();
}

const QIcon& GetProductIcon(bool small) {
    std::optional<ProductIcons>& cached = CachedProductIcons();
    if (!cached) {
        InitProductIdentity();  // the prefix names the description file
        ProductIcons icons;
        for (const std::string& folder : {GetProgramFolder(), GetComponentFolder()}) {
            if (folder.empty())
                continue;
            const std::string path = ProductIconPath(folder);
            if (path.empty())
                continue;
            const QString file = ToQString(path);
            if (file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) && HasSvgSupport() &&
                QFile::exists(file)) {
                icons.small = icons.large = QIcon(file);
                break;
            }
            // Kept whole: a large picture gives the sharp icon at a high scale.
            const QImage image(file);
            if (image.isNull()) {
                Trace("Helper - Failed to load product icon '%s'", path.c_str());
                continue;
            }
            icons.small = icons.large = QIcon(QPixmap::fromImage(image));
            break;
        }
        for (bool small : {true, false}) {
            QIcon& icon = small ? icons.small : icons.large;
            const int size = small ? kSmallIconSize : kLargeIconSize;
            if (icon.isNull())
                icon = ScalableIcon(kIconProgram, size);
            if (icon.isNull())
                icon = QIcon(LoadIconPixmap(kIconProgram, size));
        }
        cached = std::move(icons);
    }
    return small ? cached->small : cached->large;
}

QIcon GetProductIcons() {
    const QIcon& large = GetProductIcon(false);
    if (IsSharpAtDoubleScale(large, kLargeIconSize))
        return large;
    QIcon both;
    for (bool small : {true, false}) {
        const QIcon& icon = GetProductIcon(small);
        const int size = small ? kSmallIconSize : kLargeIconSize;
        if (!icon.isNull())
            both.addPixmap(icon.pixmap(QSize(size, size), 1.0));
    }
    return both;
}

namespace icon_testing {
void ResetProductIcons() {
    CachedProductIcons().reset();
}
}  // namespace icon_testing

}  // namespace orx
