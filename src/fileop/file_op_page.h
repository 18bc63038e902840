// The wizard's pages: modeless children shown in the frame's client area. Each
// fills its controls when it becomes active and stores its values on Next.
#pragma once

#include <memory>
#include <vector>

#include "der/cert_handle.h"
#include "dialogs/dlg.h"
#include "fileop/file_op_host.h"

class QObject;

namespace orx {

class FileOpPage : public Dlg {
  public:
    FileOpPage(int templateId, FileOpHost& host, int index);
    ~FileOpPage() override;

    virtual void OnSetActive() = 0;
    // False refuses to let the wizard go on.
    virtual bool OnNextPage() { return true; }
    virtual bool OnBackPage() { return true; }
    // Once, after the window is made.
    virtual void OnCreatePage() {}

    // Escape and Enter inside a page belong to the frame.
    void OnOK() override;
    void OnCancel() override;
    // Page controls that take the focus, in Tab order.
    virtual std::vector<QWidget*> FocusChain() const;

    // Makes the window and puts it into the frame's page area, hidden.
    bool CreateInside(QWidget* area);

  protected:
    FileOpHost& host_;
    int index_;

  private:
    std::unique_ptr<QObject> keys_;
};

class IntroPage : public FileOpPage {
  public:
    explicit IntroPage(FileOpHost& host);
    void OnSetActive() override;
};

class FilePage : public FileOpPage {
  public:
    FilePage(FileOpHost& host, int index);
    void OnSetActive() override;
    bool OnNextPage() override;
    bool OnCommand(int commandId, int extra) override;
    std::vector<QWidget*> FocusChain() const override;
};

class CertificatePage : public FileOpPage {
  public:
    explicit CertificatePage(FileOpHost& host);
    void OnCreatePage() override;
    void OnSetActive() override;
    bool OnNextPage() override;
    bool OnCommand(int commandId, int extra) override;
    std::vector<QWidget*> FocusChain() const override;

    // Replaces the list with copies of these handles.
    void SetCertificates(const std::vector<CertHandle>& certificates);
    const std::vector<CertHandle>& Certificates() const { return list_; }

  private:
    void CollectFromToken();
    const CertRecord* Selected() const;

    std::vector<CertHandle> list_;
};

}  // namespace orx
