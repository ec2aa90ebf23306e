#pragma once

#include <charconv>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace lintor {

// The per-user settings store, by section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual int readInt(const std::string& section, const std::string& key, int fallback) = 0;
    virtual std::optional<std::string> readString(const std::string& section, const std::string& key) = 0;
    // True when the store holds the value afterwards.
    virtual bool writeInt(const std::string& section, const std::string& key, int value) = 0;
};

// Settings that live only as long as the object: for tests and tools.
class MemorySettingsStore final : public SettingsStore {
public:
    int readInt(const std::string& section, const std::string& key, int fallback) override {
        const auto it = values_.find({section, key});
        if (it == values_.end()) return fallback;
        int value = 0;
        const std::string& text = it->second;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc{} && end == text.data() + text.size() ? value : fallback;
    }
    std::optional<std::string> readString(const std::string& section, const std::string& key) override {
        const auto it = values_.find({section, key});
        if (it == values_.end()) return std::nullopt;
        return it->second;
    }
    bool writeInt(const std::string& section, const std::string& key, int value) override {
        values_[{section, key}] = std::to_string(value);
        return true;
    }
    void writeString(const std::string& section, const std::string& key, std::string value) {
        values_[{section, key}] = std::move(value);
    }
    bool contains(const std::string& section, const std::string& key) const { return values_.contains({section, key}); }

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace lintor
