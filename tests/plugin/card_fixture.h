// Virtual cards through the real module: making a card file, putting it into a
// reader and taking it out, waiting for the slot event as the slot list does.
#pragma once

#include <chrono>
#include <thread>

#include "module_fixture.h"
#include "storage/atomic_file.h"

namespace orx::testing {

class CardTest : public ModuleTest {
  protected:
    std::string Readers() const { return *env_ / "data/orx/readers/"; }
    std::string Path(const std::string& name) const { return *env_ / name; }

    void AddReader(const std::string& name) { ASSERT_TRUE(MakeFolders(Readers() + name)); }

    // The PUK and then the applications' first password, each asked twice.
    int MakeCard(const std::string& file, const std::string& label, const std::string& puk,
                 const std::string& password) {
        Script({"pin " + puk, "pin " + puk, "pin " + password, "pin " + password});
        app_->SetProperty("TokenLabel", label.c_str());
        app_->SetProperty("FileName", file.c_str());
        return app_->Invoke("CreateCard");
    }
    int Insert(const std::string& reader, const std::string& file) {
        app_->SetProperty("Reader", reader.c_str());
        app_->SetProperty("FileName", file.c_str());
        return app_->Invoke("InsertCard");
    }
    int Remove(const std::string& reader) {
        app_->SetProperty("Reader", reader.c_str());
        return app_->Invoke("RemoveCard");
    }
    // Polls "HaveSlotEvent" as the slot list does (more often) until it answers
    // "true" or `limit` has passed; the time it took, or none.
    std::optional<std::chrono::milliseconds> WaitForSlotEvent(
        std::chrono::milliseconds limit = std::chrono::milliseconds(1000)) {
        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            if (Get("HaveSlotEvent") == "true")
                return took;
            if (took > limit)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    void DrainSlotEvents() {
        while (Get("HaveSlotEvent") == "true") {
        }
    }
};

}  // namespace orx::testing
