#include "names/address_cell.h"

#include <array>
#include <charconv>

#include "link/group_address.h"

namespace lintor::names {
namespace {

constexpr uint32_t kMaxMain = kMainGroupCount - 1;
constexpr uint32_t kMaxMiddle = kMiddleGroupCount - 1;
constexpr uint32_t kMaxSub = 255;
constexpr uint32_t kMaxTwoLevelSub = 2047;
constexpr uint32_t kMaxFree = 65535;
constexpr size_t kLongestNumber = 5;
constexpr std::string_view kNoGroup = "-";
constexpr size_t kMostLevels = 3;

std::optional<uint32_t> number(std::string_view text, uint32_t max) {
    if (text.empty() || text.size() > kLongestNumber) return std::nullopt;
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > max) return std::nullopt;
    return value;
}

AddressCell groupRow(AddressCell::Kind kind, uint32_t main, std::optional<uint32_t> middle = {}) {
    AddressCell cell{kind, 0, static_cast<uint8_t>(main), {}};
    if (middle) cell.middle = static_cast<uint8_t>(*middle);
    return cell;
}

std::optional<AddressCell> threeLevels(std::string_view mainText, std::string_view middleText,
                                       std::string_view subText) {
    const auto main = number(mainText, kMaxMain);
    if (!main) return std::nullopt;
    if (middleText == kNoGroup && subText == kNoGroup) return groupRow(AddressCell::Kind::MainGroup, *main);
    const auto middle = number(middleText, kMaxMiddle);
    if (!middle) return std::nullopt;
    AddressCell cell = groupRow(AddressCell::Kind::MiddleGroup, *main, middle);
    if (subText == kNoGroup) return cell;
    const auto sub = number(subText, kMaxSub);
    if (!sub) return std::nullopt;
    cell.kind = AddressCell::Kind::GroupAddress;
    cell.address = composeGroupAddress(*main, *middle, *sub);
    return cell;
}

std::optional<AddressCell> twoLevels(std::string_view mainText, std::string_view subText) {
    const auto main = number(mainText, kMaxMain);
    if (!main) return std::nullopt;
    AddressCell cell = groupRow(AddressCell::Kind::MainGroup, *main);
    if (subText == kNoGroup) return cell;
    const auto sub = number(subText, kMaxTwoLevelSub);
    if (!sub) return std::nullopt;
    // The sub group of two levels spans the middle group's bits too.
    cell.kind = AddressCell::Kind::GroupAddress;
    cell.address = composeGroupAddress(*main, *sub >> 8, *sub & 0xFFU);
    return cell;
}

std::optional<AddressCell> oneLevel(std::string_view text) {
    const auto address = number(text, kMaxFree);
    if (!address) return std::nullopt;
    return AddressCell{AddressCell::Kind::GroupAddress, static_cast<uint16_t>(*address), {}, {}};
}

}  // namespace

std::optional<AddressCell> parseAddressCell(std::string_view text) {
    std::array<std::string_view, kMostLevels> levels{};
    size_t levelCount = 0;
    for (size_t start = 0;;) {
        if (levelCount == levels.size()) return std::nullopt;
        const size_t slash = text.find('/', start);
        levels[levelCount++] = text.substr(start, slash - start);
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    if (levelCount == 1) return oneLevel(levels[0]);
    if (levelCount == 2) return twoLevels(levels[0], levels[1]);
    return threeLevels(levels[0], levels[1], levels[2]);
}

}  // namespace lintor::names
