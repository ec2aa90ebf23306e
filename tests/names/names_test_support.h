#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "link/group_address.h"
#include "names/group_names.h"

namespace lintor::testing {

inline constexpr std::string_view kFileName = "names.csv";

// The names read from text; an empty set and a failed test if it is refused.
inline GroupNames::Loaded load(std::string_view text) {
    auto result = GroupNames::read(text, kFileName);
    if (auto* failure = std::get_if<GroupNames::Failure>(&result)) {
        ADD_FAILURE() << "refused: " << failure->message;
        return {};
    }
    return std::get<GroupNames::Loaded>(std::move(result));
}

// The message of a refusal; empty and a failed test if the text is read.
inline std::string refusal(std::string_view text) {
    const auto result = GroupNames::read(text, kFileName);
    if (const auto* failure = std::get_if<GroupNames::Failure>(&result)) return failure->message;
    ADD_FAILURE() << "read although it should be refused";
    return {};
}

// "1/1/1 Licht/Küche/Decke 1.001" per entry, for compact tables.
inline std::vector<std::string> summary(const GroupNames& names) {
    std::vector<std::string> lines;
    for (const GroupName& entry : names.entries()) {
        std::string line = formatGroupAddress(entry.address) + " " + entry.path;
        if (entry.type) line += " " + dpt::formatDatapointType(*entry.type);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace lintor::testing
