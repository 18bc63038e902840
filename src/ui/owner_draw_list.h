// The report list that the program draws itself, one whole row at a time: a
// selected row is highlighted across all its columns, texts too long for their
// column end in "...", and the small icon of a row stands left of column 0,
// outside the highlight. Files dropped on the list go to its parent window.
#pragma once

#include <QIcon>
#include <QList>
#include <QTreeWidget>

class QFontMetrics;
class QPainter;

namespace orx {

class COwnerDrawList : public QTreeWidget {
    Q_OBJECT
  public:
    // What the list reads of an item's or a cell's text, as its fixed buffer held it.
    static constexpr int kTextCapacity = 260;
    static constexpr int kIconSize = 16;

    explicit COwnerDrawList(QWidget* parent = nullptr);

    // Puts a list in the place of a dialog's placeholder control: same rectangle (or
    // place in a layout), same control id, on top of its siblings. The placeholder is
    // destroyed. nullptr when there is no placeholder.
    static COwnerDrawList* ReplaceControl(QWidget* placeholder, QWidget* parent, int id);

    struct DrawRequest {
        QPainter* painter = nullptr;
        int row = -1;
        QRect rect;  // the row across the viewport
    };
    virtual void DrawItem(const DrawRequest& request) const;

    // The text itself when it fits into width with the margin, otherwise as much of
    // its start as fits followed by "..." (at least its first character).
    static QString FitText(const QFontMetrics& metrics, const QString& text, int width, int margin);

    // The small image list; rows name their icon by index. An empty list is none.
    void SetImageList(const QList<QIcon>& icons);
    bool HasImageList() const { return !images_.isEmpty(); }
    // Keeps the selection visible while the list does not have the focus.
    void SetShowSelectionAlways(bool show);
    bool ShowSelectionAlways() const { return showSelectionAlways_; }

    // Report-list style building: a column with its text, alignment and width, and
    // rows with their column-0 text and image index. Both return the new index.
    int InsertColumn(int column, const QString& text, Qt::Alignment format, int width);
    int InsertItem(int row, const QString& text, int image = -1);
    void SetItemText(int row, int column, const QString& text);
    int ItemImage(int row) const;
    Qt::Alignment ColumnFormat(int column) const;

  protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    // Draws one text single-line, vertically centred, unclipped.
    virtual void DrawCellText(QPainter* painter, const QRect& rect, const QString& text,
                              Qt::Alignment alignment) const;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QList<QIcon> images_;
    bool showSelectionAlways_ = false;
};

}  // namespace orx
