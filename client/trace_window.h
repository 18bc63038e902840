// The trace log window of "-viewnodelete": the file read-only, followed as the
// program appends to it, with a find bar (Ctrl+F, F3 and Shift+F3). The file is
// never changed or deleted here.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace orx {

enum TraceItem : int {
    kItemTraceText = 1301,
    kItemFindLabel = 1302,
    kItemFindEdit = 1303,
    kItemFindNext = 1304,
    kItemFindStatus = 1305,
};

class TraceWindow : public QDialog {
    Q_OBJECT
  public:
    // How often the file is looked at for new lines.
    static constexpr int kFollowIntervalMs = 500;

    explicit TraceWindow(std::string path, QWidget* parent = nullptr);

    // False when the file cannot be read (the window then says so).
    bool Load();
    // Appends what was written since the last look; reloads a file that shrank.
    void Follow();
    // Searches the find bar's text from the cursor, wrapping around; false when
    // the text is nowhere in the file.
    bool FindNext(bool backwards = false);
    void OpenFindBar();

    QPlainTextEdit* TextView() const { return text_; }
    QLineEdit* FindEdit() const { return findEdit_; }

  private:
    void ShowStatus(const QString& text);

    std::string path_;
    long long offset_ = 0;  // bytes shown so far (whole lines only)
    QPlainTextEdit* text_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    QLabel* findStatus_ = nullptr;
    QTimer* follow_ = nullptr;
};

}  // namespace orx
