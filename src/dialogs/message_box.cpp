#include "dialogs/message_box.h"

#include <QMessageBox>
#include <string>

#include "core/config_file.h"
#include "core/language.h"
#include "core/trace.h"
#include "dialogs/account_seam.h"
#include "dialogs/message_box_seam.h"
#include "dialogs/message_dialog.h"
#include "dialogs/message_text.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

std::string ReadLink(const char* key) {
    std::string value;
    if (ConfigReadString("Links", key, value, kLinkCapacity) != kConfigOk)
        return {};
    return value;
}

// The plain caption beside an owner window; the title form when the box stands alone.
std::string Caption(QWidget* owner, int stringId) {
    return owner != nullptr ? GetText(stringId) : GetTitleText(stringId);
}

// The desktop's own box, when the program's cannot be made: a message is never lost.
int ShowPlatformMessage(QWidget* owner, const std::string& text, const std::string& caption,
                        int style) {
    QMessageBox box(owner);
    box.setWindowTitle(ToQString(caption));
    box.setText(ToQString(text));
    box.setIconPixmap(IconPixmap(LoadMessageIcon(MessageIconKindFor(style)), kLargeIconSize, &box));
    if (IsQuestionStyle(style)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return kAnswerOk;
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        default:
            return kAnswerClosed;
    }
}

}  // namespace

std::string HelpLinkFor(int style) {
    switch (MessageIcon(style)) {
        case kMbIconInformation: {
            std::string link = ReadLink("Help");
            return link.empty() ? ReadLink("Support") : link;
        }
        case kMbIconExclamation:
        case kMbIconStop:
            return ReadLink("Error");
        default:
            return {};
    }
}

std::string FormatWithInsert(std::string_view format, std::string_view insert) {
    std::string out;
    bool inserted = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                out.push_back('%');
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && !inserted) {
                out.append(insert);
                inserted = true;
                ++i;
                continue;
            }
        }
        out.push_back(format[i]);
    }
    return out;
}

int ShowMessage(QWidget* owner, std::string_view text, std::string_view caption, int style,
                bool link) {
    std::string helpLink;
    if (link && !RunsUnderSystemAccount())
        helpLink = HelpLinkFor(style);
    const std::string shown = PrepareMessageText(text, helpLink);
    const std::string title(caption);

    Trace("MessageBox - '%s'", title.c_str());
    Trace("MessageBox - '%s'", shown.c_str());

    int result = -1;
    if (const MessageHook& hook = MessageBoxOverride()) {
        MessageRecord record;
        record.owner = owner;
        record.caption = title;
        record.text = shown;
        record.style = style;
        record.link = ExtractLink(shown);
        result = hook(record);
    } else {
        MessageDialog dialog(owner, title, shown, style);
        result = dialog.DoModal();
        if (result == -1)
            result = ShowPlatformMessage(owner, shown, title, style);
    }
    if (owner != nullptr)
        owner->update();
    if (result == -1)
        result = kAnswerClosed;
    Trace("MessageBox - Return %d", result);
    return result;
}

int ShowError(QWidget* owner, int stringId) {
    return ShowMessage(owner, GetText(stringId), Caption(owner, kTextError),
                       kMbIconExclamation | kMbOk, true);
}

int AskQuestion(QWidget* owner, int stringId, std::string_view insert) {
    return ShowMessage(owner, FormatWithInsert(GetText(stringId), insert),
                       Caption(owner, kTextQuestion), kMbIconQuestion | kMbYesNo, false);
}

int ShowInformation(QWidget* owner, int stringId) {
    return ShowMessage(owner, GetText(stringId), Caption(owner, kTextMessage),
                       kMbIconInformation | kMbOk, stringId >= 2300 && stringId <= 2399);
}

MessageHook& MessageBoxOverride() {
    static MessageHook hook;
    return hook;
}

}  // namespace orx
