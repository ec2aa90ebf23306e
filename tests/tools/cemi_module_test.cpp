// The simulator as a cEMI module, over its pty: each host message and the
// module's messages that follow it, every frame acknowledged by the host.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/bytes.h"
#include "tests/tools/slave_port.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor::bcusim {
namespace {

using std::chrono::milliseconds;
using test::bytes;
using test::hex;

// Group value write of 1 to 1/2/3 from 0.0.0 at low priority, hop count 6.
const std::string kGroupWrite = "11 00 BC E0 00 00 0A 03 01 00 81";
const std::string kCommModeDataLink = "F6 00 08 01 34 10 01 00";

class CemiModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        Options options;
        options.interface = BusInterface::Cemi;
        sim = BcuSimulator::start(options).take();
        port.emplace(sim->devicePath());
    }

    // The E5, then the module's messages, each acknowledged.
    void expect(const std::string& message, const std::vector<std::string>& answers) {
        SCOPED_TRACE(message);
        port->write(message == "reset" ? bytes("10 40 40 16") : test::variableFrame(0x73, bytes(message)));
        EXPECT_EQ(hex(port->readUnit()), "E5");
        for (const std::string& answer : answers) expectOwn(answer);
        EXPECT_EQ(hex(port->readFor(milliseconds{300})), "");
    }
    // A frame of the module's, its control byte alternating from F3.
    void expectOwn(const std::string& message) {
        EXPECT_EQ(hex(port->readUnit()), hex(test::variableFrame(countBit_ ? 0xF3 : 0xD3, bytes(message))));
        countBit_ = !countBit_;
        port->write(bytes("E5"));
    }

    std::unique_ptr<BcuSimulator> sim;
    std::optional<test::SlavePort> port;

private:
    bool countBit_ = true;
};

TEST_F(CemiModuleTest, CarriesLDataOnlyInTheDataLinkLayerMode) {
    const struct {
        std::string request;
        std::vector<std::string> answers;
    } steps[] = {
        {"reset", {}},
        // Refused with the confirm error bit, not sent.
        {kGroupWrite, {"2E 00 BD E0 00 00 0A 03 01 00 81"}},
        {"FC 00 08 01 34 10 01", {"FB 00 08 01 34 10 01 FF"}},     // comm mode: no layer
        {"F6 00 08 01 34 10 01 01", {"F5 00 08 01 34 00 01 01"}},  // busmonitor: out of range
        {kCommModeDataLink, {"F5 00 08 01 34 10 01"}},
        {"FC 00 08 01 34 10 01", {"FB 00 08 01 34 10 01 00"}},
        {"FC 00 00 01 39 10 01", {"FB 00 00 01 39 10 01 11"}},     // subnet address
        {"FC 00 00 01 3A 10 01", {"FB 00 00 01 3A 10 01 FA"}},     // device address
        {"FC 00 00 01 38 10 01", {"FB 00 00 01 38 10 01 00 0F"}},  // largest APDU
        {"FC 00 08 01 33 10 01", {"FB 00 08 01 33 10 01 00 02"}},  // medium: TP1
        {"FC 00 00 01 0B 10 01", {"FB 00 00 01 0B 00 01 07"}},     // serial number: void
        {"F6 00 00 01 39 10 01 12", {"F5 00 00 01 39 00 01 05"}},  // read-only
        {"F0 02 00 10 00 01 00 10 01 01", {}},                     // a BAOS request
        {kGroupWrite, {"2E 00 BC E0 00 00 0A 03 01 00 81"}},
        // A_DeviceDescriptor_Read to 1.1.11, its answer to 1.1.250; nobody at 1.1.99.
        {"11 00 B0 60 00 00 11 0B 01 03 00",
         {"2E 00 B0 60 00 00 11 0B 01 03 00", "29 00 B0 60 11 0B 11 FA 03 03 40 07 05"}},
        {"11 00 B0 60 00 00 11 63 01 03 00", {"2E 00 B1 60 00 00 11 63 01 03 00"}},
        {"F1", {"F0"}},
        {kGroupWrite, {"2E 00 BD E0 00 00 0A 03 01 00 81"}},
    };
    for (const auto& step : steps) expect(step.request, step.answers);
}

TEST_F(CemiModuleTest, HandsUpIndicationsAsCemiOnceInTheMode) {
    sim->injectGroupWrite(0x0A03, 1, SIX_BIT_VALUE);
    EXPECT_EQ(hex(port->readFor(milliseconds{300})), "") << "no mode yet";
    expect(kCommModeDataLink, {"F5 00 08 01 34 10 01"});
    const struct {
        std::string injected;
        std::string sent;
    } cases[] = {
        // From 1.1.1 to 1/2/3, low priority, hop count 6: as EMI, then as cEMI.
        {"29 BC 11 01 0A 03 E1 00 81", "29 00 BC E0 11 01 0A 03 01 00 81"},
        {"F0", "F0"},  // no EMI L_Data.ind: as given
    };
    for (const auto& c : cases) {
        sim->injectIndication(bytes(c.injected));
        expectOwn(c.sent);
    }
}

}  // namespace
}  // namespace lintor::bcusim
