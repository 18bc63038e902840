// The parsed form of an installation-wide configuration text. Later sections and
// later entries hide earlier ones of the same name: lookups walk from the end.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

class ConfigTree {
  public:
    struct Entry {
        std::string_view name;
        std::string_view value;  // trailing blanks removed
    };
    struct Section {
        std::string_view name;
        std::vector<Entry> entries;  // in file order
    };

    // Parses a private copy of the text.
    static std::unique_ptr<ConfigTree> Build(std::string_view text);

    bool IsBuiltFrom(std::string_view text) const { return text == text_; }
    // 0 with the value cut to capacity - 1 bytes, or kConfigFailed.
    int Find(std::string_view section, std::string_view key, std::string& value,
             size_t capacity) const;
    const std::vector<Section>& sections() const { return sections_; }

  private:
    ConfigTree() = default;
    std::string text_;  // every view above points into it
    std::vector<Section> sections_;
};

}  // namespace orx
