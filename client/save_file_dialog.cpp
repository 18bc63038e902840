#include "client/save_file_dialog.h"

#include <QFileDialog>

namespace orx {
namespace {

save_dialog_testing::Answer& TestAnswer() {
    static save_dialog_testing::Answer answer;
    return answer;
}

}  // namespace

QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggestedPath,
                        const QString& filter) {
    if (TestAnswer())
        return TestAnswer()(suggestedPath);
    return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

namespace save_dialog_testing {
void SetAnswer(Answer answer) {
    TestAnswer() = std::move(answer);
}
}  // namespace save_dialog_testing

}  // namespace orx
