// libs: orxcore
// Configuration texts from anywhere: the per-user and installation-wide files are
// arbitrary bytes, then looked up, set, deleted and enumerated. A value just set
// must read back as set.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/config_file.h"
#include "core/config_tree.h"
#include "core/product_identity.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::string Text(size_t max) {
        const size_t n = Byte() % (max + 1);
        const size_t take = n < size - at ? n : size - at;
        std::string out(reinterpret_cast<const char*>(data + at), take);
        at += take;
        return out;
    }
    std::string Rest() {
        std::string out(reinterpret_cast<const char*>(data + at), size - at);
        at = size;
        return out;
    }
};

struct Setup {
    std::string folder;
    std::string user;
    std::string install;
    Setup() {
        // In memory where there is such a folder: the files are rewritten for every input.
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(base) + "/fuzz_config.XXXXXX";
            if (mkdtemp(pattern.data()) != nullptr) {
                folder = pattern;
                break;
            }
        }
        user = folder + "/user.cfg";
        install = folder + "/orx.cfg";
        setenv("configorx", user.c_str(), 1);
        setenv("ORX_INSTALL_LOCATION", (folder + "/").c_str(), 1);
        orx::SetProgramPath(folder + "/orxxadm");
        orx::InitProductIdentity();
    }
    ~Setup() {
        unlink(user.c_str());
        unlink(install.c_str());
        rmdir(folder.c_str());
    }
};

void WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A name that the text format can hold as it is.
bool Plain(std::string_view name, bool isKey) {
    if (name.empty() || name[0] == ' ')
        return false;
    if (isKey && (name[0] == '[' || name[0] == '<'))
        return false;
    for (char c : name) {
        if (c == '\r' || c == '\n' || c == '\0' || (isKey ? c == '=' : c == ']'))
            return false;
    }
    return true;
}

bool PlainValue(std::string_view value) {
    for (char c : value) {
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    Reader in{data, size};
    const uint8_t head = in.Byte();
    const int operations = head % 8;
    // Writing back costs a file sync; most inputs edit in memory only.
    const bool writable = (head & 0xF0) == 0xF0;
    struct Op {
        uint8_t code;
        std::string section, key, value;
    };
    Op ops[8];
    for (int i = 0; i < operations; ++i) {
        ops[i].code = in.Byte();
        ops[i].section = in.Text(12);
        ops[i].key = in.Text(12);
        ops[i].value = in.Text(40);
    }
    const std::string installText = in.Text(255);
    WriteBytes(setup.install, installText);
    WriteBytes(setup.user, in.Rest());

    {
        orx::ConfigFile file;
        file.Open(writable);
        for (int i = 0; i < operations; ++i) {
            const Op& op = ops[i];
            std::string value;
            int32_t number = 0;
            int position = op.code >> 4;
            switch (op.code % 8) {
                case 0:
                    file.GetString(op.section, op.key, value, 1 + op.value.size());
                    break;
                case 1: {
                    const int result = file.Set(op.section, op.key, op.value);
                    if (result == orx::kConfigOk && Plain(op.section, false) &&
                        Plain(op.key, true) && PlainValue(op.value)) {
                        std::string expected = op.value;
                        while (!expected.empty() && expected.back() == ' ')
                            expected.pop_back();
                        if (file.GetStringAt(0, op.section, op.key, value, 4096) !=
                                orx::kConfigOk ||
                            value != expected) {
                            std::abort();
                        }
                    }
                    break;
                }
                case 2:
                    file.Delete(op.section, std::string_view(op.key));
                    break;
                case 3:
                    file.Delete(op.section);
                    break;
                case 4:
                case 5:
                    while (file.EnumKeys(op.code % 8 - 4, op.section, value, 1 + op.key.size(),
                                         position) == orx::kConfigOk &&
                           position < 64) {
                    }
                    break;
                case 6:
                    file.GetInt(op.section, op.key, number);
                    break;
                default: {
                    std::u16string wide;
                    file.GetWide(op.section, op.key, wide, 1 + op.value.size());
                    break;
                }
            }
        }
        file.Close(true);
    }
    // Read back what was written, the installation-wide text through its tree.
    orx::ConfigFile reread;
    if (reread.Open(false) == orx::kConfigOk && operations > 0) {
        std::string value;
        reread.GetString(ops[0].section, ops[0].key, value);
    }
    auto tree = orx::ConfigTree::Build(installText);
    if (operations > 0) {
        std::string value;
        tree->Find(ops[0].section, ops[0].key, value, 64);
    }
    return 0;
}
