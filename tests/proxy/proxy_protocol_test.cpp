#include "proxy/proxy_protocol.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::hex;

TEST(SetGaRequest, AcceptedForms) {
    struct Case {
        const char* name;
        std::string text;
        SetGaRequest expected;
    };
    for (const Case& c : {
             Case{"as clients write it", R"(<SetGA GA="1/2/3" Type="EIS1" Value="1">)", {0x0A03, 1, 1}},
             Case{"without quotes", "<SetGA GA=1/2/3 Type=EIS1 Value=1>", {0x0A03, 1, 1}},
             Case{"with line breaks", "<SetGA\r\nGA=\"1/2/3\"\r\nType=\"EIS1\"\nValue=\"1\">", {0x0A03, 1, 1}},
             Case{"fields cut to their width", R"(<SetGA GA="32/0/1" Type="Bit" Value="0">)", {0x0001, 1, 0}},
             Case{"middle group cut", R"(<SetGA GA="1/8/0" Type="T1B" Value="5">)", {0x0800, 6, 5}},
             Case{"hex address", R"(<SetGA GA="#0a03" Type="T2BF" Value="7">)", {0x0A03, 5, 7}},
             Case{"value without digits", R"(<SetGA GA="1/2/3" Type="EIS15" Value="abc">)", {0x0A03, 15, 0}},
             Case{"negative value", R"(<SetGA GA="1/2/3" Type="T2B" Value="-1">)", {0x0A03, 10, 0xFFFF}},
             Case{"long value keeps its low 16 bits",
                  R"(<SetGA GA="1/2/3" Type="Bit" Value="74565">)",
                  {0x0A03, 1, 9029}},
             Case{"largest 32-bit value", R"(<SetGA GA="1/2/3" Type="T2B" Value="2147483647">)", {0x0A03, 10, 0xFFFF}},
             Case{"smallest 32-bit value", R"(<SetGA GA="1/2/3" Type="T2B" Value="-2147483648">)", {0x0A03, 10, 0}},
             Case{"words before keywords are passed over",
                  R"(<SetGA x GA="1/2/3" y Type="Bit" z Value="2" tail>)",
                  {0x0A03, 1, 2}},
         }) {
        SCOPED_TRACE(c.name);
        const auto request = parseSetGaRequest(c.text);
        ASSERT_TRUE(request);
        EXPECT_EQ(*request, c.expected);
    }
}

TEST(SetGaRequest, RejectedForms) {
    for (const char* text : {
             R"(<SetGA GA="0/0/0" Type="EIS1" Value="1">)",
             R"(<SetGA GA="#0000" Type="EIS1" Value="1">)",
             R"(<SetGA GA="1/2/3" Type="eis1" Value="1">)",
             R"(<SetGA GA="1/2/3" Type="EIS16" Value="1">)",
             R"(<SetGA Type="EIS1" GA="1/2/3" Value="1">)",
             R"( <SetGA GA="1/2/3" Type="EIS1" Value="1">)",
             R"(<setga GA="1/2/3" Type="EIS1" Value="1">)",
             R"(<SetGA GA="1/2/3" Type="EIS1" Value="1")",
             R"(<SetGA GA="1/2/3" Type="EIS1" Value>)",
             R"(<SetGA GA="1/2" Type="EIS1" Value="1">)",
             // Numbers no 32-bit integer holds have no low bits to send.
             R"(<SetGA GA="1/2/3" Type="T2B" Value="2147483648">)",
             R"(<SetGA GA="1/2/3" Type="T2B" Value="-2147483649">)",
             R"(<SetGA GA="1/2/3" Type="T2B" Value="99999999999999999999">)",
             "<>",
             "",
         }) {
        EXPECT_FALSE(parseSetGaRequest(text)) << text;
    }
}

TEST(GroupAddress, ParsingAndFormatting) {
    EXPECT_EQ(parseGroupAddress("1/2/3"), 0x0A03);
    EXPECT_EQ(parseGroupAddress("31/7/255"), 0xFFFF);
    EXPECT_EQ(parseGroupAddress("-1/0/0"), 0xF800);
    EXPECT_EQ(parseGroupAddress("1/2/3garbage"), 0x0A03);
    EXPECT_EQ(parseGroupAddress("#FFFF"), 0xFFFF);
    EXPECT_EQ(parseGroupAddress("#12345"), 0x1234);
    EXPECT_EQ(parseGroupAddress("#"), 0);
    EXPECT_EQ(parseGroupAddress("abc"), 0);
    // Numbers beyond 32 bits wrap rather than overflow: 99999999999 mod 2^32 ends in 11111 binary.
    EXPECT_EQ(parseGroupAddress("99999999999/1/1"), 0xF901);
    EXPECT_EQ(formatGroupAddress(0x0A03), "1/2/3");
    EXPECT_EQ(formatGroupAddress(0xFFFF), "31/7/255");
    EXPECT_EQ(formatGroupAddress(0), "0/0/0");
}

TEST(TypeNames, RequestNamesAndProxyInfoNames) {
    EXPECT_EQ(parseTypeName("Bit"), 1);
    EXPECT_EQ(parseTypeName("T1B"), 6);
    EXPECT_EQ(parseTypeName("T2B"), 10);
    EXPECT_EQ(parseTypeName("T2BF"), 5);
    for (int n = 1; n <= 15; ++n) EXPECT_EQ(parseTypeName("EIS" + std::to_string(n)), n);
    for (const char* unknown : {"bit", "EIS0", "EIS16", "EIS01", "", "T2BF "}) EXPECT_EQ(parseTypeName(unknown), 0);
    EXPECT_EQ(proxyInfoTypeName(0), "Bit");
    EXPECT_EQ(proxyInfoTypeName(1), "BIT");
    EXPECT_EQ(proxyInfoTypeName(6), "B1");
    EXPECT_EQ(proxyInfoTypeName(10), "B2");
    EXPECT_EQ(proxyInfoTypeName(33), "B2F");
}

TEST(ProxyInfo, LineCarriesTheLow16BitsUnsigned) {
    EXPECT_EQ(formatProxyInfo({0x0A03, 1, 1, 0}), R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="1">)");
    EXPECT_EQ(formatProxyInfo({0x0A03, -1, 1, 0}), R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="65535">)");
    EXPECT_EQ(formatProxyInfo({0x0001, 74565, 1, 0}), R"(<ProxyInfo GA="0/0/1" Type="Bit" Value="9029">)");
}

TEST(GroupWriteRecord, ValueDecidesTheDataBytesNeverTheService) {
    struct Case {
        uint16_t value;
        std::string record;
    };
    for (const Case& c : {
             Case{0, "10 80 09 00 11 0C 11 FF 0A 03 E1 00 80"},
             Case{1, "10 80 09 00 11 0C 11 FF 0A 03 E1 00 81"},
             Case{63, "10 80 09 00 11 0C 11 FF 0A 03 E1 00 BF"},
             Case{64, "10 80 0A 00 11 0C 11 FF 0A 03 E2 00 80 40"},
             Case{255, "10 80 0A 00 11 0C 11 FF 0A 03 E2 00 80 FF"},
             Case{256, "10 80 0B 00 11 0C 11 FF 0A 03 E3 00 80 01 00"},
             Case{65535, "10 80 0B 00 11 0C 11 FF 0A 03 E3 00 80 FF FF"},
         }) {
        EXPECT_EQ(hex(groupWriteRecord(0x0A03, c.value)), c.record) << c.value;
    }
}

}  // namespace
}  // namespace lintor
