#include "dpt/time_codec.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "dpt/codec_support.h"

namespace lintor::dpt {
namespace {

// Day 0 on the wire is "no day".
constexpr std::array<std::string_view, 7> kDayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr unsigned kDayShift = 5;
constexpr uint8_t kHourMask = 0x1F;
constexpr uint8_t kSixBits = 0x3F;
constexpr int kLastHour = 23;
constexpr int kLastMinute = 59;

constexpr uint8_t kDayMask = 0x1F;
constexpr uint8_t kMonthMask = 0x0F;
constexpr uint8_t kYearMask = 0x7F;
// Two-digit years: below 90 they are 20xx, from 90 on 19xx.
constexpr int kFirstYear = 1990;
constexpr int kLastYear = 2089;
constexpr int kCenturyTurn = 90;
constexpr int kYearsInCentury = 100;

std::optional<int> parseField(std::string_view text, int highest) {
    if (text.size() > 2) return std::nullopt;
    return parseSmall(text, 0, highest);
}

struct TimeOfDay {
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

std::optional<int> parseDayName(std::string_view text) {
    for (size_t i = 0; i < kDayNames.size(); ++i) {
        if (equalsIgnoringAsciiCase(text, kDayNames[i])) return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

// "14:30", "14:30:05", "Tue 14:30:05"
std::optional<TimeOfDay> parseTimeOfDay(std::string_view text) {
    TimeOfDay time;
    if (const size_t space = text.find(' '); space != std::string_view::npos) {
        const auto day = parseDayName(text.substr(0, space));
        if (!day) return std::nullopt;
        time.day = *day;
        text = trim(text.substr(space + 1));
    }
    const size_t first = text.find(':');
    if (first == std::string_view::npos) return std::nullopt;
    const size_t second = text.find(':', first + 1);
    const auto hour = parseField(text.substr(0, first), kLastHour);
    const auto minute = parseField(text.substr(first + 1, second - first - 1), kLastMinute);
    const auto seconds = second == std::string_view::npos ? 0 : parseField(text.substr(second + 1), kLastMinute);
    if (!hour || !minute || !seconds) return std::nullopt;
    time.hour = *hour;
    time.minute = *minute;
    time.second = *seconds;
    return time;
}

std::chrono::year_month_day calendarDate(int year, int month, int day) {
    return {std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
            std::chrono::day{static_cast<unsigned>(day)}};
}

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
};

// "2026-12-10"; any year, checked by the caller.
std::optional<Date> parseDate(std::string_view text) {
    const size_t first = text.find('-');
    if (first != 4) return std::nullopt;
    const size_t second = text.find('-', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto year = parseSmall(text.substr(0, first), 0, 9999);
    const auto month = parseField(text.substr(first + 1, second - first - 1), 12);
    const auto day = parseField(text.substr(second + 1), 31);
    if (!year || !month || !day || !calendarDate(*year, *month, *day).ok()) return std::nullopt;
    return Date{*year, *month, *day};
}

}  // namespace

CalendarTime localCalendarTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int weekday = local.tm_wday == 0 ? 7 : local.tm_wday;  // tm counts from Sunday = 0
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, weekday, local.tm_hour, local.tm_min, local.tm_sec};
}

Decoded decodeTimeOfDay(const ResolvedType&, std::span<const uint8_t> data) {
    const int day = data[0] >> kDayShift;
    const int hour = data[0] & kHourMask;
    const int minute = data[1] & kSixBits;
    const int second = data[2] & kSixBits;
    std::array<char, 64> text{};
    if (hour > kLastHour || minute > kLastMinute || second > kLastMinute) {
        std::snprintf(text.data(), text.size(), "invalid (hour %d, minute %d, second %d)", hour, minute, second);
        return shownText(text.data());
    }
    std::snprintf(text.data(), text.size(), "%02d:%02d:%02d", hour, minute, second);
    if (day == 0) return shownText(text.data());
    return shownText(std::string(kDayNames[day - 1]) + " " + text.data());
}

EncodeResult encodeTimeOfDay(const ResolvedType& type, std::string_view text, CalendarClock now) {
    const std::string_view trimmed = trim(text);
    std::optional<TimeOfDay> time;
    if (equalsIgnoringAsciiCase(trimmed, "now")) {
        const CalendarTime clock = now();
        time = TimeOfDay{clock.weekday, clock.hour, clock.minute, clock.second};
    } else {
        time = parseTimeOfDay(trimmed);
    }
    if (!time) return notValid(type, text, "give a time such as 14:30, 14:30:05 or Tue 14:30:05, or now");
    const auto first =
        static_cast<uint8_t>(static_cast<unsigned>(time->day) << kDayShift | static_cast<unsigned>(time->hour));
    return GroupValue{{first, static_cast<uint8_t>(time->minute), static_cast<uint8_t>(time->second)}};
}

Decoded decodeDate(const ResolvedType&, std::span<const uint8_t> data) {
    const int day = data[0] & kDayMask;
    const int month = data[1] & kMonthMask;
    const int shortYear = data[2] & kYearMask;
    const int year = shortYear + (shortYear < kCenturyTurn ? 2000 : 1900);
    std::array<char, 64> text{};
    if (shortYear >= kYearsInCentury || !calendarDate(year, month, day).ok()) {
        std::snprintf(text.data(), text.size(), "invalid (day %d, month %d, year %d)", day, month, shortYear);
        return shownText(text.data());
    }
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02d", year, month, day);
    return shownText(text.data());
}

EncodeResult encodeDate(const ResolvedType& type, std::string_view text, CalendarClock now) {
    const std::string_view trimmed = trim(text);
    std::optional<Date> date;
    if (equalsIgnoringAsciiCase(trimmed, "today")) {
        const CalendarTime clock = now();
        date = Date{clock.year, clock.month, clock.day};
    } else {
        date = parseDate(trimmed);
    }
    if (!date) return notValid(type, text, "give a date such as 2026-12-10, or today");
    if (date->year < kFirstYear || date->year > kLastYear) {
        return outOfRange(type, text, "give a date from 1990-01-01 to 2089-12-31");
    }
    const auto shortYear = static_cast<uint8_t>(date->year % kYearsInCentury);
    return GroupValue{{static_cast<uint8_t>(date->day), static_cast<uint8_t>(date->month), shortYear}};
}

}  // namespace lintor::dpt
