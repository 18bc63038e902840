#include "prompts/prompt_source.h"

#include "core/config_file.h"

namespace orx {

void PromptSource::LoadSettings() {
    std::string program;
    if (ConfigReadString(kPinentrySection, kPinentryKey, program, 256) != kConfigOk)
        program.clear();
    program_ = program;
}

std::unique_ptr<Pinentry> PromptSource::Open() const {
    return std::make_unique<Pinentry>(ChoosePinentry(program_), parent_, &departures_);
}

std::unique_ptr<Pinentry> PromptSource::Take() {
    if (ready_)
        return std::move(ready_);
    return Open();
}

void PromptSource::Launch() {
    ready_ = Open();
    ready_->Launch();
}

}  // namespace orx
