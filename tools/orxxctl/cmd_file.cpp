// orxxctl file: the file operations of the wizard (sign, verify, encrypt, decrypt)
// from the command line, through the same property calls and the same module.
// A file travels as one Base64 property and comes back the same way; the command
// keeps no copy of it longer than it must.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "core/base64.h"
#include "core/file_helpers.h"
#include "core/mime_header.h"
#include "core/string_helpers.h"
#include "token_module.h"

namespace orxctl {

namespace {

// The size of a regular file; nothing for standard input ("-") and whatever else
// can only be read through to its end.
std::optional<size_t> RegularFileSize(const std::string& path) {
    struct stat info {};
    if (path == "-" || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<size_t>(info.st_size);
}

// A regular file straight into its Base64 text, a block at a time: the file's own
// bytes are never held whole beside their text. Other inputs are read whole.
bool ReadAsBase64(const std::string& path, std::string& text) {
    const std::optional<size_t> size = RegularFileSize(path);
    if (!size) {
        std::string bytes;
        if (!ReadInput(path, bytes))
            return false;
        text = orx::Base64Encode(std::string_view(bytes));
        return true;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    text.resize(orx::Base64EncodedLength(*size));
    std::vector<uint8_t> block(3 * 16384);
    size_t done = 0, written = 0;
    bool ok = true;
    while (ok && done < *size) {
        const size_t want = std::min(block.size(), *size - done);
        const size_t n = std::fread(block.data(), 1, want, file);
        // Only the last block may leave a group of less than three.
        const int chars = orx::Base64EncodeUnterminated(std::span<char>(text).subspan(written),
                                                        std::span<const uint8_t>(block.data(), n));
        ok = n == want && chars >= 0;
        written += chars > 0 ? static_cast<size_t>(chars) : 0;
        done += n;
    }
    std::fclose(file);
    text.resize(written);
    return ok;
}

// Whether a file may be S/MIME text, from its first bytes; standard input (or anything
// else that cannot be looked into first) may be, until it is read whole.
bool FileStartsWithMime(const std::string& path) {
    if (!RegularFileSize(path))
        return true;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return true;  // reading it whole will tell what is wrong
    std::string head(orx::kMimeVersionHeader.size() + 1, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    return orx::StartsWithMime(head);
}

std::string BaseName(const std::string& path) {
    const size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

int Import(const std::string& path) {
    std::string bytes;
    if (!ReadInput(path, bytes) || bytes.empty())
        return Fail("cannot read " + path);
    orx::TokenApplication app;
    if (!StartModule(app))
        return kExitFailed;
    const int32_t slot = app.GetActiveSlot(true);
    app.SetPropertyBytes(
        "Certificate",
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    return Outcome(app.Invoke("WriteCertificate"),
                   "importing " + path + " onto slot " + std::to_string(slot));
}

// `name` is the module's operation: "Sign", "Verify", "Encrypt" or "Decrypt".
int RunOperation(const std::string& name, const Arguments& arguments) {
    const bool withCertificate = name == "Sign" || name == "Encrypt";
    if (arguments.size() < (withCertificate ? 3u : 2u))
        return Usage("file");
    bool mime = false;
    bool detached = false;
    std::string algorithm;
    for (size_t i = withCertificate ? 3 : 2; i < arguments.size(); ++i) {
        if (arguments[i] == "--mime") {
            mime = true;
        } else if (arguments[i] == "--detached") {
            detached = true;
        } else if (arguments[i] == "--algorithm" && i + 1 < arguments.size()) {
            algorithm = arguments[++i];
        } else {
            return Usage("file");
        }
    }
    // The module starts while the input is read: reading a large file takes about as
    // long as loading the module and the card modules it starts.
    orx::TokenApplication app;
    ModuleStarting starting(app);
    std::string certificate;
    if (withCertificate) {
        if (!ReadInput(arguments[2], certificate))
            return Fail("cannot read " + arguments[2]);
        if (certificate.find("-----BEGIN") == std::string::npos)
            certificate = orx::Base64Encode(std::string_view(certificate));
    }
    // What is signed or encrypted travels as Base64; a file to verify or decrypt as
    // it is when it is S/MIME text.
    std::string data;
    if (withCertificate || !FileStartsWithMime(arguments[0])) {
        if (!ReadAsBase64(arguments[0], data))
            return Fail("cannot read " + arguments[0]);
    } else {
        if (!ReadInput(arguments[0], data))
            return Fail("cannot read " + arguments[0]);
        if (!orx::StartsWithMime(data)) {
            std::string encoded = orx::Base64Encode(std::string_view(data));
            std::string().swap(data);
            data = std::move(encoded);
        }
    }
    if (data.empty())
        return Fail(arguments[0] + " is empty");
    if (!starting.Wait())
        return kExitFailed;
    app.SetProperty("UrlEncode", "false");
    app.SetProperty("Data", data.c_str());
    std::string().swap(data);
    app.SetProperty("Base64", mime ? "false" : "true");
    app.SetProperty("MIME", mime ? "true" : "false");
    app.SetProperty("Detached", detached ? "true" : "false");
    app.SetProperty("FileName", BaseName(arguments[0]).c_str());
    if (!algorithm.empty())
        app.SetProperty("Algorithm", algorithm.c_str());
    if (withCertificate)
        app.SetProperty("Certificate", certificate.c_str());
    const int result = app.Invoke(name.c_str());
    if (result != 0)
        return Fail(name + " failed with " + std::to_string(result));
    const char* answer = app.GetProperty(name == "Sign" ? "Signature" : "Data");
    if (!answer || !*answer)
        return Fail(name + " gave no result");
    // Written beside the target and renamed over it: a failure leaves an existing
    // file as it was.
    orx::ReplaceOptions options;
    options.flush = false;
    // Decrypted content is its owner's alone, whatever the umask says.
    options.ownerOnly = name == "Decrypt";
    const int error =
        mime && withCertificate
            ? orx::ReplaceFileContents(arguments[1], answer, options)
            : orx::ReplaceFileInPieces(
                  arguments[1],
                  [answer](const orx::ContentWriter& write) {
                      // The decoded bytes are never held whole beside the text.
                      return orx::Base64DecodeInBlocks(
                          answer, [&write](std::span<const uint8_t> bytes) {
                              return write(std::string_view(
                                  reinterpret_cast<const char*>(bytes.data()), bytes.size()));
                          });
                  },
                  options);
    if (error != 0)
        return Fail("cannot write " + arguments[1] + ": " + std::strerror(error));
    if (name == "Decrypt") {
        if (std::optional<std::string> fileName = app.GetPropertyString("FileName"))
            WriteOutput("file name: " + *fileName + "\n");
    }
    return kExitOk;
}

}  // namespace

int RunFileSign(const Arguments& arguments) {
    return RunOperation("Sign", arguments);
}

int RunFileVerify(const Arguments& arguments) {
    return RunOperation("Verify", arguments);
}

int RunFileEncrypt(const Arguments& arguments) {
    return RunOperation("Encrypt", arguments);
}

int RunFileDecrypt(const Arguments& arguments) {
    return RunOperation("Decrypt", arguments);
}

int RunFileImport(const Arguments& arguments) {
    if (arguments.size() != 1)
        return Usage("file");
    return Import(arguments[0]);
}

}  // namespace orxctl
