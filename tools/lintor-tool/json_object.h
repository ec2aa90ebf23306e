#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lintor::tool {

// One JSON object on one line, members in the order added.
class JsonObject {
public:
    JsonObject& add(std::string_view name, std::string_view text);
    JsonObject& add(std::string_view name, const char* text) { return add(name, std::string_view(text)); }
    JsonObject& add(std::string_view name, double number);
    JsonObject& add(std::string_view name, int64_t number);
    JsonObject& add(std::string_view name, bool value);

    std::string text() const { return body_ + "}"; }

private:
    void addName(std::string_view name);
    std::string body_ = "{";
};

// A JSON string literal. Bytes that are not UTF-8 become U+FFFD, so the line
// stays valid JSON whatever a device sent.
std::string jsonString(std::string_view text);

}  // namespace lintor::tool
