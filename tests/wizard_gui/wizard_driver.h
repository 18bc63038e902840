// Drives the file operation wizard the way a user does: keys and clicks on the
// visible controls, nothing else. Pictures of the pages go to build/test-output.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>

#include "dialogs/window_registry.h"
#include "fileop/file_op_wizard.h"
#include "fileop/file_op_wizard_ids.h"
#include "support/gui/modal_driver.h"
#include "support/gui/window_grab.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"

namespace orx::testing {

class WizardDriver {
  public:
    explicit WizardDriver(QWidget* window) : window_(window) {}

    QWidget* window() const { return window_; }
    CFileOpWizard* wizard() const { return dynamic_cast<CFileOpWizard*>(FindDlg(window_)); }
    int page() const { return wizard() != nullptr ? wizard()->CurrentPage() : -1; }

    // The visible control with that id (the output page reuses the input page's ids).
    QWidget* item(int id) const {
        for (QWidget* child : window_->findChildren<QWidget*>()) {
            if (ItemId(child) == id && child->isVisibleTo(window_))
                return child;
        }
        return nullptr;
    }
    std::string text(int id) const {
        QWidget* control = item(id);
        if (auto* label = qobject_cast<QLabel*>(control))
            return ToUtf8(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            return ToUtf8(button->text());
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            return ToUtf8(edit->text());
        if (auto* combo = qobject_cast<QComboBox*>(control))
            return ToUtf8(combo->currentText());
        return {};
    }
    bool enabled(int id) const {
        QWidget* control = item(id);
        return control != nullptr && control->isEnabled();
    }

    QWidget* focus() const {
        QWidget* widget = window_->focusWidget();
        return widget != nullptr ? widget : window_;
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focus(), key, modifiers);
        QApplication::processEvents();
    }
    void type(const std::string& text) {
        QTest::keyClicks(focus(), ToQString(text));
        QApplication::processEvents();
    }
    void click(int id) {
        QWidget* control = item(id);
        if (control != nullptr)
            QTest::mouseClick(control, Qt::LeftButton);
        QApplication::processEvents();
    }
    // Tabs until the control has the focus; false when the Tab chain never reaches it.
    bool tabTo(int id) {
        for (int i = 0; i < 12; ++i) {
            if (ItemId(window_->focusWidget()) == id)
                return true;
            key(Qt::Key_Tab);
        }
        return ItemId(window_->focusWidget()) == id;
    }
    // Replaces the path in the visible edit box by typing.
    void typePath(const std::string& path) {
        if (!tabTo(kIdPathEdit))
            click(kIdPathEdit);
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_Delete);
        type(path);
    }
    void picture(const std::string& name) const {
        orx::ui_testing::SaveWindowPng(window_, orx::ui_testing::PictureFolder(), name);
    }

  private:
    QWidget* window_;
};

}  // namespace orx::testing
