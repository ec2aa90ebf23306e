// The real lintord binary, as the service manager and an admin run it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include "tests/support/temporary_dir.h"

#include <poll.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/unique_fd.h"
#include "tests/support/child_process.h"
#include "tests/support/tcp_client.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::fileText;
using test::portFrom;
using test::TcpClient;

// The service manager's end of the notify protocol: a datagram socket named
// by NOTIFY_SOCKET, one message per datagram.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : path_(path) {
        fd_ = UniqueFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    // Collects messages until one equals `message` or the time is up.
    bool waitFor(const std::string& message, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd_.get(), POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char buffer[512];
            const ssize_t n = ::recv(fd_.get(), buffer, sizeof buffer, 0);
            if (n <= 0) continue;
            received.emplace_back(buffer, static_cast<size_t>(n));
            if (received.back() == message) return true;
        }
        return false;
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> received;

private:
    std::string path_;
    UniqueFd fd_;
};

class DaemonProcessTest : public testing::Test {
protected:
    std::vector<std::string> args(std::vector<std::string> extra) const {
        std::vector<std::string> all{"--gateway-port", "0", "--proxy-port", "0",
                                     "--knxip-port",   "0", "--config",     configPath()};
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    }
    std::string configPath() const { return dir.path() + "/line1.conf"; }
    void writeConfig(const std::string& text) const { std::ofstream(configPath()) << text; }
    test::TemporaryDir dir;
};

TEST_F(DaemonProcessTest, TellsTheServiceManagerReadyStatusAndAlive) {
    writeConfig("[settings]\nSimulate=yes\n");
    NotifySocket manager(dir.path() + "/notify");
    ::setenv("NOTIFY_SOCKET", manager.path().c_str(), 1);
    ::setenv("WATCHDOG_USEC", "400000", 1);
    ChildProcess lintord(LINTORD_BINARY, args({}));
    ::unsetenv("NOTIFY_SOCKET");
    ::unsetenv("WATCHDOG_USEC");

    EXPECT_TRUE(manager.waitFor("READY=1", 5s));
    EXPECT_TRUE(manager.waitFor("STATUS=BCU: connected to BCU", 5s));
    // WatchdogSec=0.4s: pinged at half of it, from the running loop.
    manager.received.clear();
    EXPECT_TRUE(manager.waitFor("WATCHDOG=1", 1s));
    EXPECT_TRUE(manager.waitFor("WATCHDOG=1", 1s));
    lintord.sendSignal(SIGTERM);
    EXPECT_TRUE(manager.waitFor("STOPPING=1", 5s));
    EXPECT_EQ(lintord.waitForExit(5s), 0);
}

TEST_F(DaemonProcessTest, HangUpRereadsTheAllowListAndLogLevelAndSurvivesABadFile) {
    writeConfig("[settings]\nSimulate=yes\n[access]\nAllow=127.0.0.1\n");
    ChildProcess lintord(LINTORD_BINARY, args({}));
    const uint16_t port = portFrom(lintord.waitForLine("Gateway port: ", 5s));
    ASSERT_NE(port, 0);
    TcpClient before(port);
    EXPECT_FALSE(before.waitForClose(300ms));

    writeConfig("[settings]\nSimulate=yes\n[access]\nAllow=192.0.2.0/24\n[log]\nLevel=debug\n");
    lintord.sendSignal(SIGHUP);
    EXPECT_TRUE(lintord.waitForErrorLine(
        "SIGHUP: configuration reloaded: log level debug, connections accepted from 192.0.2.0/24", 3s));
    TcpClient refused(port);
    EXPECT_TRUE(refused.waitForClose(2s)) << "127.0.0.1 is no longer allowed";
    EXPECT_FALSE(before.waitForClose(300ms)) << "connections already open stay";

    writeConfig("[access]\nAllow=everyone\n");
    lintord.sendSignal(SIGHUP);
    EXPECT_TRUE(lintord.waitForErrorLine(
        "SIGHUP: configuration not reloaded; the log level and allowed addresses stay as they were", 3s));
    TcpClient stillRefused(port);
    EXPECT_TRUE(stillRefused.waitForClose(2s));

    // A FIFO in the file's place is refused at once; the ports keep answering.
    std::filesystem::remove(configPath());
    ASSERT_EQ(::mkfifo(configPath().c_str(), 0600), 0);
    lintord.sendSignal(SIGHUP);
    EXPECT_TRUE(lintord.waitForErrorLine("cannot read " + configPath() + ": not a regular file (a FIFO)", 3s));
    EXPECT_TRUE(lintord.waitForErrorLine(
        "SIGHUP: configuration not reloaded; the log level and allowed addresses stay as they were", 3s));
    TcpClient afterFifo(port);
    EXPECT_TRUE(afterFifo.waitForClose(2s)) << "answered, and refused by the allow-list as before";

    lintord.sendSignal(SIGTERM);
    EXPECT_EQ(lintord.waitForExit(5s), 0);
}

