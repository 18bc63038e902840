#include "ui/item_registry.h"

#include <QVariant>

namespace orx {

namespace {
constexpr const char* kItemIdProperty = "orxItemId";
}

void RegisterItem(QWidget* control, int id) {
    if (control == nullptr)
        return;
    control->setProperty(kItemIdProperty, id);
    control->setObjectName(QStringLiteral("item%1").arg(id));
}

int ItemId(const QWidget* control) {
    if (control == nullptr)
        return kNoItemId;
    bool ok = false;
    const int id = control->property(kItemIdProperty).toInt(&ok);
    return ok ? id : kNoItemId;
}

QWidget* FindItem(const QWidget* form, int id) {
    if (form == nullptr)
        return nullptr;
    // The object name narrows the search; the property decides, so that a widget
    // that merely happens to carry such a name is not taken for a control.
    const auto found =
        form->findChildren<QWidget*>(QStringLiteral("item%1").arg(id), Qt::FindChildrenRecursively);
    for (QWidget* widget : found) {
        if (ItemId(widget) == id)
            return widget;
    }
    return nullptr;
}

}  // namespace orx
