// What the plug-in wrappers need of the window layer: the wait cursor and the main
// window. The window program implements it; without one (the command line, tests)
// there is no cursor and no parent window.
#pragma once

#include "token/plugin_abi.h"

namespace orx {

class TokenWindowHost {
  public:
    virtual ~TokenWindowHost() = default;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // The main window's native id, 0 while there is none.
    virtual PluginWindow GetMainWindow() = 0;
    // Invalidate, erase and update now: a login dialog of the module may have
    // covered the window while the program could not repaint.
    virtual void RepaintMainWindowNow() = 0;
};

}  // namespace orx
