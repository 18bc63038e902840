// The administration window's document. The window shows what the plug-in holds,
// so the document keeps no data: nothing is loaded or saved through it. It exists so
// that the frame, the slot list and the token view share one owner, as the
// single-document frame is built.
#pragma once

namespace orx {

class CAdminDoc {
  public:
    virtual ~CAdminDoc() = default;
    // A new, empty document; always succeeds.
    virtual bool OnNewDocument() { return true; }
};

}  // namespace orx
