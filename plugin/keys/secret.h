// Memory for passwords and keys: wiped when its owner ends, never copied implicitly.
#pragma once

#include <openssl/crypto.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orx {

class Secret {
  public:
    Secret() = default;
    explicit Secret(size_t size) : bytes_(size, 0) {}
    Secret(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
    ~Secret() { Wipe(); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    Secret(Secret&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
    Secret& operator=(Secret&& other) noexcept {
        if (this != &other) {
            Wipe();
            bytes_ = std::move(other.bytes_);
            other.bytes_.clear();
        }
        return *this;
    }

    // Grows without leaving a copy behind: the old buffer is wiped before it is freed.
    void Append(std::span<const uint8_t> more) {
        if (bytes_.size() + more.size() > bytes_.capacity()) {
            std::vector<uint8_t> bigger;
            bigger.reserve((bytes_.size() + more.size()) * 2 + 64);
            bigger.assign(bytes_.begin(), bytes_.end());
            Wipe();
            bytes_ = std::move(bigger);
        }
        bytes_.insert(bytes_.end(), more.begin(), more.end());
    }
    void Append(uint8_t byte) { Append(std::span<const uint8_t>(&byte, 1)); }

    void Wipe() {
        if (!bytes_.empty())
            OPENSSL_cleanse(bytes_.data(), bytes_.size());
        bytes_.clear();
    }

    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    std::span<const uint8_t> span() const { return {bytes_.data(), bytes_.size()}; }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()};
    }
    bool operator==(const Secret& other) const {
        return bytes_.size() == other.bytes_.size() &&
               CRYPTO_memcmp(bytes_.data(), other.bytes_.data(), bytes_.size()) == 0;
    }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace orx
