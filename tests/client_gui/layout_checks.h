// What a person would see wrong in a window: a label or button cut off, or a
// control outside the window (or, inside a scrolling page, wider than the page).
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

namespace orx::testing {

inline void ExpectFits(QWidget* widget) {
    const QRect g = widget->geometry();
    const QString text = qobject_cast<QLabel*>(widget) ? qobject_cast<QLabel*>(widget)->text()
                         : qobject_cast<QAbstractButton*>(widget)
                             ? qobject_cast<QAbstractButton*>(widget)->text()
                             : QString();
    auto* label = qobject_cast<QLabel*>(widget);
    if (label != nullptr && label->wordWrap()) {
        EXPECT_GE(g.height(), label->heightForWidth(g.width()))
            << "wrapped label cut: " << text.toStdString();
        return;
    }
    EXPECT_GE(g.width(), widget->sizeHint().width()) << "cut: " << text.toStdString();
    EXPECT_GE(g.height(), widget->sizeHint().height()) << "cut: " << text.toStdString();
}

// The window must be shown and laid out.
inline void ExpectSoundLayout(QWidget* window) {
    // As a person sees it: after the pending layout requests.
    QApplication::processEvents();
    const QRect client = window->rect();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        QWidget* holder = w->parentWidget();
        QScrollArea* scroll = nullptr;
        for (QWidget* p = holder; p != nullptr && p != window; p = p->parentWidget()) {
            if ((scroll = qobject_cast<QScrollArea*>(p)) != nullptr)
                break;
        }
        if (scroll != nullptr && scroll->widget() != nullptr && scroll->widget() != w) {
            QWidget* page = scroll->widget();
            if (page->isAncestorOf(w)) {
                const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
                EXPECT_TRUE(page->rect().contains(r)) << w->metaObject()->className();
            }
        } else if (scroll == nullptr) {
            const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
            EXPECT_TRUE(client.contains(r)) << w->metaObject()->className() << " leaves the window";
        }
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w))
            ExpectFits(w);
    }
    for (QScrollArea* scroll : window->findChildren<QScrollArea*>()) {
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << "page wider than the window";
    }
}

}  // namespace orx::testing
