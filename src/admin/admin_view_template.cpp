// Dialog template 202, the token view's form: two header lines, the token's tabs
// and the content list below them, which fills the rest.
#include <QLabel>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

#include "admin/admin_view.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"

namespace orx {

namespace {

// The content list keeps room for a few rows however small the pane gets.
constexpr int kMinimumListHeight = 60;

bool BuildAdminViewTemplate(QWidget* form) {
    auto* layout = new QVBoxLayout(form);
    const int margin = form->style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    layout->setContentsMargins(margin, margin, margin, margin);
    for (int id : {kIdHeaderLine1, kIdHeaderLine2}) {
        auto* line = new QLabel(form);
        line->setTextFormat(Qt::PlainText);
        line->setTextInteractionFlags(Qt::TextSelectableByMouse);
        RegisterItem(line, id);
        layout->addWidget(line);
    }
    layout->addSpacing(margin);

    // The list sits right below the tabs, as a tab's page.
    auto* content = new QVBoxLayout;
    content->setSpacing(0);
    auto* tabs = new QTabBar(form);
    tabs->setDrawBase(true);
    tabs->setExpanding(false);
    tabs->setElideMode(Qt::ElideNone);
    tabs->setUsesScrollButtons(true);
    RegisterItem(tabs, kIdTokenTabs);
    content->addWidget(tabs);
    // A placeholder: the view puts the owner-drawn list in its place.
    auto* list = new QWidget(form);
    list->setMinimumHeight(kMinimumListHeight);
    RegisterItem(list, kIdContentList);
    content->addWidget(list, 1);
    layout->addLayout(content, 1);
    return true;
}

const bool registered = RegisterDialogTemplate(kTemplateAdminView, BuildAdminViewTemplate);

}  // namespace

// Referenced by the view, so that the template is linked in with it.
bool AdminViewTemplateRegistered() {
    return registered;
}

}  // namespace orx
