#include "search_test_support.h"

#include <algorithm>

namespace orx::testing {

Bytes PersonCertificate(std::string_view cn, std::string_view email, int serial,
                        std::string_view notAfter) {
    CertParts parts;
    Bytes rdns = Rdn({Attribute(kOidCommonName, cn)});
    if (!email.empty()) {
        const Bytes address = Rdn({Attribute(kOidEmail, email, 0x16)});
        rdns.insert(rdns.end(), address.begin(), address.end());
    }
    parts.subject = Tlv(0x30, rdns);
    parts.notAfter = notAfter;
    parts.serial = Tlv(0x02, {static_cast<uint8_t>(0x10 | (serial >> 16 & 0x0F)),
                              static_cast<uint8_t>(serial >> 8), static_cast<uint8_t>(serial)});
    return MakeCertificate(parts);
}

void EventRecorder::RowAdded(const FoundRow& row) {
    std::lock_guard lock(mutex_);
    events_.push_back({Event::Added, row});
    changed_.notify_all();
}

void EventRecorder::RowRemoved(int id) {
    std::lock_guard lock(mutex_);
    FoundRow row;
    row.id = id;
    events_.push_back({Event::Removed, row});
    changed_.notify_all();
}

void EventRecorder::SearchEnded() {
    std::lock_guard lock(mutex_);
    events_.push_back({Event::Ended, {}});
    changed_.notify_all();
}

std::vector<EventRecorder::Event> EventRecorder::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<FoundRow> EventRecorder::Listed() const {
    std::vector<FoundRow> rows;
    for (const Event& event : Events()) {
        if (event.kind == Event::Added)
            rows.push_back(event.row);
        else if (event.kind == Event::Removed)
            std::erase_if(rows, [&](const FoundRow& row) { return row.id == event.row.id; });
    }
    return rows;
}

int EventRecorder::Ended() const {
    const auto events = Events();
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [](const Event& e) { return e.kind == Event::Ended; }));
}

bool EventRecorder::WaitForEnd(std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] {
        return std::any_of(events_.begin(), events_.end(),
                           [](const Event& e) { return e.kind == Event::Ended; });
    });
}

}  // namespace orx::testing