// The main thread and the ones we name ("lintor-link", "lintor-log"); a
// sanitizer's own thread does not count.
long contextSwitchesOf(pid_t pid) {
    long total = 0;
    for (const auto& thread : test::threadsOf(pid)) {
        if (thread.main || thread.name.starts_with("lintor-")) total += thread.contextSwitches;
    }
    return total;
}

TEST_F(DaemonProcessTest, IdleDaemonSleepsUntilAProxyClientNeedsItsTick) {
    auto sim = bcusim::BcuSimulator::start({}).take();
    ChildProcess lintord(LINTORD_BINARY, {"--device", sim->devicePath(), "--gateway-port", "0", "--proxy-port", "0",
                                          "--knxip-port", "0"});
    const uint16_t proxyPort = portFrom(lintord.waitForLine("Proxy port: ", 5s));
    // The BCU's own address, read before it counts as connected.
    ASSERT_TRUE(lintord.waitForLine("BCU address: 1.1.250", 5s));
    ASSERT_TRUE(lintord.waitForLine("BCU: connected to BCU", 5s));
    // The tick after the start-up finds nobody to show anything to.
    std::this_thread::sleep_for(1500ms);
    const long before = contextSwitchesOf(lintord.pid());
    std::this_thread::sleep_for(2500ms);
    EXPECT_LE(contextSwitchesOf(lintord.pid()) - before, 1) << "no thread may wake while nothing happens";

    ASSERT_TRUE(sim->injectGroupWrite(0x0A03, 1, bcusim::SIX_BIT_VALUE));
    TcpClient proxy(proxyPort);
    const auto lines = proxy.receiveFor(2500ms);
    EXPECT_EQ(std::string(lines.begin(), lines.end()), "<ProxyInfo GA=\"1/2/3\" Type=\"Bit\" Value=\"1\">");
}

TEST_F(DaemonProcessTest, NeverWritesTheAdminsFile) {
    const std::string text = "# line 1\n[settings]\nDevice=/dev/lintor-none\n";
    writeConfig(text);
    ::chmod(configPath().c_str(), 0444);
    ChildProcess lintord(LINTORD_BINARY, args({}));
    EXPECT_TRUE(lintord.waitForLine("Gateway port: ", 5s));
    lintord.sendSignal(SIGTERM);
    EXPECT_EQ(lintord.waitForExit(5s), 0);
    EXPECT_EQ(fileText(configPath()), text) << "no ComPort added";
    for (const auto& line : lintord.errorLines()) EXPECT_EQ(line.find("ComPort"), std::string::npos) << line;
}

TEST_F(DaemonProcessTest, CheckConfigReportsEveryProblemAndExitsOneOrZero) {
    writeConfig("[gateway]\nPort=banana\n[log]\nLevle=debug\n[settings]\nDevice=/dev/lintor-none\n");
    ChildProcess bad(LINTORD_BINARY, {"--config", configPath(), "--check-config"});
    EXPECT_EQ(bad.waitForExit(5s), 1);
    EXPECT_EQ(bad.errorLines(), (std::vector<std::string>{
                                    "lintord: " + configPath() + ":2: invalid port for [gateway] Port: banana",
                                    "lintord: " + configPath() + ":4: unknown setting [log] Levle",
                                    "lintord: device /dev/lintor-none: No such file or directory",
                                }));

    ChildProcess start(LINTORD_BINARY, {"--config", configPath()});
    EXPECT_EQ(start.waitForExit(5s), 1) << "a bad file stops the start";
    EXPECT_TRUE(start.outputLines().empty());

    writeConfig("[settings]\nDevice=/dev/null\n[gateway]\nPort=6100\n");
    ChildProcess good(LINTORD_BINARY, {"--config", configPath(), "--check-config"});
    EXPECT_EQ(good.waitForExit(5s), 0);
    EXPECT_EQ(good.outputLines(), std::vector<std::string>{configPath() + ": no problems"});
}

TEST(DaemonCommandLine, NoWindowOptions) {
    ChildProcess help(LINTORD_BINARY, {"--help"});
    EXPECT_EQ(help.waitForExit(5s), 0);
    ASSERT_FALSE(help.outputLines().empty());
    EXPECT_EQ(help.outputLines()[0], "Usage: lintord [--device PATH] [--interface emi|cemi] [--simulate]");
    ChildProcess headless(LINTORD_BINARY, {"--headless"});
    EXPECT_EQ(headless.waitForExit(5s), 2);
}

}  // namespace
}  // namespace lintor
