// Controls by number: a dialog template registers each control under its control
// id, and the code that drives the dialog finds it again by that id. The numbers
// are how the program and its tests address controls.
#pragma once

#include <QWidget>

namespace orx {

inline constexpr int kNoItemId = -1;

// Marks `control` as the item `id` of whatever form it lives in.
void RegisterItem(QWidget* control, int id);
// The id a control was registered with, kNoItemId for others.
int ItemId(const QWidget* control);
// The first control inside `form` registered as `id` (depth first); nullptr when none.
QWidget* FindItem(const QWidget* form, int id);

template <typename T>
T* FindItemAs(const QWidget* form, int id) {
    return qobject_cast<T*>(FindItem(form, id));
}

}  // namespace orx
