// A token plug-in module for tests: the eight exports of the real module, with
// answers that the test writes and every call recorded for the test to read.
//
// $ORX_FAKE_PLUGIN_DIR names a folder. Its file "answers" is read by
// PlgInitialize, one tab-separated line each ("\n" and "\\" escapes in values):
//   get <name> <value>              property value (set by the program, too)
//   enum <name> <index> <value>     enumeration entry
//   invoke <operation> <result>     result of an operation (default 0)
//   initialize <result>             PlgInitialize's result (default 1)
//   delay <microseconds>            time spent inside every later call
// Every call is appended to "calls", one tab-separated line, null texts as
// "<null>". A call that starts while another one is still inside the module
// appends "OVERLAP": the program promises never to do that.
//
// State lives in the context and in those files, never in static data, as the
// real module's must: "Reload" unloads and loads the module again.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "token/plugin_abi.h"

struct PluginContextData {
    std::map<std::string, std::string> properties;
    std::map<std::pair<std::string, std::string>, std::string> entries;
    std::map<std::string, int> results;
    long delayMicros = 0;
    // A fresh buffer per answer, the previous one freed: a caller that keeps an
    // answer past its next call reads freed memory, which the sanitizers report.
    std::unique_ptr<char[]> answer;
};

namespace {

// Only counts callers; a module loaded twice would share it, which is harmless.
std::atomic<int> callsInside{0};

std::string ControlPath(const char* file) {
    const char* folder = std::getenv("ORX_FAKE_PLUGIN_DIR");
    if (folder == nullptr || *folder == '\0')
        return {};
    return std::string(folder) + "/" + file;
}

void Record(const std::string& line) {
    const std::string path = ControlPath("calls");
    if (path.empty())
        return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::string text = line + "\n";
    const ssize_t ignored = ::write(fd, text.data(), text.size());
    (void)ignored;
    ::close(fd);
}

const char* Shown(const char* text) {
    return text != nullptr ? text : "<null>";
}

// Marks the time a call spends inside the module.
class CallScope {
  public:
    CallScope(PluginContextData* context, const std::string& line) {
        if (callsInside.fetch_add(1) != 0)
            Record("OVERLAP");
        Record(line);
        if (context != nullptr && context->delayMicros > 0) {
            ::usleep(static_cast<useconds_t>(context->delayMicros));
        }
    }
    ~CallScope() { callsInside.fetch_sub(1); }
};

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
            out += text[i] == 'n' ? '\n' : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

// Splits at most `count` - 1 tabs; the last field keeps any further tabs.
bool SplitLine(const std::string& line, size_t count, std::string* fields) {
    size_t start = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string::npos)
            return false;
        fields[i] = line.substr(start, tab - start);
        start = tab + 1;
    }
    fields[count - 1] = line.substr(start);
    return true;
}

int ReadAnswers(PluginContextData& context) {
    int initResult = 1;
    std::ifstream in(ControlPath("answers"));
    std::string line;
    while (std::getline(in, line)) {
        std::string f[4];
        if (line.rfind("get\t", 0) == 0 && SplitLine(line, 3, f)) {
            context.properties[f[1]] = Unescape(f[2]);
        } else if (line.rfind("enum\t", 0) == 0 && SplitLine(line, 4, f)) {
            context.entries[{f[1], f[2]}] = Unescape(f[3]);
        } else if (line.rfind("invoke\t", 0) == 0 && SplitLine(line, 3, f)) {
            context.results[f[1]] = std::atoi(f[2].c_str());
        } else if (line.rfind("initialize\t", 0) == 0 && SplitLine(line, 2, f)) {
            initResult = std::atoi(f[1].c_str());
        } else if (line.rfind("delay\t", 0) == 0 && SplitLine(line, 2, f)) {
            context.delayMicros = std::atol(f[1].c_str());
        }
    }
    return initResult;
}

const char* Answer(PluginContextData* context, const std::string* value) {
    context->answer.reset();
    if (value == nullptr)
        return nullptr;
    context->answer = std::make_unique<char[]>(value->size() + 1);
    std::memcpy(context->answer.get(), value->c_str(), value->size() + 1);
    return context->answer.get();
}

}  // namespace

extern "C" {

PLG_EXPORT int PlgInitialize(uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                             PluginContext* context) {
    CallScope scope(nullptr, "PlgInitialize\t" + std::to_string(a) + "\t" + std::to_string(b) +
                                 "\t" + std::to_string(c) + "\t" + std::to_string(d));
    auto data = std::make_unique<PluginContextData>();
    int result = ReadAnswers(*data);
#ifdef FAKE_INIT_FAILS
    result = 0;
#endif
    if (result == 0)
        return 0;
    *context = data.release();
    return result;
}

PLG_EXPORT int PlgFinalize(PluginContext context) {
    { CallScope scope(context, "PlgFinalize"); }
    delete context;
    return 0;
}

#ifndef FAKE_WITHOUT_CLEAR
PLG_EXPORT int PlgClear(PluginContext context) {
    CallScope scope(context, "PlgClear");
    return 0;
}
#endif

PLG_EXPORT int PlgSetParentWnd(PluginContext context, PluginWindow window) {
    CallScope scope(context, "PlgSetParentWnd\t" + std::to_string(window));
    return 0;
}

PLG_EXPORT int PlgSetProperty(PluginContext context, const char* name, const char* value) {
    CallScope scope(context, std::string("PlgSetProperty\t") + Shown(name) + "\t" + Shown(value));
    if (name == nullptr)
        return 0;
    if (value == nullptr) {
        context->properties.erase(name);
    } else {
        context->properties[name] = value;
    }
    return 0;
}

PLG_EXPORT const char* PlgGetProperty(PluginContext context, const char* name) {
    CallScope scope(context, std::string("PlgGetProperty\t") + Shown(name));
    const auto it = name != nullptr ? context->properties.find(name) : context->properties.end();
    return Answer(context, it != context->properties.end() ? &it->second : nullptr);
}

#ifndef FAKE_WITHOUT_ENUM
PLG_EXPORT const char* PlgEnumProperty(PluginContext context, const char* name, const char* index) {
    CallScope scope(context, std::string("PlgEnumProperty\t") + Shown(name) + "\t" + Shown(index));
    if (name == nullptr || index == nullptr)
        return Answer(context, nullptr);
    const auto it = context->entries.find({name, index});
    return Answer(context, it != context->entries.end() ? &it->second : nullptr);
}
#endif

PLG_EXPORT int PlgInvoke(PluginContext context, const char* operation) {
    CallScope scope(context, std::string("PlgInvoke\t") + Shown(operation));
    if (operation == nullptr)
        return 7;  // CKR_ARGUMENTS_BAD
    const auto it = context->results.find(operation);
    return it != context->results.end() ? it->second : 0;
}

// Visible by its attribute, yet not exported: the version script lists the eight
// names only, and a test proves that nothing else leaks out of a module.
PLG_EXPORT int FakePluginInternalHelper() {
    return 42;
}

}  // extern "C"
