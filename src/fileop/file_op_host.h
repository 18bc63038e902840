// What a page of the file operation wizard may ask of the frame that holds it.
// The pages know the wizard only through this, so that a page can change without
// the frame, and the frame's steps stay in one place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "der/cert_handle.h"
#include "fileop/file_op_names.h"

class QWidget;

namespace orx {

class TokenApplication;

class FileOpHost {
  public:
    // The frame's window, the pages' parent.
    virtual QWidget* FrameWindow() const = 0;
    virtual int Operation() const = 0;
    virtual const FileOpSettings& Settings() const = 0;
    virtual TokenApplication& App() = 0;

    // The path of the page on show: the input, then the proposed output.
    virtual const std::string& FilePath() const = 0;
    virtual void SetFilePath(std::string_view path) = 0;
    // The certificates found in the input (verify and decrypt).
    virtual const std::vector<CertHandle>& FoundCertificates() const = 0;
    virtual void SetChosenCertificate(CertHandle certificate) = 0;
    virtual void SetAlgorithm(std::string_view oid) = 0;

    // Enter inside a page: what the Next button does, when it is enabled.
    virtual void PressNext() = 0;
    // Escape inside a page: the frame's Cancel.
    virtual void Cancel() = 0;

  protected:
    ~FileOpHost() = default;
};

}  // namespace orx
