// Names files: any bytes are read or refused, and what is read holds together.
#include <algorithm>
#include <string>
#include <string_view>
#include <variant>

#include "link/group_address.h"
#include "names/group_names.h"
#include "tests/fuzz/fuzz_targets.h"

namespace lintor::fuzz {

void groupNamesFile(std::span<const uint8_t> data) {
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    auto result = GroupNames::read(text, "fuzz.csv");
    if (const auto* failure = std::get_if<GroupNames::Failure>(&result)) {
        require(failure->message.starts_with("fuzz.csv:"), "a refusal names the file");
        return;
    }
    const auto& loaded = std::get<GroupNames::Loaded>(result);
    const auto& entries = loaded.names.entries();
    require(!entries.empty(), "a file that is read has a group address");
    require(loaded.warnings.size() <= 101, "at most 100 warnings and a count of the others");
    require(
        std::ranges::adjacent_find(
            entries, [](const GroupName& a, const GroupName& b) { return a.address >= b.address; }) == entries.end(),
        "entries are sorted and unique");
    for (const GroupName& entry : entries) {
        require(entry.path.ends_with(entry.name), "a path ends with the name");
        require(entry.name.empty() == entry.path.empty(), "a path is empty only without a name");
        require(loaded.names.find(entry.address) == &entry, "find gives the entry");
        const auto resolved = loaded.names.resolve(formatGroupAddress(entry.address));
        require(std::get_if<uint16_t>(&resolved) && std::get<uint16_t>(resolved) == entry.address,
                "an entry's formatted address resolves to it");
        if (entry.path.empty() || parseGroupAddressStrict(entry.path)) continue;
        const auto byPath = loaded.names.resolve(entry.path);
        if (const auto* address = std::get_if<uint16_t>(&byPath)) {
            require(loaded.names.find(*address)->path == entry.path, "a path resolves to an address with it");
        } else {
            require(std::get<GroupNames::Failure>(byPath).message.find(" is ambiguous: ") != std::string::npos,
                    "a path fails only when addresses share it");
        }
    }
}

}  // namespace lintor::fuzz
