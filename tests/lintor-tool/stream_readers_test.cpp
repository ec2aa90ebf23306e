#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bytes.h"
#include "tools/lintor-tool/proxy_info_reader.h"
#include "tools/lintor-tool/record_stream.h"

namespace lintor::tool {
namespace {

using test::bytes;
using test::hex;

std::vector<uint8_t> textBytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(RecordStream, EverySplitGivesTheSameRecords) {
    // A telegram record, an empty one, and one with a payload of 300 bytes.
    std::vector<uint8_t> stream = bytes("02 10 0A 00 BC 11 0B 09 01 E1 00 81 5A 16 34 12 00 00 F0 FF 2C 01");
    stream.resize(stream.size() + 300, 0xAB);
    for (size_t piece = 1; piece <= stream.size(); ++piece) {
        SCOPED_TRACE(piece);
        RecordStream records;
        std::vector<size_t> sizes;
        std::string first;
        for (size_t at = 0; at < stream.size(); at += piece) {
            records.feed(std::span(stream).subspan(at, std::min(piece, stream.size() - at)));
            while (const auto record = records.next()) {
                if (sizes.empty()) first = hex(*record);
                sizes.push_back(record->size());
            }
        }
        EXPECT_EQ(sizes, (std::vector<size_t>{14, 4, 304}));
        EXPECT_EQ(first, "02 10 0A 00 BC 11 0B 09 01 E1 00 81 5A 16");
    }
}

TEST(ProxyInfoReader, LinesWithoutLineEndsAreCutAtEachBracket) {
    const auto stream =
        textBytes(R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="1"><ProxyInfo GA="3/1/1" Type="Bit" Value="3098">)");
    for (size_t piece = 1; piece <= stream.size(); ++piece) {
        SCOPED_TRACE(piece);
        ProxyInfoReader reader;
        std::vector<ProxyInfo> infos;
        for (size_t at = 0; at < stream.size(); at += piece) {
            reader.feed(std::span(stream).subspan(at, std::min(piece, stream.size() - at)));
            while (auto info = reader.next()) infos.push_back(*info);
        }
        EXPECT_EQ(infos, (std::vector<ProxyInfo>{{0x0A03, 1, "Bit"}, {0x1901, 3098, "Bit"}}));
        EXPECT_EQ(reader.skipped(), 0U);
    }
}

TEST(ProxyInfoReader, PassesOverWhatIsNoProxyInfo) {
    ProxyInfoReader reader;
    reader.feed(textBytes(R"(garbage><ProxyInfo GA="1/9/3" Type="Bit" Value="1"><ProxyInfo GA="1/2/3" Value="70000">)"
                          R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="65535">)"));
    const auto info = reader.next();
    ASSERT_TRUE(info);
    EXPECT_EQ(*info, (ProxyInfo{0x0A03, 65535, "Bit"}));
    EXPECT_EQ(reader.skipped(), 3U);
    EXPECT_FALSE(reader.next());
}

TEST(ProxyInfoReader, ManyWholeLinesInOnePieceAreAllRead) {
    std::string text;
    for (int sub = 0; sub < 40; ++sub)
        text += R"(<ProxyInfo GA="1/2/)" + std::to_string(sub) + R"(" Type="Bit" Value="1">)";
    ProxyInfoReader reader;
    reader.feed(textBytes(text));
    int count = 0;
    while (reader.next()) ++count;
    EXPECT_EQ(count, 40);
    EXPECT_EQ(reader.skipped(), 0U);
}

TEST(ProxyInfoReader, LineAfterLongJunkIsStillRead) {
    ProxyInfoReader reader;
    reader.feed(textBytes(std::string(300, 'x') + R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="1">)"));
    const auto info = reader.next();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->groupAddress, 0x0A03);
    EXPECT_GT(reader.skipped(), 0U);
}

TEST(ProxyInfoReader, LineThatNeverEndsIsGivenUp) {
    ProxyInfoReader reader;
    const std::vector<uint8_t> endless(10 * ProxyInfoReader::LONGEST_LINE, 'x');
    reader.feed(endless);
    EXPECT_FALSE(reader.next());
    EXPECT_EQ(reader.skipped(), 9U);
    // The line that follows the endless text directly is read.
    reader.feed(textBytes(R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="0">)"));
    const auto info = reader.next();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->value, 0);
}

}  // namespace
}  // namespace lintor::tool
