// A pinentry stand-in for tests: speaks enough Assuan for the module and answers
// GETPIN from a script file, one line per answer, consuming it:
//   pin TEXT   answer TEXT      cancel   answer "cancelled"      die   exit at once
// An empty script cancels. Every command received and the program's own command
// line are appended to the log file, so tests can see what the module asked.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/file_helpers.h"
#include "core/hex_text.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void Log(const std::string& line) {
    const std::string path = Env("FAKE_PINENTRY_LOG");
    if (path.empty())
        return;
    std::ofstream out(path, std::ios::app);
    out << line << "\n";
}

// Takes the first line of the script, writing the rest back.
bool NextAnswer(std::string& answer) {
    const std::string path = Env("FAKE_PINENTRY_SCRIPT");
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    in.close();
    if (lines.empty())
        return false;
    answer = lines.front();
    std::ofstream out(path, std::ios::trunc);
    for (size_t i = 1; i < lines.size(); ++i)
        out << lines[i] << "\n";
    return true;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '%' || c == '\n' || c == '\r') {
            out += '%';
            orx::AppendHex(out, static_cast<uint8_t>(c), orx::HexCase::kUpper);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string commandLine = "ARGV";
    for (int i = 1; i < argc; ++i)
        commandLine += std::string(" ") + argv[i];
    Log(commandLine);
    {
        std::string raw;
        orx::ReadWholeFile("/proc/self/cmdline", raw);
        for (char& c : raw) {
            if (c == '\0')
                c = ' ';
        }
        Log("CMDLINE " + raw);
    }
    std::cout << "OK Pleased to meet you" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        Log(line);
        const std::string command = line.substr(0, line.find(' '));
        if (command == "BYE") {
            std::cout << "OK closing connection" << std::endl;
            return 0;
        }
        if (command == "GETPIN") {
            std::string answer;
            if (!NextAnswer(answer) || answer == "cancel") {
                std::cout << "ERR 83886179 Operation cancelled <Pinentry>" << std::endl;
                continue;
            }
            if (answer == "die")
                return 3;
            if (answer.rfind("pin ", 0) == 0)
                std::cout << "D " << Escape(answer.substr(4)) << "\n";
            std::cout << "OK" << std::endl;
            continue;
        }
        std::cout << "OK" << std::endl;
    }
    return 0;
}
