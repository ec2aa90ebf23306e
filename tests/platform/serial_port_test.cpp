#include "platform/serial_port.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace lintor {
namespace {

TEST(SerialPortSettings, LineIs19200EightEvenOneWithoutFlowControl) {
    termios dirty{};
    // Start from settings a previous program might have left behind.
    dirty.c_cflag = CS7 | PARODD | CSTOPB | CRTSCTS | HUPCL;
    dirty.c_iflag = IXON | IXOFF | ICRNL | ISTRIP;
    dirty.c_lflag = ICANON | ECHO | ISIG;
    dirty.c_oflag = OPOST | ONLCR;
    cfsetispeed(&dirty, B9600);
    cfsetospeed(&dirty, B9600);

    const termios t = bcuLineSettings(dirty);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_TRUE(t.c_cflag & CREAD);
    // Raw bytes both ways: 0x16, 0x0D and 0x11 must pass untouched.
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP));
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(SerialPortOpen, ReasonsAreSpeltOut) {
    EXPECT_EQ(describeOpenError("/dev/ttyS0", EACCES),
              "cannot open /dev/ttyS0: Permission denied (is the user in group dialout?)");
    EXPECT_EQ(describeOpenError("/dev/ttyS0", EBUSY), "cannot open /dev/ttyS0: in use by another program");
    EXPECT_EQ(describeOpenError("/dev/ttyS9", ENOENT), "cannot open /dev/ttyS9: No such file or directory");
}

TEST(SerialPortOpen, RefusesMissingDevicesAndNonTerminals) {
    EXPECT_EQ(SerialPort::open("/dev/does-not-exist").error(), ENOENT);
    EXPECT_EQ(SerialPort::open("/dev/null").error(), ENOTTY);
}

}  // namespace
}  // namespace lintor
