#include "tools/lintor-tool/monitor_output.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"
#include "tools/lintor-tool/json_object.h"

namespace lintor::tool {
namespace {

using test::bytes;

const WallTime kTime{"08:15:02.123", "2026-12-10T08:15:02.123+01:00"};

GroupNames namesOf(std::string_view text) {
    auto read = GroupNames::read(text, "names.csv");
    return std::move(std::get<GroupNames::Loaded>(read).names);
}

const GroupNames kNames = namesOf(
    "1/1/1;Hall light;1.001\n"
    "3/1/1;Living room temperature;9.001\n"
    "4/0/1;Meter;13.010\n"
    "1/2/1;Dimmer;5.001\n");

std::string lineOf(std::string_view record, const GroupNames& names = kNames) {
    const auto data = bytes(record);
    return monitorLine(describeRecord(data, names), kTime);
}

std::string jsonOf(std::string_view record, const GroupNames& names = kNames) {
    const auto data = bytes(record);
    return monitorJson(describeRecord(data, names), kTime);
}

// Records as the gateway sends them: type and length little-endian, then the
// message without its code, the checksum and 0x16.
TEST(MonitorLine, TelegramsInWords) {
    struct Case {
        const char* name;
        std::string record;
        std::string line;
    };
    for (const Case& c : {
             Case{"switch on", "02 10 0A 00 BC 11 0B 09 01 E1 00 81 5A 16",
                  "08:15:02.123 indication 1.1.11 -> 1/1/1 \"Hall light\" GroupValue_Write 01 = on [low, hops 6]"},
             // 0C 1A: mantissa 0x41A = 1050, exponent 1: 21.00.
             Case{"temperature", "02 10 0C 00 BC 11 0E 19 01 E3 00 80 0C 1A 00 16",
                  "08:15:02.123 indication 1.1.14 -> 3/1/1 \"Living room temperature\" GroupValue_Write 0C 1A = "
                  "21.00 \xC2\xB0"
                  "C [low, hops 6]"},
             Case{"read carries no data", "00 10 0A 00 BC 11 01 09 01 E1 00 00 00 16",
                  "08:15:02.123 indication 1.1.1 -> 1/1/1 \"Hall light\" GroupValue_Read [low, hops 6]"},
             Case{"no names: raw bytes only", "01 10 0B 00 BC 11 0D 0A 05 E2 00 40 80 00 16",
                  "08:15:02.123 indication 1.1.13 -> 1/2/5 GroupValue_Response 80 [low, hops 6]"},
             Case{"repeated, system priority", "02 10 0A 00 90 11 0B 09 01 E1 00 80 00 16",
                  "08:15:02.123 indication 1.1.11 -> 1/1/1 \"Hall light\" GroupValue_Write 00 = off [system, hops 6, "
                  "repeated]"},
             // 61: individual destination, hop count 6; 43 00: DeviceDescriptor_Read.
             Case{"individual destination", "70 10 0A 00 B0 11 01 11 05 61 43 00 00 16",
                  "08:15:02.123 indication 1.1.1 -> 1.1.5 DeviceDescriptor_Read 43 00 [system, hops 6]"},
             Case{"positive confirm", "00 88 0A 00 BC 00 00 0A 03 E1 00 81 00 16",
                  "08:15:02.123 confirm positive 0.0.0 -> 1/2/3 GroupValue_Write 01 [low, hops 6]"},
             Case{"negative confirm", "00 88 0A 00 BD 00 00 0A 03 E1 00 81 00 16",
                  "08:15:02.123 confirm negative 0.0.0 -> 1/2/3 GroupValue_Write 01 [low, hops 6]"},
             Case{"other frame", "F0 FF 03 00 4B 5A 16", "08:15:02.123 frame 4B 5A 16"},
             Case{"unknown record type", "34 12 01 00 AA", "08:15:02.123 record 0x1234 AA"},
             Case{"telegram cut short", "02 10 05 00 BC 11 0E 19 01",
                  "08:15:02.123 indication (cut short) BC 11 0E 19 01"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lineOf(c.record), c.line);
    }
}

TEST(MonitorLine, ValueOfTheWrongSizeIsShownRawOnly) {
    // The names file says 9.001, the telegram carries one byte.
    EXPECT_EQ(lineOf("02 10 0B 00 BC 11 0E 19 01 E2 00 80 05 00 16"),
              "08:15:02.123 indication 1.1.14 -> 3/1/1 \"Living room temperature\" GroupValue_Write 05 [low, hops 6]");
}

TEST(MonitorJson, OneObjectWithEveryField) {
    EXPECT_EQ(jsonOf("02 10 0C 00 BC 11 0E 19 01 E3 00 80 0C 1A 00 16"),
              R"({"time":"2026-12-10T08:15:02.123+01:00","record":"0x1002","kind":"indication",)"
              R"("source":"1.1.14","destination":"3/1/1","destination_kind":"group","priority":"low",)"
              R"("repeated":false,"hops":6,"service":"GroupValue_Write","tpdu":"00 80 0C 1A","data":"0C 1A",)"
              R"("name":"Living room temperature","path":"Living room temperature","dpt":"9.001","value":21,)"
              "\"text\":\"21.00 \xC2\xB0"
              "C\",\"unit\":\"\xC2\xB0"
              "C\"}");
    EXPECT_EQ(jsonOf("00 88 0A 00 BD 00 00 0A 03 E1 00 81 00 16"),
              R"({"time":"2026-12-10T08:15:02.123+01:00","record":"0x8800","kind":"confirm","confirm":"negative",)"
              R"("source":"0.0.0","destination":"1/2/3","destination_kind":"group","priority":"low",)"
              R"("repeated":false,"hops":6,"service":"GroupValue_Write","tpdu":"00 81","data":"01"})");
    EXPECT_EQ(jsonOf("F0 FF 03 00 4B 5A 16"),
              R"({"time":"2026-12-10T08:15:02.123+01:00","record":"0xFFF0","kind":"frame","payload":"4B 5A 16"})");
}

TEST(MonitorJson, StringsStayValidJsonWhateverTheBytes) {
    EXPECT_EQ(jsonString("a\"b\\c\n\t\x01"), R"("a\"b\\c\n\t\u0001")");
    EXPECT_EQ(jsonString("K\xC3\xBC"
                         "che"),
              "\"K\xC3\xBC"
              "che\"");
    // Latin-1 ü, a lone continuation byte, a cut sequence, an overlong slash.
    EXPECT_EQ(jsonString("K\xFC"), "\"K\xEF\xBF\xBD\"");
    EXPECT_EQ(jsonString("\x80"), "\"\xEF\xBF\xBD\"");
    EXPECT_EQ(jsonString("\xE2\x82"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(jsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

}  // namespace
}  // namespace lintor::tool
