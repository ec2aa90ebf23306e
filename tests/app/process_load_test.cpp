// The real lintor binary under load: connection churn on both ports, and a
// reader of its stderr that never reads.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/temporary_dir.h"

#include <dirent.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/unique_fd.h"
#include "tests/support/bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/tcp_client.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::portFrom;
using test::TcpClient;

size_t descriptorsOf(pid_t pid) {
    size_t count = 0;
    if (DIR* dir = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
        while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    }
    return -1;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// User and system time, in clock ticks.
long cpuTicksOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    // From the state on: utime and stime are the 12th and 13th.
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i >= 12) ticks += std::stol(field);
    }
    return ticks;
}

enum class Ending { Close, DataThenClose, HalfClose, Reset };

// One connection to the port, ended as a client might end it.
void connectAndEnd(uint16_t port, Ending ending) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    switch (ending) {
    case Ending::Close:
        break;
    case Ending::DataThenClose: {
        // A whole group write record, and the start of a proxy request.
        static const auto data = test::bytes("10 80 09 00 11 0C 11 FF 0A 03 E1 00 81 3C 53 65 74");
        ASSERT_EQ(::send(fd.get(), data.data(), data.size(), MSG_NOSIGNAL), static_cast<ssize_t>(data.size()));
        break;
    }
    case Ending::HalfClose:
        ::shutdown(fd.get(), SHUT_WR);
        break;
    case Ending::Reset: {
        const linger abort{1, 0};
        ::setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        break;
    }
    }
}

class LintorLoadTest : public testing::Test {
protected:
    void SetUp() override {
        sim = bcusim::BcuSimulator::start({}).take();
        lintor = std::make_unique<ChildProcess>(
            LINTOR_BINARY, std::vector<std::string>{"--headless", "--device", sim->devicePath(), "--gateway-port", "0",
                                                    "--proxy-port", "0", "--knxip-port", "0", "--listen", "127.0.0.1",
                                                    "--config", dir.path() + "/lintor.ini"});
        gatewayPort = portFrom(lintor->waitForLine("Gateway port: ", 5s));
        proxyPort = portFrom(lintor->waitForLine("Proxy port: ", 5s));
        ASSERT_TRUE(lintor->waitForLine("BCU: connected to BCU", 5s));
    }
    void TearDown() override {
        lintor->sendSignal(SIGTERM);
        EXPECT_EQ(lintor->waitForExit(5s), 0);
    }

    // Until the gateway's descriptors are back to the count, or the time is up.
    bool waitForDescriptors(size_t count, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (descriptorsOf(lintor->pid()) != count && std::chrono::steady_clock::now() < deadline) {
            lintor->pumpFor(50ms);
        }
        return descriptorsOf(lintor->pid()) == count;
    }

    // Until stdout has announced this many connections since the start.
    bool acceptedAll(size_t connections) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (countConnected() < connections && std::chrono::steady_clock::now() < deadline) {
            lintor->pumpFor(1ms);
        }
        return countConnected() >= connections;
    }
    size_t countConnected() {
        for (; counted_ < lintor->outputLines().size(); ++counted_) {
            const std::string& line = lintor->outputLines()[counted_];
            connected_ += line == "Socket: connected.." || line == "Socket: proxy connected..";
        }
        return connected_ - warmUp_;
    }

    test::TemporaryDir dir;
    size_t counted_ = 0;
    size_t connected_ = 0;
    size_t warmUp_ = 0;
    std::unique_ptr<bcusim::BcuSimulator> sim;
    std::unique_ptr<ChildProcess> lintor;
    uint16_t gatewayPort = 0;
    uint16_t proxyPort = 0;
};

