// A conversation with a pinentry program over the Assuan protocol: the module's own
// password and message windows. The program runs with the parent window id; the
// password comes back on the socket only, never on a command line or in a file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "keys/secret.h"
#include "results/module_results.h"

namespace orx {

// Environment variable naming the program for tests; it wins over the configuration.
inline constexpr const char* kPinentryVariable = "ORX_PINENTRY";

// The program to run: the variable above, else the configured one, else pinentry-qt
// when a display is there, pinentry-curses when a terminal is; "" when none can work.
std::string ChoosePinentry(std::string_view configured);

// Assuan's escaping of a command argument: "%", CR and LF as %XX.
std::string AssuanEscape(std::string_view text);
// Undoes %XX escapes of a data line into `out` (appended).
void AssuanUnescape(std::string_view text, Secret& out);

struct PinPrompt {
    std::string title;
    std::string description;
    std::string prompt;
    std::string error;  // shown above the field, empty for none
};

class Departures;

class Pinentry {
  public:
    // With `departures`, the program is told BYE at the end and left there to be
    // reaped; without, the end waits for it to leave.
    Pinentry(std::string program, uint64_t parentWindow, Departures* departures = nullptr);
    ~Pinentry();  // says BYE and reaps the program, or hands it to the departures
    Pinentry(const Pinentry&) = delete;
    Pinentry& operator=(const Pinentry&) = delete;

    // Starts the program ahead of its first question, so that its start overlaps the
    // caller's own work; nothing is shown before a question is asked.
    void Launch();

    // Asks for one password: CKR_OK with `pin` filled, CKR_CANCEL, or CKR_FUNCTION_FAILED
    // when the program cannot be started or breaks the protocol.
    int GetPin(const PinPrompt& prompt, Secret& pin);
    // Shows a message with an OK button.
    int Message(std::string_view title, std::string_view text);
    // Shows a message for as long as `work` runs and takes it away then, without
    // waiting for the user: what the message asks for (a PIN on the reader's own
    // PIN pad) happens elsewhere. Without a pinentry program the work runs all the
    // same. Answers what `work` answers.
    int ShowWhile(std::string_view title, std::string_view text, const std::function<int()>& work);

  private:
    int Spawn();
    int Start();
    void Stop();
    bool Send(std::string_view line);
    // Reads up to OK/ERR; D lines are unescaped into `data` when given.
    int ReadReply(Secret* data);
    bool ReadLine(std::string& line);
    int Command(std::string_view command, std::string_view argument);

    std::string program_;
    uint64_t parent_ = 0;
    Departures* departures_ = nullptr;
    int fd_ = -1;
    pid_t pid_ = -1;
    bool greeted_ = false;
    std::string buffer_;
};

}  // namespace orx
