#include "ui/owner_draw_list.h"

#include <QDropEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLayout>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>

#include "ui/item_registry.h"
#include "ui/system_colors.h"

namespace orx {

namespace {

constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kLabelMargin = 4;
constexpr int kLabelInset = 2;
constexpr int kCellMargin = 12;
constexpr int kCellInset = 6;
const QString kEllipsis = QStringLiteral("...");

QString Capped(const QString& text) {
    return text.left(COwnerDrawList::kTextCapacity - 1);
}

bool CarriesFiles(const QMimeData* data) {
    return data != nullptr && data->hasUrls();
}

}  // namespace

COwnerDrawList::COwnerDrawList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Cells follow one another in column order; a moved header section would not.
    header()->setSectionsMovable(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setIconSize(QSize(kIconSize, kIconSize));
    setColumnCount(0);
}

COwnerDrawList* COwnerDrawList::ReplaceControl(QWidget* placeholder, QWidget* parent, int id) {
    if (placeholder == nullptr)
        return nullptr;
    if (parent == nullptr)
        parent = placeholder->parentWidget();
    QRect rect = placeholder->geometry();
    if (placeholder->parentWidget() != nullptr && placeholder->parentWidget() != parent) {
        rect.moveTopLeft(placeholder->parentWidget()->mapTo(parent, rect.topLeft()));
    }
    auto* list = new COwnerDrawList(parent);
    list->setGeometry(rect);
    list->setFont(placeholder->font());
    list->setEnabled(placeholder->isEnabled());
    list->setSizePolicy(placeholder->sizePolicy());
    if (auto* view = qobject_cast<QAbstractItemView*>(placeholder))
        list->setSelectionMode(view->selectionMode());
    if (auto* other = qobject_cast<COwnerDrawList*>(placeholder))
        list->SetShowSelectionAlways(other->ShowSelectionAlways());
    RegisterItem(list, id);

    QLayout* layout = placeholder->parentWidget() == parent && parent->layout() != nullptr
                          ? parent->layout()
                          : nullptr;
    if (layout != nullptr) {
        QLayoutItem* replaced =
            layout->replaceWidget(placeholder, list, Qt::FindChildrenRecursively);
        delete replaced;
    }
    const bool shown = !placeholder->isHidden();
    delete placeholder;
    list->setVisible(shown);
    list->raise();
    return list;
}

QString COwnerDrawList::FitText(const QFontMetrics& metrics, const QString& text, int width,
                                int margin) {
    if (text.isEmpty() || metrics.horizontalAdvance(text) + margin <= width)
        return text;
    QString shortened = Capped(text);
    margin += metrics.horizontalAdvance(kEllipsis);
    qsizetype length = shortened.size();
    while (length > 1 && metrics.horizontalAdvance(shortened.left(length)) + margin > width) {
        --length;
        // Never keep half of a character outside the basic plane.
        if (length > 1 && shortened.at(length - 1).isHighSurrogate())
            --length;
    }
    if (length == 1 && shortened.at(0).isHighSurrogate() && shortened.size() > 1)
        length = 2;
    shortened.truncate(length);
    return shortened + kEllipsis;
}

void COwnerDrawList::SetImageList(const QList<QIcon>& icons) {
    images_ = icons;
    viewport()->update();
}

void COwnerDrawList::SetShowSelectionAlways(bool show) {
    showSelectionAlways_ = show;
    viewport()->update();
}

int COwnerDrawList::InsertColumn(int column, const QString& text, Qt::Alignment format, int width) {
    const int count = columnCount();
    column = std::clamp(column, 0, count);
    QTreeWidgetItem* headerItem = this->headerItem();
    // Columns after the new one move one place to the right.
    setColumnCount(count + 1);
    for (int c = count; c > column; --c) {
        headerItem->setText(c, headerItem->text(c - 1));
        headerItem->setTextAlignment(c, Qt::Alignment(headerItem->textAlignment(c - 1)));
        header()->resizeSection(c, header()->sectionSize(c - 1));
        for (int row = 0; row < topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = topLevelItem(row);
            item->setText(c, item->text(c - 1));
        }
    }
    for (int row = 0; row < topLevelItemCount(); ++row)
        topLevelItem(row)->setText(column, QString());
    headerItem->setText(column, text);
    headerItem->setTextAlignment(column, format | Qt::AlignVCenter);
    header()->resizeSection(column, width);
    return column;
}

int COwnerDrawList::InsertItem(int row, const QString& text, int image) {
    row = std::clamp(row, 0, topLevelItemCount());
    auto* item = new QTreeWidgetItem();
    item->setText(0, text);
    item->setData(0, kImageRole, image);
    insertTopLevelItem(row, item);
    return row;
}

void COwnerDrawList::SetItemText(int row, int column, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(column, text);
}

int COwnerDrawList::ItemImage(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr)
        return -1;
    const QVariant image = item->data(0, kImageRole);
    return image.isValid() ? image.toInt() : -1;
}

