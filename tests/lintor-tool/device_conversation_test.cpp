// Device commands against a scripted gateway port. Records are written out
// by hand: requests as the tool sends them (type 0x8010, then the L_Data.req
// from its message code), answers as the gateway sends them (the message
// without its code, then the FT1.2 checksum, left 00, and 0x16). The BCU
// has 1.1.255; requests go at system priority with hop count 6.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "tests/support/bytes.h"
#include "tools/lintor-tool/address_assignment.h"
#include "tools/lintor-tool/device_probe.h"

namespace lintor::tool {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::hex;

// Each record the tool sends must be the next one expected; it releases the
// answers that follow it. No answer left is a time-out, at once.
class ScriptedPort final : public BusPort {
public:
    struct Step {
        std::string sent;
        std::vector<std::string> answers;
    };
    explicit ScriptedPort(std::vector<Step> steps) : steps_(std::move(steps)) {}
    ~ScriptedPort() override { EXPECT_EQ(at_, steps_.size()) << "the tool stopped before the script ended"; }

    bool send(std::span<const uint8_t> record) override {
        if (at_ == steps_.size()) {
            ADD_FAILURE() << "sent after the script ended: " << hex(record);
            return true;
        }
        EXPECT_EQ(hex(record), steps_[at_].sent) << "step " << at_;
        for (const std::string& answer : steps_[at_].answers) pending_.push_back(bytes(answer));
        ++at_;
        return true;
    }
    Next next(Connection::Clock::time_point) override {
        if (pending_.empty()) return TimedOut{};
        auto record = std::move(pending_.front());
        pending_.pop_front();
        return record;
    }

private:
    std::vector<Step> steps_;
    size_t at_ = 0;
    std::deque<std::vector<uint8_t>> pending_;
};

// T_Connect and T_Disconnect to 1.1.5: NPCI 60, TPDU 80 / 81.
const std::string kConnect = "10 80 08 00 11 00 00 00 11 05 60 80";
const std::string kConnected = "00 88 09 00 B0 00 00 11 05 60 80 00 16";
const std::string kDisconnect = "10 80 08 00 11 00 00 00 11 05 60 81";
// T_ACK (C2 | sequence << 2) both ways.
std::string ackTo(const char* tpci) { return std::string("10 80 08 00 11 00 00 00 11 05 60 ") + tpci; }
std::string ackFrom(const char* tpci) { return std::string("F6 10 09 00 B0 11 05 11 FF 60 ") + tpci + " 00 16"; }
// DeviceDescriptor_Read type 0 with sequence 0 (43 00).
const std::string kDescriptorRead = "10 80 09 00 11 00 00 00 11 05 61 43 00";
// Memory_Read of 1 byte at 0x0060 with sequence 1 (46 01 00 60).
const std::string kProgrammingModeRead = "10 80 0B 00 11 00 00 00 11 05 63 46 01 00 60";

TEST(ToolDeviceProbe, InfoOfABcu2) {
    ScriptedPort port({
        {kConnect, {kConnected}},
        {kDescriptorRead,
         {"00 88 0A 00 B0 00 00 11 05 61 43 00 00 16", ackFrom("C2"),
          // DeviceDescriptor_Response 43 40, mask version 0025.
          "71 10 0C 00 B0 11 05 11 FF 63 43 40 00 25 00 16"}},
        {ackTo("C2"), {}},
        // Memory_Response 46 41: 0x0060 holds 01, programming mode on.
        {kProgrammingModeRead, {ackFrom("C6"), "41 10 0D 00 B0 11 05 11 FF 64 46 41 00 60 01 00 16"}},
        {ackTo("C6"), {}},
        // PropertyValue_Read 4B D5 of object 0, property 11, one element from 1.
        {"10 80 0D 00 11 00 00 00 11 05 65 4B D5 00 0B 10 01",
         {ackFrom("CA"), "C1 10 14 00 B0 11 05 11 FF 6B 4B D6 00 0B 10 01 00 83 12 34 AB CD 00 16"}},
        {ackTo("CA"), {}},
        // Property 12 with sequence 3; count 0 in the response: not there.
        {"10 80 0D 00 11 00 00 00 11 05 65 4F D5 00 0C 10 01",
         {ackFrom("CE"), "C1 10 0E 00 B0 11 05 11 FF 65 4F D6 00 0C 00 01 00 16"}},
        {ackTo("CE"), {}},
        // Memory_Read 52 05 of 5 bytes at 0x0103: manufacturer 0083, device type 2012, version 12.
        {"10 80 0B 00 11 00 00 00 11 05 63 52 05 01 03",
         {ackFrom("D2"), "41 10 11 00 B0 11 05 11 FF 68 52 45 01 03 00 83 20 12 12 00 16"}},
        {ackTo("D2"), {}},
        {kDisconnect, {}},
    });
    const auto probed = probeDevice(port, 0x1105, 1s, ProbeDepth::Full);
    ASSERT_TRUE(std::holds_alternative<DeviceFacts>(probed));
    const auto& facts = std::get<DeviceFacts>(probed);
    EXPECT_EQ(facts.maskVersion, 0x0025);
    EXPECT_EQ(facts.programmingMode, true);
    EXPECT_EQ(hex(facts.serialNumber), "00 83 12 34 AB CD");
    EXPECT_EQ(facts.manufacturer, 0x0083);
    ASSERT_TRUE(facts.application);
    EXPECT_EQ(facts.application->deviceType, 0x2012);
    EXPECT_EQ(facts.application->version, 0x12);
}

TEST(ToolDeviceProbe, AbsentAddressIsLeftAtOnce) {
    // The BCU confirms negatively: nothing acknowledged. No T_Disconnect follows.
    ScriptedPort port({{kConnect, {"00 88 09 00 B1 00 00 11 05 60 80 00 16"}}});
    EXPECT_EQ(std::get<BusFailure>(probeDevice(port, 0x1105, 1s, ProbeDepth::Scan)), BusFailure::Absent);
}

TEST(ToolDeviceProbe, RepeatsAfterNakAcknowledgesRepetitionsAndStopsAtDisconnect) {
    ScriptedPort port({
        {kConnect, {kConnected}},
        // T_NAK 0: the request goes again.
        {kDescriptorRead, {ackFrom("C3")}},
        {kDescriptorRead,
         {// Another device's response, from 1.1.9, is none of ours.
          "71 10 0C 00 B0 11 09 11 FF 63 43 40 07 05 00 16", ackFrom("C2"),
          // Mask version 0012, twice: the device missed our T_ACK.
          "71 10 0C 00 B0 11 05 11 FF 63 43 40 00 12 00 16", "71 10 0C 00 90 11 05 11 FF 63 43 40 00 12 00 16"}},
        {ackTo("C2"), {}},
        // The device ends the connection: nothing more is asked, or sent.
        {kProgrammingModeRead, {ackFrom("C6"), "F1 10 09 00 B0 11 05 11 FF 60 81 00 16"}},
        // The repetition, read before those answers, is acknowledged again.
        {ackTo("C2"), {}},
    });
    const auto probed = probeDevice(port, 0x1105, 1s, ProbeDepth::Scan);
    ASSERT_TRUE(std::holds_alternative<DeviceFacts>(probed));
    EXPECT_EQ(std::get<DeviceFacts>(probed).maskVersion, 0x0012);
    EXPECT_FALSE(std::get<DeviceFacts>(probed).programmingMode);
}

// IndividualAddress_Read to all (group 0, NPCI E1, 01 00), its confirmation,
// and the response 01 40 of a device in programming mode.
const std::string kWhoIsInProgrammingMode = "10 80 09 00 11 00 00 00 00 00 E1 01 00";
const std::string kHeard = "00 88 0A 00 B0 00 00 00 00 E1 01 00 00 16";
std::string addressFrom(const char* source) {
    return std::string("11 10 0A 00 B0 ") + source + " 00 00 E1 01 40 00 16";
}

TEST(ToolAddressAssignment, GivesTheAddressToTheOneDeviceAndChecksIt) {
    ScriptedPort port({
        // 15.15.255 answers, twice (a repetition).
        {kWhoIsInProgrammingMode, {kHeard, addressFrom("FF FF"), addressFrom("FF FF")}},
        // Nothing acknowledges a connection to 1.1.7: the address is free.
        {"10 80 08 00 11 00 00 00 11 07 60 80", {"00 88 09 00 B1 00 00 11 07 60 80 00 16"}},
        // IndividualAddress_Write 00 C0 of 1.1.7.
        {"10 80 0B 00 11 00 00 00 00 00 E3 00 C0 11 07", {"00 88 0C 00 B0 00 00 00 00 E3 00 C0 11 07 00 16"}},
        {kWhoIsInProgrammingMode, {kHeard, addressFrom("11 07")}},
    });
    const AssignmentOutcome outcome = assignIndividualAddress(port, 0x1107, 1s);
    EXPECT_EQ(outcome.kind, AssignmentOutcome::Kind::Given);
    EXPECT_EQ(outcome.inProgrammingMode, std::vector<uint16_t>{0xFFFF});
}

TEST(ToolAddressAssignment, RefusesUnlessOneDeviceIsInProgrammingMode) {
    using Kind = AssignmentOutcome::Kind;
    struct Case {
        const char* name;
        std::vector<std::string> answers;
        Kind kind;
    };
    for (const Case& c : {
             Case{"none", {kHeard}, Kind::NoneInProgrammingMode},
             Case{"two", {kHeard, addressFrom("FF FF"), addressFrom("11 09")}, Kind::SeveralInProgrammingMode},
             Case{"it has the address", {kHeard, addressFrom("11 07")}, Kind::AlreadyHad},
         }) {
        SCOPED_TRACE(c.name);
        ScriptedPort port({{kWhoIsInProgrammingMode, c.answers}});
        EXPECT_EQ(assignIndividualAddress(port, 0x1107, 1s).kind, c.kind);
    }
    // Nothing at all, not even the BCU's confirmation.
    ScriptedPort silent({{kWhoIsInProgrammingMode, {}}});
    EXPECT_EQ(assignIndividualAddress(silent, 0x1107, 1s).failure, BusFailure::BcuSilent);
}

TEST(ToolAddressAssignment, RefusesAnAddressThatAnswers) {
    ScriptedPort port({
        {kWhoIsInProgrammingMode, {kHeard, addressFrom("FF FF")}},
        {kConnect, {kConnected}},
        {kDescriptorRead, {ackFrom("C2"), "71 10 0C 00 B0 11 05 11 FF 63 43 40 07 05 00 16"}},
        {ackTo("C2"), {}},
        {kDisconnect, {}},
    });
    EXPECT_EQ(assignIndividualAddress(port, 0x1105, 1s).kind, AssignmentOutcome::Kind::Taken);
}

}  // namespace
}  // namespace lintor::tool
