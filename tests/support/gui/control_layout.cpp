#include "support/gui/control_layout.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

#include "ui/item_registry.h"

namespace orx::ui_testing {

std::string DescribeControl(QWidget* control) {
    return std::to_string(ItemId(control)) + " " + control->metaObject()->className();
}

std::vector<QWidget*> ExpectControlsWhole(QWidget* window, const std::string& where) {
    QApplication::processEvents();
    std::vector<QWidget*> shown;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (ItemId(control) == kNoItemId || !control->isVisible())
            continue;
        shown.push_back(control);
        const std::string name = where + " " + DescribeControl(control);
        EXPECT_TRUE(window->rect().contains(control->geometry())) << name;
        if (qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control)) {
            EXPECT_GE(control->width(), control->sizeHint().width()) << name;
            EXPECT_GE(control->height(), control->sizeHint().height()) << name;
        }
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        for (size_t j = i + 1; j < shown.size(); ++j) {
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << where << " " << DescribeControl(shown[i]) << " over "
                << DescribeControl(shown[j]);
        }
    }
    return shown;
}

}  // namespace orx::ui_testing
