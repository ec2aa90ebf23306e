// Runs the fuzz targets on seeded random input, so that every build (not only
// the clang fuzzing build) exercises them, under the sanitizers too.
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"

namespace lintor {
namespace {

using namespace std::string_view_literals;

// Random bytes drawn mostly from the values the protocol gives meaning to.
std::vector<uint8_t> plausibleBytes(std::mt19937& rng, size_t size) {
    static constexpr uint8_t interesting[] = {0x68, 0x16, 0xE5, 0x10, 0x29, 0x2E, 0xBC, 0x00,
                                              0x80, 0x10, 0x00, 0x20, 0xFF, 0x09, 0x0A, 0x3A};
    std::vector<uint8_t> out(size);
    for (auto& b : out) {
        b = rng() % 2 ? interesting[rng() % sizeof interesting] : static_cast<uint8_t>(rng());
    }
    return out;
}

template <typename Target>
void runRandomInputs(Target target, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < 400; ++i) {
        target(plausibleBytes(rng, rng() % 600));
    }
}

TEST(RandomInput, SerialReceiverKeepsItsInvariants) { runRandomInputs(fuzz::serialInput, 1); }
TEST(RandomInput, ModuleReceiverKeepsItsInvariants) { runRandomInputs(fuzz::moduleSerialInput, 4); }
TEST(RandomInput, DownlinkReaderKeepsItsInvariants) { runRandomInputs(fuzz::downlinkStream, 2); }
TEST(RandomInput, ManagementTelegramsKeepTheirInvariants) { runRandomInputs(fuzz::managementTelegrams, 3); }

// Text made of the words that settings files and addresses are written in.
template <typename Target>
void runRandomTexts(Target target, std::span<const std::string_view> words, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < 2000; ++i) {
        std::string text;
        for (int w = static_cast<int>(rng() % 30); w > 0; --w) text += words[rng() % words.size()];
        target(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    runRandomInputs(target, seed + 100);
}

TEST(RandomInput, IniDocumentKeepsItsInvariants) {
    static constexpr std::string_view words[] = {
        "[settings]", "[Settings]", "[log]", "ComPort", "comport", "Level", "=", " ", "\t", "\n",
        "\r\n",       ";",          "#",     "\"",      "5",       "-7",    "x", "[", "]",  "\0"sv};
    runRandomTexts(fuzz::iniDocument, words, 7);
}

TEST(RandomInput, GroupAddressParsersAgree) {
    static constexpr std::string_view words[] = {"1",    "31",   "32", "7", "8", "255", "256", "/",          "#",
                                                 "0a03", "ffff", "-",  "+", " ", "x",   "0",   "99999999999"};
    runRandomTexts(fuzz::groupAddressText, words, 8);
}

#ifdef LINTOR_FUZZ_NETWORK
TEST(RandomInput, KnxIpServerKeepsItsInvariants) {
    // Step headers, frame headers and the usual services, so that most
    // datagrams get past the header.
    static constexpr std::string_view words[] = {"\x1A\x00"sv,
                                                 "\x15\x00"sv,
                                                 "\x10\x01"sv,
                                                 "\x0A\x02"sv,
                                                 "\x02\x03"sv,
                                                 "\x06\x10\x02\x05\x00\x1A"sv,
                                                 "\x06\x10\x04\x20\x00\x15\x04\x01"sv,
                                                 "\x06\x10\x04\x21\x00\x0A\x04\x01"sv,
                                                 "\x06\x10\x02\x07\x00\x10\x01\x00"sv,
                                                 "\x08\x01\x00\x00\x00\x00\x00\x00"sv,
                                                 "\x04\x04\x02\x00"sv,
                                                 "\x11\x00\xBC\xE0\x00\x00\x0A\x03\x01\x00\x81"sv,
                                                 "\x00\x88\x0A\x00\xBC\x11\xFF\x0A\x03\xE1\x00\x81\x00\x16"sv,
                                                 "\x00"sv,
                                                 "\xFF"sv};
    runRandomTexts(fuzz::knxipDatagrams, words, 17);
}
#endif

TEST(RandomInput, MonitorKeepsItsInvariants) { runRandomInputs(fuzz::monitorRecordStream, 13); }

TEST(RandomInput, ProxyInfoReaderKeepsItsInvariants) {
    static constexpr std::string_view words[] = {"<ProxyInfo ", "GA=\"", "Type=\"", "Value=\"", "\"",
                                                 ">",           " ",     "1/2/3",   "31/7/255", "32/0/0",
                                                 "Bit",         "65535", "65536",   "x"};
    runRandomTexts(fuzz::proxyInfoLines, words, 14);
}

TEST(RandomInput, DatapointValuesKeepTheirInvariants) {
    static constexpr std::string_view words[] = {"\x0C",
                                                 "\x0D",
                                                 "\x14",
                                                 "\x10",
                                                 "\x12",
                                                 "\x17",
                                                 "21.5",
                                                 "-0.01",
                                                 "on",
                                                 "off",
                                                 "increase 3",
                                                 "#FF8000",
                                                 "14:30:05",
                                                 "Tue ",
                                                 "2026-12-10",
                                                 "K\xC3\xBC"
                                                 "che",
                                                 "\"",
                                                 "\\",
                                                 " \xC2\xB0"
                                                 "C",
                                                 "%",
                                                 "1e9",
                                                 "670433.28",
                                                 "economy",
                                                 ","};
    runRandomTexts(fuzz::datapointValue, words, 15);
}

TEST(RandomInput, GroupNamesFileKeepsItsInvariants) {
    static constexpr std::string_view words[] = {"\"Main\";\"Middle\";\"Sub\";\"Address\";\"DatapointType\"\r\n",
                                                 "\"Group name\",\"Address\"\n",
                                                 "\"",
                                                 "\"\"",
                                                 ";",
                                                 ",",
                                                 "\t",
                                                 "\r\n",
                                                 "\n",
                                                 "1/-/-",
                                                 "1/1/-",
                                                 "1/1/1",
                                                 "1/2/3",
                                                 "32/0/0",
                                                 "DPST-9-1",
                                                 "DPT-9",
                                                 "1.001",
                                                 "K\xC3\xBC"
                                                 "che",
                                                 "K\xFC"
                                                 "che",
                                                 "Licht",
                                                 "#",
                                                 "\xEF\xBB\xBF"};
    runRandomTexts(fuzz::groupNamesFile, words, 16);
}

#ifdef LINTOR_FUZZ_NETWORK
TEST(RandomInput, ClientRecordFramerKeepsItsInvariants) { runRandomInputs(fuzz::clientRecordStream, 3); }
TEST(RandomInput, GroupValueDecoderKeepsItsInvariants) { runRandomInputs(fuzz::groupValueRecord, 5); }

// Proxy requests: random text built from the protocol's own words.
TEST(RandomInput, ProxyRequestParserKeepsItsInvariants) {
    static constexpr const char* words[] = {"<SetGA", "GA",    "Type", "Value", "=",  "\"",    " ",   "\r\n", ">",
                                            "1/2/3",  "#0a03", "EIS1", "T2BF",  "-1", "70000", "abc", "<"};
    std::mt19937 rng(4);
    for (int i = 0; i < 2000; ++i) {
        std::string text;
        for (int w = static_cast<int>(rng() % 40); w > 0; --w) text += words[rng() % std::size(words)];
        fuzz::proxyRequestStream(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    runRandomInputs(fuzz::proxyRequestStream, 6);
}
#endif

#ifdef LINTOR_FUZZ_APP
// Command lines of option names and values, one word an argument mostly,
// sometimes two run together as in "--gateway-port=0"; "" is what an unset
// shell variable gives.
TEST(RandomInput, CommandLineKeepsItsInvariants) {
    static constexpr std::string_view options[] = {
        "--device",   "--gateway-port", "--proxy-port", "--listen",         "--config",
        "--headless", "--simulate",     "--stats",      "--help",           "-h",
        "--version",  "--allow",        "--log-level",  "--gateway-listen", "--proxy-listen"};
    static constexpr std::string_view values[] = {
        "0",         "5003", "57627",      "65536",    "-1", "off", "debug", "/dev/ttyUSB0",
        "127.0.0.1", "::1",  "10.0.0.0/8", "fd00::/8", "x",  "-",   "=",     ""};
    std::mt19937 rng(9);
    for (int i = 0; i < 2000; ++i) {
        std::string text;
        for (int w = static_cast<int>(rng() % 12); w > 0; --w) {
            text += rng() % 2 ? options[rng() % std::size(options)] : values[rng() % std::size(values)];
            if (w > 1 && rng() % 4 != 0) text += '\0';
        }
        fuzz::commandLine(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    runRandomInputs(fuzz::commandLine, 109);
}

TEST(RandomInput, SettingsReaderKeepsItsInvariants) {
    static constexpr std::string_view words[] = {
        "[settings]", "[Settings]", "[log]", "ComPort",      "comport", "Device", "device", "=",
        " ",          "\t",         "\n",    "\r\n",         ";",       "\"",     "1",      "0",
        "-3",         "+7",         "x",     "/dev/ttyUSB0", "[",       "]",      "\0"sv};
    runRandomTexts(fuzz::settingsReader, words, 10);
}

TEST(RandomInput, ConfigurationFileProblemsNameTheirLine) {
    static constexpr std::string_view words[] = {
        "[settings]", "[gateway]", "[proxy]",  "[access]", "[log]", "[window]",   "Port",  "Listen", "Allow",
        "Level",      "Stats",     "Simulate", "ComPort",  "=",     " ",          "\n",    ",",      "off",
        "yes",        "0",         "57627",    "5003",     "::1",   "10.0.0.0/8", "debug", ";",      "x"};
    runRandomTexts(fuzz::configurationFile, words, 12);
}
#endif

}  // namespace
}  // namespace lintor
