// b64 and sha1: the encodings of the core library applied to a file or standard
// input, so that scripts and tests can compare them with other tools.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "commands.h"
#include "core/base64.h"
#include "core/hex_text.h"
#include "core/sha1.h"

namespace orxctl {
namespace {

// Reads FILE (or standard input when absent); on failure prints the reason.
bool ReadArgumentInput(const Arguments& arguments, size_t index, std::string& bytes) {
    const std::string path = index < arguments.size() ? arguments[index] : std::string();
    const bool isStdin = path.empty() || path == "-";
    errno = 0;
    if (ReadInput(path, bytes)) {
        return true;
    }
    const int error = errno;
    const std::string name = isStdin ? "standard input" : "'" + path + "'";
    Fail("cannot read " + name + (error != 0 ? std::string(": ") + std::strerror(error) : ""));
    return false;
}

std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

int RunBase64(bool encode, const Arguments& arguments) {
    if (arguments.size() > 1) {
        return Usage("b64");
    }
    std::string input;
    if (!ReadArgumentInput(arguments, 0, input)) {
        return kExitFailed;
    }
    bool written;
    if (encode) {
        written = WriteOutput(orx::Base64Encode(AsBytes(input)));
    } else {
        const std::vector<uint8_t> bytes = orx::Base64Decode(input);
        written = WriteOutput(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    return written ? kExitOk : Fail("cannot write standard output");
}

}  // namespace

int RunBase64Encode(const Arguments& arguments) {
    return RunBase64(true, arguments);
}

int RunBase64Decode(const Arguments& arguments) {
    return RunBase64(false, arguments);
}

int RunSha1(const Arguments& arguments) {
    if (arguments.size() > 1) {
        return Usage("sha1");
    }
    std::string input;
    if (!ReadArgumentInput(arguments, 0, input)) {
        return kExitFailed;
    }
    if (input.size() > UINT32_MAX) {
        // The hash counts its bytes in 32 bits.
        return Fail("input larger than 4 GiB");
    }
    std::string line = orx::HexText(orx::Sha1(AsBytes(input)));
    line.push_back('\n');
    return WriteOutput(line) ? kExitOk : Fail("cannot write standard output");
}

}  // namespace orxctl
