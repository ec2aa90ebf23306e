#pragma once

#include <string>
#include <string_view>

namespace lintor::names {

// Windows-1252, a superset of Latin-1, as older ETS versions write.
std::string windows1252ToUtf8(std::string_view bytes);

// The text of a file as UTF-8: a leading byte-order mark dropped, and bytes
// that are not UTF-8 read as Windows-1252.
std::string toUtf8(std::string_view bytes);

}  // namespace lintor::names
