#include "link/telegram_classifier.h"

#include <gtest/gtest.h>

#include <set>

#include "link/bus_message.h"
#include "link/telegram_types.h"
#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;
using test::hex;

// An L_Data frame (indication unless told otherwise) around the given
// TPCI/APCI bytes and data.
std::vector<uint8_t> indication(const std::string& control, const std::string& tpduAndData, uint8_t code = 0x29,
                                uint8_t ft12Control = 0x73) {
    auto message = bytes(control + " 11 01 0A 03");
    message.insert(message.begin(), code);
    const auto tpdu = bytes(tpduAndData);
    message.push_back(static_cast<uint8_t>(0xE0 | (tpdu.size() - 1)));
    message.insert(message.end(), tpdu.begin(), tpdu.end());
    return test::variableFrame(ft12Control, message);
}

TEST(TelegramTypes, ServiceKeysFindTheirRows) {
    struct Case {
        uint8_t tpci, apci;
        uint16_t type;
    };
    for (const Case& c : {
             Case{0x00, 0x81, 0x1002},                  // group value write of 1
             Case{0x00, 0x00, 0x1000},                  // group value read
             Case{0x00, 0x7F, 0x1001},                  // response, 6-bit data 0x3F
             Case{0x46, 0x03, 0x1040},                  // numbered, seq 1, A_Memory_Read of 3 bytes
             Case{0x4B, 0xD5, 0x10C0},                  // numbered, seq 2, A_PropertyValue_Read
             Case{0x7F, 0x80, 0x1080},                  // A_Restart with seq 15
             Case{0x80, 0x5A, 0x10F0},                  // T_Connect: low byte ignored
             Case{0x81, 0x00, 0x10F1},                  // T_Disconnect
             Case{0xC2, 0x00, 0x10F6},                  // T_ACK, seq 0
             Case{0xFF, 0x12, 0x10F7},                  // T_NAK, seq 15
             Case{0x03, 0x00, MSG_UNMATCHED_TELEGRAM},  // unnumbered A_DeviceDescriptor_Read
             Case{0x02, 0x00, MSG_UNMATCHED_TELEGRAM},  // connectionless A_Memory_Read
             Case{0x03, 0xDF, 0x1030},
         }) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.tpci) << " " << int(c.apci));
        EXPECT_EQ(telegramTypeFor(serviceKey(c.tpci, c.apci)), c.type);
    }
}

TEST(TelegramTypes, NoKeyMatchesTwoRows) {
    for (uint32_t key = 0; key <= 0xFFFF; ++key) {
        int matches = 0;
        for (const auto& rule : telegramTypeTable) matches += (key & rule.mask) == rule.value;
        ASSERT_LE(matches, 1) << "key " << std::hex << key;
    }
    std::set<uint16_t> types;
    std::set<std::string_view> services;
    for (const auto& rule : telegramTypeTable) {
        types.insert(rule.type);
        services.insert(rule.service);
        EXPECT_FALSE(rule.service.empty()) << std::hex << rule.type;
    }
    EXPECT_EQ(types.size(), telegramTypeTable.size());
    EXPECT_EQ(services.size(), telegramTypeTable.size());
}

TEST(TelegramClassifier, GroupWriteBecomesRecordWithPayloadFromControlField) {
    TelegramClassifier classifier;
    const auto frame = bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16");
    const auto result = classifier.classify(frame);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->type, MSG_GROUP_VALUE_WRITE);
    EXPECT_EQ(hex(result->payload), "BC 11 01 0A 03 E1 00 81 D9 16");
    EXPECT_EQ(result->payload.size(), 0x0Au);
    EXPECT_FALSE(result->duplicate);
}

