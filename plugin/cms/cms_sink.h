// An OpenSSL BIO that writes into a std::string, as it is or as Base64: the
// results of the file operations go straight into the module's answer text
// instead of through a memory BIO and a copy.
#pragma once

#include <openssl/bio.h>

#include <string>

#include "cms/cms_library.h"

namespace orx {

class StringSink {
  public:
    StringSink();
    ~StringSink();
    StringSink(const StringSink&) = delete;
    StringSink& operator=(const StringSink&) = delete;

    // A BIO appending to `out` (Base64-encoded when asked); valid while `out` is.
    // Finish() must follow the last write so that a Base64 tail is written.
    BioPtr Open(std::string& out, bool base64);
    static void Finish(BIO* bio);

  private:
    BIO_METHOD* method_ = nullptr;
};

}  // namespace orx
