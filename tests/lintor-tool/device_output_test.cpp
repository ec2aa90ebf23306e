#include "tools/lintor-tool/device_output.h"

#include <gtest/gtest.h>

#include "tools/lintor-tool/device_commands.h"

namespace lintor::tool {
namespace {

DeviceFacts bcu2() {
    DeviceFacts facts;
    facts.address = 0x1105;
    facts.maskVersion = 0x0025;
    facts.programmingMode = false;
    facts.serialNumber = {0x00, 0x83, 0x12, 0x34, 0xAB, 0xCD};
    facts.manufacturer = 0x0083;
    facts.application = Application{0x2012, 0x12};
    return facts;
}

// A System 7 device on IP (mask 5705) that said nothing but its mask version.
DeviceFacts reticent() {
    DeviceFacts facts;
    facts.address = 0x110C;
    facts.maskVersion = 0x5705;
    return facts;
}

TEST(ToolDeviceOutput, LinesAndJson) {
    EXPECT_EQ(deviceLine(bcu2()), "1.1.5 mask 0025 BCU 2, programming mode off, serial number 0083:1234ABCD");
    EXPECT_EQ(deviceLine(reticent()), "1.1.12 mask 5705 System 7, programming mode unknown");
    EXPECT_EQ(deviceJson(bcu2()),
              R"({"address":"1.1.5","mask_version":"0025","family":"BCU 2","programming_mode":false,)"
              R"("serial_number":"0083:1234ABCD","manufacturer":"0x0083","device_type":"0x2012",)"
              R"("application_version":"0x12"})");
    EXPECT_EQ(deviceJson(reticent()), R"({"address":"1.1.12","mask_version":"5705","family":"System 7"})");
    EXPECT_EQ(
        deviceInfoLines(reticent()),
        (std::vector<std::string>{"address: 1.1.12", "mask version: 5705 (System 7)", "programming mode: not readable",
                                  "serial number: not readable", "manufacturer: not readable"}));
    EXPECT_EQ(deviceInfoLines(bcu2()).back(), "application: device type 0x2012, version 0x12");
}

TEST(ToolDeviceOutput, ScansTakeALineOrPartOfOne) {
    EXPECT_EQ(parseAddressRange("1.1"), (AddressRange{0x1100, 256}));
    EXPECT_EQ(parseAddressRange("15.15."), (AddressRange{0xFF00, 256}));
    EXPECT_EQ(parseAddressRange("1.1.10-20"), (AddressRange{0x110A, 11}));
    EXPECT_EQ(parseAddressRange("1.1.255-255"), (AddressRange{0x11FF, 1}));
    for (const char* text : {"1.1.5", "1", "1.16", "16.1", "1..", "", ".", "1.1.20-10", "1.1.10-256", "1.1.10-",
                             "1.1-20", "1.1.10-1.1.20"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseAddressRange(text));
    }
}

}  // namespace
}  // namespace lintor::tool
