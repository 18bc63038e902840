// Token plug-in results (PKCS#11 return values) as messages to the user.
#pragma once

#include <QWidget>

namespace orx {

// The error text id for a plug-in result code; 2000 for codes without their own.
int PluginErrorTextId(int code);
// Shows that error (ShowError) and returns the box's answer.
int MapPluginError(QWidget* owner, int code);
// The outcome of a plug-in command: its error for a non-zero `result`, else the
// information `successId`. True when the command succeeded.
bool ShowPluginOutcome(QWidget* owner, int result, int successId);

}  // namespace orx
