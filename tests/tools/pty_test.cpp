#include "platform/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <string>

#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;
using test::hex;

// Bytes a cooked terminal would turn into something else: end byte, CR, LF,
// ^C, DEL, XON/XOFF.
const std::vector<uint8_t> kLineDisciplineBytes = bytes("16 0D 0A 03 7F 11 13 68");

// Up to count bytes, or what came before the time-out.
std::vector<uint8_t> readUpTo(int fd, size_t count, int timeoutMs) {
    std::vector<uint8_t> out;
    pollfd p{fd, POLLIN, 0};
    while (out.size() < count && ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN)) {
        std::array<uint8_t, 64> buffer;
        const ssize_t n = ::read(fd, buffer.data(), std::min(buffer.size(), count - out.size()));
        if (n <= 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
    return out;
}

TEST(PtyPair, SlaveIsRawBeforeTheOtherSideSetsAnything) {
    auto pty = openPtyPair();
    ASSERT_TRUE(pty.ok()) << errorText(pty.error());
    // Opened without any termios call of our own, as a careless host might.
    const UniqueFd slave(::open(pty.value().slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(slave.valid());

    const int master = pty.value().master.get();
    ASSERT_EQ(::write(master, kLineDisciplineBytes.data(), kLineDisciplineBytes.size()), 8);
    EXPECT_EQ(hex(readUpTo(slave.get(), kLineDisciplineBytes.size(), 500)), hex(kLineDisciplineBytes));
    EXPECT_EQ(hex(readUpTo(master, 64, 50)), "") << "echoed";

    ASSERT_EQ(::write(slave.get(), kLineDisciplineBytes.data(), kLineDisciplineBytes.size()), 8);
    EXPECT_EQ(hex(readUpTo(master, kLineDisciplineBytes.size(), 500)), hex(kLineDisciplineBytes));
}

TEST(PtyPair, MasterStaysUsableWhenTheOtherSideClosesAndReopens) {
    auto pty = openPtyPair();
    ASSERT_TRUE(pty.ok());
    const int master = pty.value().master.get();
    {
        const UniqueFd slave(::open(pty.value().slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        ASSERT_TRUE(slave.valid());
    }
    std::array<uint8_t, 8> buffer;
    EXPECT_EQ(::read(master, buffer.data(), buffer.size()), -1);
    EXPECT_EQ(errno, EAGAIN) << "the master must neither block nor see a hang-up";

    const UniqueFd again(::open(pty.value().slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(again.valid());
    ASSERT_EQ(::write(master, "\xE5", 1), 1);
    EXPECT_EQ(hex(readUpTo(again.get(), 1, 500)), "E5");
}

dev_t deviceNumber(const std::string& devicePath) {
    struct stat device {};
    return ::stat(devicePath.c_str(), &device) == 0 ? device.st_rdev : 0;
}

// Descriptors of this process that are open on the device.
int descriptorsOn(dev_t device) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        struct stat target {};
        if (::stat(entry.path().c_str(), &target) == 0 && S_ISCHR(target.st_mode) && target.st_rdev == device) {
            ++count;
        }
    }
    return count;
}

TEST(PtyPair, HangUpShowsOnTheSlaveAsPollHupEndOfFileAndEio) {
    auto pty = openPtyPair();
    ASSERT_TRUE(pty.ok());
    const UniqueFd slave(::open(pty.value().slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(slave.valid());
    // The device node goes with the master; its number stays on our descriptor.
    const dev_t device = deviceNumber(pty.value().slavePath);
    ASSERT_EQ(descriptorsOn(device), 2) << "ours and the pair's own";

    pty.value().hangUp();
    EXPECT_FALSE(pty.value().isOpen());
    EXPECT_EQ(descriptorsOn(device), 1) << "the pair keeps no end of the line";
    pollfd p{slave.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    std::array<uint8_t, 8> buffer;
    EXPECT_EQ(::read(slave.get(), buffer.data(), buffer.size()), 0) << "end of file";
    EXPECT_EQ(::write(slave.get(), "\xE5", 1), -1);
    EXPECT_EQ(errno, EIO);
}

}  // namespace
}  // namespace lintor
