// The wait cursor over the whole program while a long operation runs (a plug-in
// call, a file operation); the cursor that was there before comes back when the
// scope ends. Nests.
#pragma once

namespace orx {

class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    // Restores early; the destructor then does nothing.
    void Restore();

  private:
    bool active_ = false;
};

// The unscoped pair for code that begins and ends in different handlers.
void BeginWaitCursor();
void EndWaitCursor();
bool IsWaitCursorShown();

}  // namespace orx
