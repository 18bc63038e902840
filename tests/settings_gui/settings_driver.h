// Drives the settings sheet the way a user does: keys and clicks on the visible
// controls of the page that is shown. Pictures go to build/test-output.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <string>
#include <vector>

#include "dialogs/window_registry.h"
#include "settings/settings_ids.h"
#include "settings/settings_page.h"
#include "settings/settings_sheet.h"
#include "support/gui/window_grab.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"

namespace orx::testing {

class SheetDriver {
  public:
    explicit SheetDriver(QWidget* window) : window_(window) {}

    QWidget* window() const { return window_; }
    CSettingsSheet* sheet() const { return dynamic_cast<CSettingsSheet*>(FindDlg(window_)); }
    QTabWidget* tabs() const { return FindItemAs<QTabWidget>(window_, kIdSheetTabs); }
    int page() const { return tabs() != nullptr ? tabs()->currentIndex() : -1; }
    QWidget* pageWindow() const { return tabs() != nullptr ? tabs()->currentWidget() : nullptr; }

    // A control of the page that is shown, or of the sheet itself (its buttons).
    QWidget* item(int id) const {
        if (QWidget* shown = pageWindow()) {
            if (QWidget* control = FindItem(shown, id))
                return control;
        }
        QWidget* control = FindItem(window_, id);
        return control != nullptr && control->parentWidget() == window_ ? control : nullptr;
    }
    template <typename T>
    T* itemAs(int id) const {
        return qobject_cast<T*>(item(id));
    }
    bool enabled(int id) const {
        QWidget* control = item(id);
        return control != nullptr && control->isEnabled();
    }
    bool checked(int id) const {
        auto* box = itemAs<QAbstractButton>(id);
        return box != nullptr && box->isChecked();
    }
    std::string text(int id) const {
        QWidget* control = item(id);
        if (auto* label = qobject_cast<QLabel*>(control))
            return ToUtf8(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            return ToUtf8(button->text());
        if (auto* combo = qobject_cast<QComboBox*>(control))
            return ToUtf8(combo->currentText());
        return {};
    }
    std::vector<std::string> listTexts(int id) const {
        std::vector<std::string> texts;
        if (auto* list = itemAs<QListWidget>(id)) {
            for (int i = 0; i < list->count(); ++i)
                texts.push_back(ToUtf8(list->item(i)->text()));
        }
        return texts;
    }

    QWidget* focus() const {
        QWidget* widget = QApplication::focusWidget();
        return widget != nullptr && widget->window() == window_ ? widget : window_;
    }
    int focusId() const { return ItemId(QApplication::focusWidget()); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focus(), key, modifiers);
        QApplication::processEvents();
    }
    void click(int id) {
        if (QWidget* control = item(id))
            QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
        QApplication::processEvents();
    }
    // The next page with Ctrl+Tab, until `index` is shown.
    bool showPage(int index) {
        for (int i = 0; i < 4 && page() != index; ++i) {
            tabs()->tabBar()->setFocus(Qt::TabFocusReason);
            key(Qt::Key_Tab, Qt::ControlModifier);
        }
        return page() == index;
    }
    // Tabs until the control has the focus; false when the Tab chain never reaches it.
    bool tabTo(int id) {
        for (int i = 0; i < 30; ++i) {
            if (focusId() == id)
                return true;
            key(Qt::Key_Tab);
        }
        return focusId() == id;
    }
    // Picks the entry with that item data with the arrow keys, as a user does.
    bool choose(int comboId, int data) {
        auto* combo = itemAs<QComboBox>(comboId);
        if (combo == nullptr || !tabTo(comboId))
            return false;
        const int wanted = combo->findData(data);
        if (wanted < 0)
            return false;
        for (int i = 0; i < combo->count() && combo->currentIndex() != wanted; ++i)
            key(combo->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
        return combo->currentIndex() == wanted;
    }
    // Space on a check box: the keyboard's click.
    void toggle(int id) {
        if (tabTo(id))
            key(Qt::Key_Space);
    }
    void picture(const std::string& name) const {
        QApplication::processEvents();
        orx::ui_testing::SavePicture(window_, name);
    }

  private:
    QWidget* window_;
};

}  // namespace orx::testing
