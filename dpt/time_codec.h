#pragma once

#include <span>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"

// DPT 10 (time of day with an optional day of the week) and 11 (date).
namespace lintor::dpt {

struct CalendarTime {
    int year = 0;
    int month = 0;    // 1..12
    int day = 0;      // 1..31
    int weekday = 0;  // 1 = Monday .. 7 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The clock behind "now" and "today"; tests give a fixed one.
using CalendarClock = CalendarTime (*)();
CalendarTime localCalendarTime();

Decoded decodeTimeOfDay(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeTimeOfDay(const ResolvedType& type, std::string_view text, CalendarClock now = localCalendarTime);

Decoded decodeDate(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeDate(const ResolvedType& type, std::string_view text, CalendarClock now = localCalendarTime);

}  // namespace lintor::dpt
