#include "names/name_collector.h"

#include "link/group_address.h"
#include "names/field_text.h"

namespace lintor::names {
namespace {

size_t middleIndex(uint8_t main, uint8_t middle) { return main * kMiddleGroupCount + middle; }

void appendLevel(std::string& path, std::string_view level) {
    if (level.empty()) return;
    if (!path.empty()) path += '/';
    path += level;
}

}  // namespace

void NameCollector::nameMainGroup(uint8_t main, std::string name) { mainNames_.at(main) = std::move(name); }

void NameCollector::nameMiddleGroup(uint8_t main, uint8_t middle, std::string name) {
    middleNames_.at(middleIndex(main, middle)) = std::move(name);
}

void NameCollector::add(AddressRow row) {
    const auto [existing, added] = rows_.try_emplace(row.cell.address);
    if (!added) {
        warn(row.line, "another row for " + formatGroupAddress(row.cell.address) + ", after line " +
                           std::to_string(existing->second.line) + "; this one wins");
    }
    existing->second = std::move(row);
}

std::optional<dpt::DatapointType> NameCollector::readType(std::string_view text, size_t line) {
    const std::string_view first = trim(text.substr(0, text.find(',')));
    if (first.empty()) return std::nullopt;
    const auto type = dpt::parseDatapointType(first);
    if (!type) warn(line, quoted(first) + " is not a datapoint type; the row is kept without one");
    return type;
}

void NameCollector::warn(size_t line, std::string_view text) {
    if (warnings_.size() == kMaxWarnings) {
        ++warningsLeftOut_;
        return;
    }
    warnings_.push_back(messageAt(fileName_, line, text));
}

std::vector<GroupName> NameCollector::entries() const {
    std::vector<GroupName> entries;
    entries.reserve(rows_.size());
    for (const auto& [address, row] : rows_) entries.push_back(GroupName{address, row.name, pathOf(row), row.type});
    return entries;
}

std::vector<std::string> NameCollector::warnings() const {
    std::vector<std::string> all = warnings_;
    if (warningsLeftOut_ > 0) {
        all.push_back(fileName_ + ": " + std::to_string(warningsLeftOut_) + " more warnings left out");
    }
    return all;
}

// The names of the groups an address is in, leaving out those without one.
std::string NameCollector::pathOf(const AddressRow& row) const {
    if (row.name.empty()) return {};
    std::string path;
    const auto& main = row.cell.main;
    const auto& middle = row.cell.middle;
    if (main) appendLevel(path, row.mainName.empty() ? mainNames_.at(*main) : row.mainName);
    if (main && middle) {
        appendLevel(path, row.middleName.empty() ? middleNames_.at(middleIndex(*main, *middle)) : row.middleName);
    }
    appendLevel(path, row.name);
    return path;
}

}  // namespace lintor::names
