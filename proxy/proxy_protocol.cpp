#include "proxy/proxy_protocol.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/emi.h"
#include "link/group_request.h"

namespace lintor {
namespace {

constexpr std::string_view kDelimiters = " \r\n\"=";
constexpr std::string_view kRequestStart = "<SetGA";

struct TypeName {
    std::string_view name;
    uint8_t code;
};

constexpr std::array<TypeName, 19> kRequestTypeNames{{
    {"Bit", 1},    {"T1B", 6},    {"T2B", 10},   {"T2BF", 5},   {"EIS1", 1},   {"EIS2", 2}, {"EIS3", 3},
    {"EIS4", 4},   {"EIS5", 5},   {"EIS6", 6},   {"EIS7", 7},   {"EIS8", 8},   {"EIS9", 9}, {"EIS10", 10},
    {"EIS11", 11}, {"EIS12", 12}, {"EIS13", 13}, {"EIS14", 14}, {"EIS15", 15},
}};

constexpr std::array<TypeName, 4> kProxyInfoTypeNames{{{"BIT", 1}, {"B1", 6}, {"B2", 10}, {"B2F", 33}}};

// The source address every proxy write carries.
constexpr uint16_t kProxySource = 0x11FF;

std::vector<std::string_view> tokens(std::string_view text) {
    std::vector<std::string_view> out;
    size_t at = 0;
    while ((at = text.find_first_not_of(kDelimiters, at)) != std::string_view::npos) {
        const size_t end = std::min(text.find_first_of(kDelimiters, at), text.size());
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

// An optional sign and the digits up to the first non-digit, as the low 16
// bits of the number; no digits give 0. A number no 32-bit integer holds
// has no low bits to speak of: none.
std::optional<uint16_t> leadingNumberLow16(std::string_view text) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++at;
    int64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > int64_t{INT32_MAX} + (negative ? 1 : 0)) return std::nullopt;
    }
    return static_cast<uint16_t>(negative ? -value : value);
}

}  // namespace

uint8_t parseTypeName(std::string_view name) {
    for (const TypeName& type : kRequestTypeNames) {
        if (type.name == name) return type.code;
    }
    return 0;
}

std::string_view proxyInfoTypeName(uint8_t typeCode) {
    for (const TypeName& type : kProxyInfoTypeNames) {
        if (type.code == typeCode) return type.name;
    }
    return "Bit";
}

std::optional<SetGaRequest> parseSetGaRequest(std::string_view text) {
    if (!text.starts_with('<') || text.find('>') == std::string_view::npos) return std::nullopt;

    // Each keyword is looked for in turn; the token after it is its argument.
    enum class Want { Start, GaKeyword, Ga, TypeKeyword, Type, ValueKeyword, Value, Done };
    Want want = Want::Start;
    SetGaRequest request{0, 0, 0};
    for (const std::string_view token : tokens(text)) {
        switch (want) {
        case Want::Start:
            if (token == kRequestStart) want = Want::GaKeyword;
            break;
        case Want::GaKeyword:
            if (token == "GA") want = Want::Ga;
            break;
        case Want::Ga:
            request.groupAddress = parseGroupAddress(token);
            want = Want::TypeKeyword;
            break;
        case Want::TypeKeyword:
            if (token == "Type") want = Want::Type;
            break;
        case Want::Type:
            request.typeCode = parseTypeName(token);
            want = Want::ValueKeyword;
            break;
        case Want::ValueKeyword:
            if (token == "Value") want = Want::Value;
            break;
        case Want::Value: {
            const auto value = leadingNumberLow16(token);
            if (!value) return std::nullopt;
            request.value = *value;
            want = Want::Done;
            break;
        }
        case Want::Done:
            break;
        }
    }
    if (want != Want::Done || request.groupAddress == 0 || request.typeCode == 0) return std::nullopt;
    return request;
}

std::string formatProxyInfo(const GroupValueEntry& entry) {
    return "<ProxyInfo GA=\"" + formatGroupAddress(entry.groupAddress) + "\" Type=\"" +
           std::string(proxyInfoTypeName(entry.typeCode)) + "\" Value=\"" +
           std::to_string(static_cast<uint32_t>(entry.value) & 0xFFFF) + "\">";
}

std::vector<uint8_t> groupWriteRecord(uint16_t groupAddress, uint16_t value) {
    const std::array<uint8_t, 2> bigEndian{highByte(value), lowByte(value)};
    if (value <= emi::APCI_SHORT_DATA_MASK) {
        return groupRequestRecord(GroupServiceCode::Write, kProxySource, groupAddress, std::span(bigEndian).last(1),
                                  true);
    }
    const size_t bytes = value <= 0xFF ? 1 : 2;
    return groupRequestRecord(GroupServiceCode::Write, kProxySource, groupAddress, std::span(bigEndian).last(bytes),
                              false);
}

}  // namespace lintor