Qt::Alignment COwnerDrawList::ColumnFormat(int column) const {
    const Qt::Alignment alignment =
        Qt::Alignment(headerItem()->textAlignment(column)) & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignRight)
        return Qt::AlignRight;
    if (alignment & Qt::AlignHCenter)
        return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

void COwnerDrawList::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    if (index.parent().isValid())
        return;
    DrawItem({painter, index.row(), option.rect});
}

void COwnerDrawList::DrawCellText(QPainter* painter, const QRect& rect, const QString& text,
                                  Qt::Alignment alignment) const {
    painter->drawText(rect, alignment | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                      text);
}

void COwnerDrawList::DrawItem(const DrawRequest& request) const {
    QPainter* painter = request.painter;
    const QTreeWidgetItem* item = topLevelItem(request.row);
    if (painter == nullptr || item == nullptr)
        return;
    const bool focused = hasFocus();
    const bool selected = item->isSelected();
    const bool highlighted = selected && (focused || showSelectionAlways_);
    const QHeaderView* columns = header();
    const int columnCount = this->columnCount();

    // The row's bounds span every column, wherever the list is scrolled to.
    QRect bounds = request.rect;
    if (columnCount > 0) {
        const int left = columns->sectionViewportPosition(0);
        int width = 0;
        for (int c = 0; c < columnCount; ++c)
            width += columns->sectionSize(c);
        bounds.setLeft(left);
        bounds.setWidth(width);
    }
    QRect highlight = bounds;
    if (HasImageList())
        highlight.setLeft(highlight.left() + kIconSize);

    painter->save();
    const QFontMetrics metrics(painter->font());
    painter->fillRect(highlight, GetSysColor(highlighted ? SysColor::Highlight : SysColor::Base));
    painter->setPen(GetSysColor(highlighted ? SysColor::HighlightText : SysColor::Text));

    int cellRight = bounds.left();
    if (columnCount > 0) {
        cellRight = bounds.left() + columns->sectionSize(0);
        const QRect label(QPoint(highlight.left(), bounds.top()),
                          QPoint(cellRight - 1, bounds.bottom()));
        const QString text = FitText(metrics, Capped(item->text(0)), label.width(), kLabelMargin);
        DrawCellText(painter, label.adjusted(kLabelInset, 0, -kLabelInset, 0), text, Qt::AlignLeft);
    }

    if (HasImageList()) {
        const int image = ItemImage(request.row);
        if (image >= 0 && image < images_.size()) {
            const QRect icon(highlight.left() - (kIconSize - 1), highlight.top(), kIconSize,
                             kIconSize);
            images_.at(image).paint(painter, icon);
        }
    }

    for (int column = 1; column < columnCount; ++column) {
        const QRect cell(cellRight, bounds.top(), columns->sectionSize(column), bounds.height());
        cellRight = cell.left() + cell.width();
        const QString full = Capped(item->text(column));
        if (full.isEmpty())
            continue;
        const QString text = FitText(metrics, full, cell.width(), kCellMargin);
        // A shortened text starts at the left so that its beginning stays readable.
        const Qt::Alignment alignment = text == full ? ColumnFormat(column) : Qt::AlignLeft;
        DrawCellText(painter, cell.adjusted(kCellInset, 0, -kCellInset, 0), text, alignment);
    }

    if (focused && currentIndex().row() == request.row && !currentIndex().parent().isValid()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = highlight;
        focus.backgroundColor = GetSysColor(highlighted ? SysColor::Highlight : SysColor::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
    }
    painter->restore();
}

void COwnerDrawList::dragEnterEvent(QDragEnterEvent* event) {
    if (CarriesFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QTreeWidget::dragEnterEvent(event);
}

void COwnerDrawList::dragMoveEvent(QDragMoveEvent* event) {
    if (CarriesFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QTreeWidget::dragMoveEvent(event);
}

void COwnerDrawList::dropEvent(QDropEvent* event) {
    QWidget* parent = parentWidget();
    if (parent != nullptr && CarriesFiles(event->mimeData())) {
        // The parent decides what dropped files mean; it sees them where they fell.
        const QPointF where = viewport()->mapTo(parent, event->position().toPoint());
        QDropEvent forwarded(where, event->possibleActions(), event->mimeData(), event->buttons(),
                             event->modifiers());
        // Straight to the parent's handler: the application would deliver any drop
        // to the current drag target, which is this list.
        static_cast<QObject*>(parent)->event(&forwarded);
        if (forwarded.isAccepted()) {
            event->setDropAction(forwarded.dropAction());
            event->accept();
            return;
        }
    }
    QTreeWidget::dropEvent(event);
}

}  // namespace orx
