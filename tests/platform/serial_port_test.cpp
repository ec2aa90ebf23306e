#include "platform/serial_port.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/device_holders.h"
#include "platform/pty.h"
#include "platform/uucp_lock.h"
#include "tests/support/child_process.h"

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
    EXPECT_EQ(
        describeOpenError("/dev/ttyUSB0", EPERM),
        "cannot open /dev/ttyUSB0: Operation not permitted (refused by a device policy: under systemd, the unit's "
        "DeviceAllow= must name this kind of device; see lintord(8))");
    EXPECT_EQ(describeOpenError("/dev/ttyS0", EBUSY), "cannot open /dev/ttyS0: in use by another program");
    EXPECT_EQ(describeOpenError("/dev/ttyS9", ENOENT), "cannot open /dev/ttyS9: No such file or directory");
}

TEST(SerialPortOpen, RefusesMissingDevicesAndNonTerminals) {
    EXPECT_EQ(SerialPort::open("/dev/does-not-exist").error, ENOENT);
    const auto notATerminal = SerialPort::open("/dev/null");
    EXPECT_EQ(notATerminal.error, ENOTTY);
    EXPECT_EQ(notATerminal.failure, "cannot open /dev/null: not a serial device");
}

using namespace std::chrono_literals;

// A scratch lock directory of the test's own.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lintor-lock-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : "";
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The pid of a process that has just ended: no process has it now.
pid_t deadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class SerialPortClaims : public testing::Test {
protected:
    void SetUp() override {
        auto opened = openPtyPair();
        ASSERT_TRUE(opened.ok());
        pty = opened.take();
        lockFile = locks.file(UucpLock::fileNameFor(pty.slavePath));
    }

    // qemu-user has no TIOCGEXCL: there neither the port nor the test can
    // see another opener's TIOCEXCL. A kernel always answers it for a tty.
    bool exclusiveModeReadable() const {
        const UniqueFd look(::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        int exclusive = 0;
        return ::ioctl(look.get(), TIOCGEXCL, &exclusive) == 0;
    }

    PtyPair pty;
    ScratchDir locks;
    DeviceClaims claims{locks.path(), "/proc"};
    std::string lockFile;
};

TEST_F(SerialPortClaims, ProgramThatHoldsTheDeviceOpenIsNamed) {
    test::ChildProcess holder("/bin/sh", {"-c", "exec sleep 30 3<>" + pty.slavePath});
    // The shell opens the device, then becomes sleep.
    std::vector<DeviceHolder> holders;
    ASSERT_TRUE(waitFor(
        [&] {
            holders = otherDeviceHolders(pty.slavePath);
            return holders.size() == 1 && holders[0].command == "sleep";
        },
        5s));

    const auto refused = SerialPort::open(pty.slavePath, claims);
    EXPECT_EQ(refused.error, EBUSY);
    EXPECT_EQ(refused.failure, "cannot open " + pty.slavePath + ": in use by " + holders[0].describe());
    EXPECT_FALSE(std::filesystem::exists(lockFile));
    if (!exclusiveModeReadable()) GTEST_SKIP() << "TIOCGEXCL is not supported here (qemu-user)";
    // The refusal leaves the other program's line as it was.
    const UniqueFd look(::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    int exclusive = -1;
    ASSERT_EQ(::ioctl(look.get(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

TEST_F(SerialPortClaims, LineMadeExclusiveByAnotherOpenerIsRefusedEvenToRoot) {
    const UniqueFd other(::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_EQ(::ioctl(other.get(), TIOCEXCL), 0);
    if (!exclusiveModeReadable()) GTEST_SKIP() << "TIOCGEXCL is not supported here (qemu-user)";
    EXPECT_EQ(SerialPort::open(pty.slavePath, claims).error, EBUSY);
    ::ioctl(other.get(), TIOCNXCL);
}

TEST_F(SerialPortClaims, LockWhosePidCannotBeReadCountsWhileItIsFresh) {
    writeFile(lockFile, "");
    const auto refused = SerialPort::open(pty.slavePath, claims);
    EXPECT_EQ(refused.error, EBUSY);
    EXPECT_EQ(refused.failure,
              "cannot open " + pty.slavePath + ": locked in " + lockFile + " (its pid cannot be read yet)");

    const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, lockFile.c_str(), anHourAgo, 0), 0);
    const auto opened = SerialPort::open(pty.slavePath, claims);
    EXPECT_TRUE(opened.device) << opened.failure;
}

TEST_F(SerialPortClaims, ProgramThatLockedTheDeviceIsNamed) {
    test::ChildProcess holder("/usr/bin/flock", {"--exclusive", pty.slavePath, "sleep", "30"});
    ASSERT_TRUE(waitFor([&] { return otherDeviceHolders(pty.slavePath).size() == 2; }, 5s));
    const auto refused = SerialPort::open(pty.slavePath, claims);
    EXPECT_EQ(refused.error, EBUSY);
    EXPECT_TRUE(refused.failure.starts_with("cannot open " + pty.slavePath + ": in use by pid ")) << refused.failure;
}

TEST_F(SerialPortClaims, FarEndOfAPseudoTerminalIsNoCompetitor) {
    // A simulated BCU in another process holds the master and a slave
    // descriptor, as this process does; neither keeps the device closed.
    const pid_t farEnd = ::fork();
    if (farEnd == 0) {
        for (;;) ::pause();
    }
    ASSERT_GT(farEnd, 0);
    const auto opened = SerialPort::open(pty.slavePath, claims);
    const auto holders = otherDeviceHolders(pty.slavePath);
    ::kill(farEnd, SIGKILL);
    ::waitpid(farEnd, nullptr, 0);
    EXPECT_TRUE(opened.device) << opened.failure;
    EXPECT_TRUE(holders.empty());
}

TEST_F(SerialPortClaims, LockOfALiveProcessRefusesAndOursComesAndGoes) {
    writeFile(lockFile, "      " + std::to_string(::getppid()) + "\n");
    const auto refused = SerialPort::open(pty.slavePath, claims);
    EXPECT_EQ(refused.error, EBUSY);
    EXPECT_NE(refused.failure.find(": locked by pid " + std::to_string(::getppid()) + " ("), std::string::npos)
        << refused.failure;
    EXPECT_NE(refused.failure.find(" in " + lockFile), std::string::npos) << refused.failure;

    // A lock whose process is gone is stale: it is replaced by ours, in the
    // ten-character form, and removed when the port closes.
    writeFile(lockFile, std::to_string(deadPid()) + "\n");
    {
        const auto opened = SerialPort::open(pty.slavePath, claims);
        ASSERT_TRUE(opened.device) << opened.failure;
        char expected[16];
        std::snprintf(expected, sizeof expected, "%10d\n", static_cast<int>(::getpid()));
        EXPECT_EQ(readFile(lockFile), expected);
    }
    EXPECT_FALSE(std::filesystem::exists(lockFile));
}

TEST_F(SerialPortClaims, WithoutAWritableLockDirectoryThePortStillOpens) {
    const auto opened = SerialPort::open(pty.slavePath, DeviceClaims{locks.file("missing"), "/proc"});
    EXPECT_TRUE(opened.device) << opened.failure;
}

TEST(UucpLockName, NamesTheDeviceNotTheLinkToIt) {
    EXPECT_EQ(UucpLock::fileNameFor("/dev/ttyS0"), "LCK..ttyS0");
    ScratchDir dir;
    const std::string link = dir.file("by-id-usb-adapter");
    ASSERT_EQ(::symlink("/dev/null", link.c_str()), 0);
    EXPECT_EQ(UucpLock::fileNameFor(link), "LCK..null");
    auto pty = openPtyPair();
    ASSERT_TRUE(pty.ok());
    const std::string index = pty.value().slavePath.substr(std::string("/dev/pts/").size());
    EXPECT_EQ(UucpLock::fileNameFor(pty.value().slavePath), "LCK..pts_" + index);
}

}  // namespace
}  // namespace lintor
