// What the search tests share: certificates of people with an e-mail address in
// their subject, made from parts so that each test sets its validity, and a
// recorder of what a search tells the window, safe for the worker's thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "der/cert_test_support.h"
#include "search/search_logic.h"

namespace orx::testing {

// A certificate for "CN=<cn>, E=<email>" (no e-mail attribute when empty), valid
// from 2020 until `notAfter` (UTCTime or, with 15 characters, GeneralizedTime);
// the serial number tells certificates of one issuer apart.
Bytes PersonCertificate(std::string_view cn, std::string_view email, int serial,
                        std::string_view notAfter = "491231235959Z");

class EventRecorder : public SearchEvents {
  public:
    struct Event {
        enum Kind { Added, Removed, Ended } kind;
        FoundRow row;  // Added: the row; Removed: only its id
    };

    void RowAdded(const FoundRow& row) override;
    void RowRemoved(int id) override;
    void SearchEnded() override;

    std::vector<Event> Events() const;
    // The rows still listed, in the order they were added.
    std::vector<FoundRow> Listed() const;
    int Ended() const;
    // Waits for the end of the search; false when it does not come in time.
    bool WaitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(20)) const;

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Event> events_;
};

}  // namespace orx::testing