TEST(TelegramClassifier, MessageCodeAndControlFieldDecideOtherTypes) {
    struct Case {
        const char* name;
        std::vector<uint8_t> frame;
        uint16_t type;
    };
    const auto con = indication("BC", "00 81", 0x2E);
    const auto conNegative = indication("BD", "00 81", 0x2E);
    const auto otherCode = indication("BC", "00 81", 0x49);
    for (const Case& c : {
             Case{"repeated on the bus", indication("9C", "00 81"), MSG_OTHER_FRAME},
             Case{"confirmation", con, MSG_CONFIRM},
             Case{"negative confirmation", conNegative, MSG_CONFIRM},
             Case{"other message code", otherCode, MSG_OTHER_FRAME},
             Case{"numbered memory read", indication("B0", "46 03 00 10"), 0x1040},
             Case{"connectionless memory read", indication("B0", "02 03 00 10"), MSG_UNMATCHED_TELEGRAM},
             Case{"T_Connect without APCI byte", indication("B0", "80"), 0x10F0},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(recordTypeOfFrame(c.frame), c.type);
    }
    // The payload starts after the message code: the code is not passed on.
    TelegramClassifier classifier;
    EXPECT_EQ(classifier.classify(otherCode)->payload.front(), 0xBC);
}

TEST(TelegramClassifier, FramesTooShortForTheirFieldsAreOtherFrames) {
    struct Case {
        const char* name;
        std::string frame;
    };
    for (const Case& c : {
             Case{"L = 0", "68 00 00 68 00 16"},
             Case{"L = 1", "68 01 01 68 73 73 16"},
             Case{"L_Data.ind, L = 2", "68 02 02 68 73 29 9C 16"},
             // 8A + 2E = B8: the checksum where the control field belongs.
             Case{"L_Data.con, L = 2", "68 02 02 68 8A 2E B8 16"},
             Case{"L_Data.ind, L = 8, no TPCI", "68 08 08 68 73 29 BC 11 01 0A 03 E1 58 16"},
         }) {
        SCOPED_TRACE(c.name);
        TelegramClassifier classifier;
        const auto frame = bytes(c.frame);
        const auto result = classifier.classify(frame);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->type, MSG_OTHER_FRAME);
        EXPECT_EQ(result->payload.size(), frame.size() - 6);
    }
    // L = 3 holds the control field: enough for a confirmation.
    EXPECT_EQ(recordTypeOfFrame(bytes("68 03 03 68 73 2E B0 51 16")), MSG_CONFIRM);
}

TEST(TelegramClassifier, CountsOnlyImmediateRepetitions) {
    const auto a = indication("BC", "00 81");
    const auto b = indication("BC", "00 80");
    const auto aOtherControl = indication("BC", "00 81", 0x29, 0x53);
    struct Case {
        const char* name;
        std::vector<std::vector<uint8_t>> frames;
        std::vector<bool> duplicates;
    };
    for (const Case& c : {
             Case{"A A A", {a, a, a}, {false, true, true}},
             Case{"A B A", {a, b, a}, {false, false, false}},
             Case{"differing control byte", {a, aOtherControl}, {false, false}},
         }) {
        SCOPED_TRACE(c.name);
        TelegramClassifier classifier;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            const auto result = classifier.classify(c.frames[i]);
            ASSERT_TRUE(result);
            EXPECT_EQ(result->duplicate, c.duplicates[i]) << "frame " << i;
        }
    }
}

TEST(TelegramClassifier, FramesAboveSixtyFourBytesAreDroppedAndKeepComparisonBasis) {
    // 73 + 29 + BC = 0x158: the checksum of both is 58.
    std::vector<uint8_t> largest = bytes("68 3A 3A 68 73 29 BC");  // L = 58: 64 bytes
    largest.resize(62, 0x00);
    largest.push_back(0x58);
    largest.push_back(0x16);
    std::vector<uint8_t> tooLarge = bytes("68 3B 3B 68 73 29 BC");  // L = 59: 65 bytes
    tooLarge.resize(63, 0x00);
    tooLarge.push_back(0x58);
    tooLarge.push_back(0x16);

    TelegramClassifier classifier;
    const auto first = classifier.classify(largest);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->payload.size(), 58u);
    EXPECT_FALSE(classifier.classify(tooLarge));
    const auto again = classifier.classify(largest);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->duplicate);
}

}  // namespace
}  // namespace lintor
