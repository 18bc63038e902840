#include "properties/inputs.h"

#include <openssl/crypto.h>

namespace orx {

std::string Inputs::Get(std::string_view name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::string() : it->second;
}

bool Inputs::Has(std::string_view name) const {
    return values_.find(name) != values_.end();
}

void Inputs::Set(std::string_view name, const char* value) {
    if (value) {
        values_[std::string(name)] = value;
    } else {
        Erase(name);
    }
}

void Inputs::Set(std::string_view name, std::string value) {
    values_[std::string(name)] = std::move(value);
}

void Inputs::Erase(std::string_view name) {
    if (auto it = values_.find(name); it != values_.end())
        values_.erase(it);
}

std::optional<std::string> Inputs::Take(std::string_view name) {
    auto it = values_.find(name);
    if (it == values_.end() || it->second.empty())
        return std::nullopt;
    std::string value = std::move(it->second);
    values_.erase(it);
    return value;
}

void Inputs::Wipe() {
    for (auto& [name, value] : values_)
        OPENSSL_cleanse(value.data(), value.size());
    values_.clear();
}

}  // namespace orx
