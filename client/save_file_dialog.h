// Asking where to save a file: Qt's own (non-native) file dialog, so that it looks
// and behaves the same on every desktop and tests can drive it. Tests may answer
// in its place.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

namespace orx {

// The chosen path, or an empty string when the user cancelled.
QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggestedPath,
                        const QString& filter);

namespace save_dialog_testing {
// Answers every question with the function's result instead of showing the dialog
// (an empty function shows it again). The function gets the suggested path.
using Answer = std::function<QString(const QString& suggestedPath)>;
void SetAnswer(Answer answer);
}  // namespace save_dialog_testing

}  // namespace orx