TEST_F(LintorLoadTest, TenThousandConnectionsPerPortLeaveDescriptorsAndMemoryWhereTheyWere) {
    constexpr int kCycles = 10000;
    const Ending endings[] = {Ending::Close, Ending::DataThenClose, Ending::HalfClose, Ending::Reset};
    const size_t descriptors = descriptorsOf(lintor->pid());
    // A first round, so that lazily made buffers and the allocator's arenas exist.
    for (int i = 0; i < 200; ++i) {
        connectAndEnd(gatewayPort, endings[i % 4]);
        connectAndEnd(proxyPort, endings[i % 4]);
    }
    lintor->pumpFor(500ms);
    warmUp_ = 0;
    warmUp_ = countConnected();
    const long resident = residentKiB(lintor->pid());

    for (int i = 0; i < kCycles; ++i) {
        ASSERT_NO_FATAL_FAILURE(connectAndEnd(gatewayPort, endings[i % 4]));
        ASSERT_NO_FATAL_FAILURE(connectAndEnd(proxyPort, endings[i % 4]));
        // No faster than the gateway accepts: its backlog is five, and a
        // connection beyond it waits a second for the SYN to be repeated.
        if (i % 2 == 1) {
            ASSERT_TRUE(acceptedAll(2 * (static_cast<size_t>(i) + 1))) << "cycle " << i;
        }
    }
    // Peers that closed are kept while they may still read (a half-close),
    // and let go once a send to them fails: the next telegrams show it.
    sim->injectGroupWrite(0x0A03, 1, 0);
    sim->injectGroupWrite(0x0A03, 0, 0);
    EXPECT_TRUE(waitForDescriptors(descriptors, 15s))
        << descriptorsOf(lintor->pid()) << " descriptors, " << descriptors << " before";
    const long grown = residentKiB(lintor->pid()) - resident;
    // The sanitizers keep freed memory in quarantine and shadow it: resident
    // memory says nothing about leaks there (and LeakSanitizer covers them).
    if (!kSanitized) {
        EXPECT_LT(grown, 1024) << "resident memory grew by " << grown << " KiB";
    }

    // And it still serves.
    TcpClient client(gatewayPort);
    ASSERT_TRUE(lintor->waitForLine("Socket: connected..", 3s));
    sim->injectGroupWrite(0x0A03, 1, 0);
    EXPECT_EQ(client.receive(14, 3s).size(), 14u);
}

TEST_F(LintorLoadTest, FloodOnTheGatewayPortLeavesCpuAndMemoryFlatAndAnotherWriteGetsThrough) {
    UniqueFd flooder(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(gatewayPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(flooder.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    // Group writes to 1/2/1, as fast as TCP takes them.
    std::vector<uint8_t> records;
    for (int i = 0; i < 100; ++i) {
        const auto record = test::bytes("10 80 09 00 11 0C 11 FF 0A 01 E1 00 81");
        records.insert(records.end(), record.begin(), record.end());
    }
    std::atomic<bool> flooding = true;
    std::thread flood([&] {
        while (flooding) {
            pollfd ready{flooder.get(), POLLOUT, 0};
            if (::poll(&ready, 1, 10) == 1) ::send(flooder.get(), records.data(), records.size(), MSG_NOSIGNAL);
        }
    });
    lintor->pumpFor(1s);
    const long resident = residentKiB(lintor->pid());
    const long ticks = cpuTicksOf(lintor->pid());

    TcpClient polite(gatewayPort);
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(polite.send(test::bytes("10 80 09 00 11 0C 11 FF 0A EE E1 00 81")));
    const auto politeOnTheLine = [&] {
        return std::ranges::any_of(sim->hostUnits(), [](const auto& unit) {
            return unit.bytes.size() > 10 && unit.bytes[9] == 0x0A && unit.bytes[10] == 0xEE;
        });
    };
    while (!politeOnTheLine() && std::chrono::steady_clock::now() - sent < 3s) lintor->pumpFor(10ms);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, 1s) << "the polite write waited behind the flood";
    lintor->pumpFor(2s);
    flooding = false;
    flood.join();
    const long cpu = (cpuTicksOf(lintor->pid()) - ticks) * 1000 / ::sysconf(_SC_CLK_TCK);
    const long grown = residentKiB(lintor->pid()) - resident;
    if (!kSanitized) {
        // Held back, the flood costs the line's pace of work, nothing more.
        EXPECT_LT(cpu, 300) << "ms of CPU in 3 s of flood";
        EXPECT_LT(grown, 512) << "resident memory grew by " << grown << " KiB";
    }
}

TEST_F(LintorLoadTest, StderrThatNobodyReadsDoesNotHoldUpTelegrams) {
    lintor->stopReadingErrors();
    // Each connection logs two lines: enough to fill any pipe several times.
    for (int i = 0; i < 1500; ++i) {
        connectAndEnd(proxyPort, Ending::Close);
        ASSERT_TRUE(acceptedAll(static_cast<size_t>(i) + 1)) << "connection " << i;
    }

    TcpClient client(gatewayPort);
    ASSERT_TRUE(lintor->waitForLine("Socket: connected..", 3s));
    constexpr int kTelegrams = 200;
    for (int i = 0; i < kTelegrams; ++i) sim->injectGroupWrite(0x0A03, static_cast<uint32_t>(i), 1);
    // At the line's pace, not the stalled log's: 200 frames take a few seconds at most.
    const auto received = client.receive(static_cast<size_t>(kTelegrams) * 15, 20s);
    EXPECT_EQ(received.size(), static_cast<size_t>(kTelegrams) * 15);
    // The status lines on stdout still come.
    client.close();
    EXPECT_TRUE(lintor->waitForLine("Socket: connection closed", 3s));
}

}  // namespace
}  // namespace lintor
