#include "admin_fixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "core/base64.h"
#include "support/gui/modal_driver.h"
#include "ui/commands.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx::testing {

CAdminView* RecordingFrame::CreateView(QWidget* parent) {
    return new RecordingView(App(), Settings(), parent);
}

RecordingFrame& AdminWindowTest::Open(bool firstPoll) {
    LoadSettings(settings_);
    if (!app_.IsInitialized())
        app_.StartPlugin();
    frame_ = std::make_unique<RecordingFrame>(app_, settings_);
    EXPECT_TRUE(frame_->Create());
    frame_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
    if (firstPoll)
        frame_->List()->OnTimer(kFirstPollTimer);
    return *frame_;
}

std::vector<std::string> AdminWindowTest::Calls(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : fake_.Calls()) {
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    }
    return found;
}

void AdminWindowTest::AnswerList(std::string_view name, const std::vector<std::string>& entries) {
    for (size_t i = 0; i < entries.size(); ++i)
        fake_.AnswerEnum(name, static_cast<int>(i), entries[i]);
}

std::vector<std::string> ContentColumn(const CAdminView* view, int column) {
    std::vector<std::string> cells;
    COwnerDrawList* list = view->ContentList();
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        cells.push_back(ToUtf8(list->topLevelItem(row)->text(column)));
    return cells;
}

int WriteDataBox(TokenApplication& app, int32_t slot, bool privateBox, const std::string& blob) {
    app.SetActiveSlot(slot);
    app.SetProperty("CKA_CLASS", "0x00000000");
    app.SetProperty("CKA_TOKEN", "0x01");
    app.SetProperty("CKA_LABEL", "");
    app.SetProperty("CKA_PRIVATE", privateBox ? "0x01" : "0x00");
    app.SetProperty("CKA_APPLICATION", "Orvex");
    app.SetProperty("CKA_VALUE", Base64Encode(blob).c_str());
    return app.Invoke("UpdateObject");
}

std::string DataBoxBlob(const std::vector<std::pair<std::string, std::string>>& entries,
                        size_t size) {
    std::string blob(1, '\0');
    for (const auto& [description, value] : entries) {
        blob.push_back('\0');
        blob.append(description).push_back('\0');
        blob.append(value).push_back('\0');
    }
    if (blob.size() < size)
        blob.resize(size, '\0');
    return blob;
}

bool MakePath(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path);
}

bool WaitForLines(const std::string& path, size_t lines) {
    return orx::ui_testing::WaitFor(
        [&]() {
            const std::string text = ReadFile(path);
            return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines;
        },
        5000);
}

std::vector<std::string> MenuTexts(QMenu* menu) {
    std::vector<std::string> texts;
    if (menu == nullptr)
        return texts;
    for (QAction* action : menu->actions())
        texts.push_back(action->isSeparator() ? std::string("-") : ToUtf8(action->text()));
    return texts;
}

std::vector<int> MenuCommands(QMenu* menu) {
    std::vector<int> commands;
    if (menu == nullptr)
        return commands;
    for (QAction* action : menu->actions())
        commands.push_back(CommandId(action));
    return commands;
}

std::vector<std::string> WithPopup(const std::function<void()>& open, int choose) {
    std::vector<std::string> texts;
    bool seen = false;
    // Reads the popup and takes the item asked for, or closes it.
    auto handle = [&](QMenu* popup) {
        seen = true;
        QAction* chosen = nullptr;
        for (QAction* action : popup->actions()) {
            texts.push_back(action->isSeparator() ? std::string("-") : ToUtf8(action->text()));
            if (QMenu* sub = action->menu()) {
                for (const std::string& text : MenuTexts(sub))
                    texts.push_back("> " + text);
            }
            if (choose != 0 && CommandId(action) == choose)
                chosen = action;
        }
        if (chosen != nullptr) {
            popup->setActiveAction(chosen);
            QTest::keyClick(popup, Qt::Key_Return);
        } else {
            popup->close();
        }
    };
    QDeadlineTimer deadline(3000);
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&]() {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popup != nullptr && !seen) {
            handle(popup);
        } else if (popup == nullptr && deadline.hasExpired()) {
            watcher.stop();
        }
    });
    watcher.start();
    open();
    watcher.stop();
    // A popup that does not wait for its choice (a menu bar's) is still open here.
    if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget()); popup && !seen)
        handle(popup);
    return texts;
}

}  // namespace orx::testing
