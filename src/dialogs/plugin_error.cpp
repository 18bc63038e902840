#include "dialogs/plugin_error.h"

#include "dialogs/message_box.h"

namespace orx {

int PluginErrorTextId(int code) {
    switch (code) {
        case 1:
            return 2003;  // canceled
        case 2:
        case 49:
            return 2004;  // host or device memory
        case 6:
            return 2010;  // function failed
        case 19:
            return 2037;  // attribute value invalid
        case 104:
        case 105:
        case 106:
            return 2025;  // key use not permitted
        case 160:
            return 2006;  // PIN incorrect
        case 161:
            return 2007;  // PIN invalid
        case 162:
            return 2008;  // PIN length range
        case 164:
            return 2009;  // PIN locked
        case 224:
            return 2005;  // token not present
        default:
            return 2000;
    }
}

int MapPluginError(QWidget* owner, int code) {
    return ShowError(owner, PluginErrorTextId(code));
}

bool ShowPluginOutcome(QWidget* owner, int result, int successId) {
    if (result != 0) {
        MapPluginError(owner, result);
        return false;
    }
    ShowInformation(owner, successId);
    return true;
}

}  // namespace orx
