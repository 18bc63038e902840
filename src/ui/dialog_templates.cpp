#include "ui/dialog_templates.h"

#include <map>

namespace orx {

namespace {

// Filled by static initialisers of other files: a function-local static avoids
// depending on the order in which those run.
std::map<int, TemplateBuilder>& Templates() {
    static std::map<int, TemplateBuilder> templates;
    return templates;
}

int Key(int templateId) {
    return templateId & 0xFFFF;
}

}  // namespace

bool RegisterDialogTemplate(int templateId, TemplateBuilder builder) {
    if (builder == nullptr)
        return false;
    Templates()[Key(templateId)] = builder;
    return true;
}

bool HasDialogTemplate(int templateId) {
    return Templates().count(Key(templateId)) != 0;
}

bool BuildDialogTemplate(int templateId, QWidget* dialog) {
    if (dialog == nullptr)
        return false;
    const auto it = Templates().find(Key(templateId));
    if (it == Templates().end())
        return false;
    return it->second(dialog);
}

}  // namespace orx
