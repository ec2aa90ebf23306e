#include "platform/hardware_address.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace lintor {
namespace {

std::string firstLine(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// What sysfs shows of the interface that should be chosen: the first by
// index that is up, not loopback and has a non-zero six-byte address.
std::string expectedFromSysfs() {
    std::map<int, std::string> usable;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net")) {
        const unsigned long flags = std::stoul(firstLine(entry.path() / "flags"), nullptr, 16);
        const std::string address = firstLine(entry.path() / "address");
        if ((flags & 0x1) == 0 || (flags & 0x8) != 0 || firstLine(entry.path() / "addr_len") != "6" ||
            address == "00:00:00:00:00:00") {
            continue;
        }
        usable[std::stoi(firstLine(entry.path() / "ifindex"))] = address;
    }
    return usable.empty() ? "" : usable.begin()->second;
}

TEST(HardwareAddress, IsTheFirstUsableInterfacesAsSysfsShowsIt) {
    const std::string expected = expectedFromSysfs();
    const auto found = hardwareAddressFor(0);
    if (expected.empty()) {
        EXPECT_FALSE(found);
        return;
    }
    ASSERT_TRUE(found);
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", (*found)[0], (*found)[1], (*found)[2],
                  (*found)[3], (*found)[4], (*found)[5]);
    EXPECT_EQ(text, expected);
}

}  // namespace
}  // namespace lintor
