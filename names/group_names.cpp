#include "names/group_names.h"

#include <algorithm>

#include "link/group_address.h"
#include "names/csv_reader.h"
#include "names/ets_export_reader.h"
#include "names/field_text.h"
#include "names/name_collector.h"
#include "names/plain_list.h"
#include "names/text_encoding.h"

namespace lintor {
namespace {

constexpr size_t kMaxFileBytes = size_t{16} * 1024 * 1024;
constexpr size_t kMostListed = 10;

GroupNames::Failure failure(std::string_view fileName, std::string_view text) {
    return {std::string(fileName) + ": " + std::string(text)};
}

// The header tells an ETS export from a plain list, whose first row is data.
std::optional<GroupNames::Failure> readRows(names::CsvReader& reader, names::NameCollector& names,
                                            std::string_view fileName) {
    const auto first = reader.next();
    if (!first) return std::nullopt;
    const auto ets = names::EtsExportReader::fromHeader(first->fields);
    if (!ets) {
        names::takePlainRow(*first, names);
        while (const auto row = reader.next()) names::takePlainRow(*row, names);
        return std::nullopt;
    }
    if (!ets->hasNameColumn()) {
        return GroupNames::Failure{
            names::messageAt(fileName, first->line, "the header has an \"Address\" column but none for names")};
    }
    reader.keepCommentLines();
    while (const auto row = reader.next()) ets->take(*row, names);
    return std::nullopt;
}

template <typename Predicate>
std::vector<const GroupName*> matching(const std::vector<GroupName>& entries, Predicate matches) {
    std::vector<const GroupName*> found;
    for (const GroupName& entry : entries) {
        if (matches(entry)) found.push_back(&entry);
    }
    return found;
}

// A full path first, then a name as written, then one with its ASCII
// letters in any case.
std::vector<const GroupName*> candidates(const std::vector<GroupName>& entries, std::string_view wanted) {
    if (wanted.empty()) return {};
    auto found = matching(entries, [wanted](const GroupName& entry) { return entry.path == wanted; });
    if (found.empty()) found = matching(entries, [wanted](const GroupName& entry) { return entry.name == wanted; });
    if (!found.empty()) return found;
    return matching(entries,
                    [wanted](const GroupName& entry) { return names::equalsIgnoringAsciiCase(entry.name, wanted); });
}

std::string ambiguity(std::string_view wanted, const std::vector<const GroupName*>& matches) {
    std::string text = names::quoted(wanted) + " is ambiguous: ";
    for (size_t i = 0; i < matches.size() && i < kMostListed; ++i) {
        if (i > 0) text += ", ";
        text += formatGroupAddress(matches[i]->address) + " (" + matches[i]->path + ")";
    }
    if (matches.size() > kMostListed) text += " and " + std::to_string(matches.size() - kMostListed) + " more";
    return text + "; give the full name or the address";
}

}  // namespace

std::variant<GroupNames::Loaded, GroupNames::Failure> GroupNames::read(std::string_view text,
                                                                       std::string_view fileName) {
    if (text.size() > kMaxFileBytes) {
        return failure(fileName, std::to_string(text.size()) + " bytes, more than the " +
                                     std::to_string(kMaxFileBytes) + " a names file may have");
    }
    // ETS offers UTF-8 and the Windows code page; a file saved again by
    // another program may come as UTF-16, which reads as neither.
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return failure(fileName, "the file is UTF-16: export it as UTF-8 (or ANSI) instead");
    }
    const std::string utf8 = names::toUtf8(text);
    names::CsvReader reader(utf8, names::detectSeparator(utf8));
    names::NameCollector collector(fileName);
    if (auto failed = readRows(reader, collector, fileName)) return *failed;
    if (const auto& error = reader.error()) return Failure{names::messageAt(fileName, error->line, error->message)};

    Loaded loaded{GroupNames{}, collector.warnings()};
    loaded.names.entries_ = collector.entries();
    loaded.names.fileName_ = fileName;
    if (loaded.names.entries_.empty()) return failure(fileName, "no group addresses in it");
    return loaded;
}

const GroupName* GroupNames::find(uint16_t address) const {
    const auto found = std::ranges::lower_bound(entries_, address, {}, &GroupName::address);
    return found != entries_.end() && found->address == address ? &*found : nullptr;
}

std::variant<uint16_t, GroupNames::Failure> GroupNames::resolve(std::string_view nameOrAddress) const {
    const std::string_view wanted = names::trim(nameOrAddress);
    if (const auto address = parseGroupAddressStrict(wanted)) return *address;
    const auto found = candidates(entries_, wanted);
    if (found.size() == 1) return found.front()->address;
    if (!found.empty()) return Failure{ambiguity(wanted, found)};
    std::string message = "no group address is named " + names::quoted(wanted);
    if (!fileName_.empty()) message += " (names from " + fileName_ + ")";
    return Failure{message};
}

}  // namespace lintor
