// Copy (Ctrl+C): what the view shows as text on the clipboard, certificates in
// PEM armour, and in the components view the configuration's "Components" values.
#include <QHeaderView>
#include <algorithm>

#include "admin/admin_view.h"
#include "admin/clipboard_text.h"
#include "admin/command_texts.h"
#include "core/config_file.h"
#include "core/text_encoding.h"
#include "core/trace.h"
#include "ui/clipboard.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr std::string_view kComponentsSection = "Components";
constexpr size_t kComponentKeyCapacity = 16;
constexpr size_t kComponentValueCapacity = 256;

// Every value of the section, the per-user file's keys first; a key that both
// files hold counts once, with the value that is in effect.
std::vector<std::string> ComponentValues() {
    std::vector<std::string> values;
    ConfigFile file;
    if (file.Open(false) != kConfigOk)
        return values;
    std::vector<std::string> seen;
    for (int index = 0; index < 2; ++index) {
        std::string key;
        for (int position = 0; file.EnumKeys(index, kComponentsSection, key, kComponentKeyCapacity,
                                             position) == kConfigOk;) {
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                continue;
            seen.push_back(key);
            std::string value;
            if (file.GetString(kComponentsSection, key, value, kComponentValueCapacity) ==
                kConfigOk)
                values.push_back(std::move(value));
        }
    }
    return values;
}

}  // namespace

void CAdminView::CopyToClipboard() {
    Trace("AdminView - Copy ...");
    ClipboardContent content;
    const bool shown = Mode() == kModeComponents || Mode() == kModeToken;
    if (shown) {
        content.headerLine1 = HeaderLine(1);
        content.headerLine2 = HeaderLine(2);
    }
    COwnerDrawList* list = ContentList();
    if (shown && list != nullptr) {
        const QHeaderView* header = list->header();
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            ClipboardRow line;
            for (int column = 0; column < list->columnCount(); ++column) {
                if (!header->isSectionHidden(column) && header->sectionSize(column) > 0)
                    line.cells.push_back(ToUtf8(item->text(column)));
            }
            if (const std::string* entry = CertificateEntryAt(row))
                line.certificate = CodePageBytesToUtf8(CertificateBase64(*entry));
            content.rows.push_back(std::move(line));
        }
    }
    if (Mode() == kModeComponents)
        content.componentValues = ComponentValues();
    SetClipboardText(ClipboardText(content));
    Trace("AdminView - Copy ... done");
}

}  // namespace orx
