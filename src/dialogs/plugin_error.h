// Token plug-in results (PKCS#11 return values) as messages to the user.
#pragma once

#include <QWidget>

namespace orx {

// The error text id for a plug-in result code; 2000 for codes without their own.
int PluginErrorTextId(int code);
// Shows that error (ShowError) and returns the box's answer.
int MapPluginError(QWidget* owner, int code);

}  // namespace orx
