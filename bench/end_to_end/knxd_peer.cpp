#include "bench/end_to_end/knxd_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace lintor::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kProgram = "knxd";
constexpr const char* kOwnAddress = "0.0.1";
// knxd gives every client connection an address of its own, from here on,
// and refuses clients once they are used up.
constexpr const char* kFirstClientAddress = "0.0.2";
// lintord's core thread raises itself to this; knxd gets the same, so that
// the scheduler favours neither.
constexpr int kNice = -10;
// The host's reset and its two PEI switch frames: the link is up once the
// simulator has answered them.
constexpr size_t kStartUnits = 3;
constexpr auto kStartTimeout = 10s;
constexpr auto kPollInterval = 50ms;

std::optional<std::string> findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string directory; std::getline(directories, directory, ':');) {
        const auto candidate = std::filesystem::path(directory) / name;
        if (!directory.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

sockaddr_in loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port that nothing listens on now; knxd takes no 0 for "any".
uint16_t freePort() {
    const UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (!fd.valid() || ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool acceptsConnections(uint16_t port) {
    const UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(port);
    return fd.valid() && ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool waitUntilUp(Gateway& gateway) {
    const auto deadline = Clock::now() + kStartTimeout;
    while (Clock::now() < deadline) {
        if (gateway.process->waitForExit(kPollInterval)) return false;
        if (gateway.sim->waitForHostUnits(kStartUnits, 0ms) && acceptsConnections(gateway.port)) return true;
    }
    return false;
}

// On Linux the nice value is each thread's own. False when one stays.
bool renice(pid_t pid) {
    std::error_code error;
    bool all = true;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        const auto thread = static_cast<id_t>(std::stoul(task.path().filename().string()));
        if (::setpriority(PRIO_PROCESS, thread, kNice) == 0) continue;
        std::fprintf(stderr, "e2e: knxd stays at its nice value: %s\n", std::strerror(errno));
        all = false;
    }
    return all && !error;
}

// knxd prints its version on stderr.
std::string versionOf(const std::string& program) {
    test::ChildProcess child(program, {"--version"});
    child.waitForExit(2s);
    for (const auto* lines : {&child.errorLines(), &child.outputLines()}) {
        if (!lines->empty()) return lines->front();
    }
    return kProgram;
}

void reportFailure(const Gateway& gateway) {
    std::fprintf(stderr, "e2e: knxd did not come up on %s: %s\n", gateway.sim->devicePath().c_str(),
                 gateway.commandLine.c_str());
    for (const auto* lines : {&gateway.process->outputLines(), &gateway.process->errorLines()}) {
        for (const auto& line : *lines) std::fprintf(stderr, "  %s\n", line.c_str());
    }
}

}  // namespace

std::optional<Gateway> startKnxd() {
    const auto program = findInPath(kProgram);
    if (!program) {
        std::fprintf(stderr, "e2e: --peer knxd: no knxd in PATH (Debian's package knxd has it)\n");
        return std::nullopt;
    }
    Gateway gateway;
    gateway.name = kProgram;
    gateway.version = versionOf(*program);
    gateway.protocol = &knxdClientProtocol();
    gateway.sim = bcusim::BcuSimulator::start({}).take();
    gateway.port = freePort();
    const std::vector<std::string> arguments{
        std::string("--eibaddr=") + kOwnAddress,
        std::string("--client-addrs=") + kFirstClientAddress + ":" + std::to_string(kClientRoom),
        "--listen-tcp=" + std::to_string(gateway.port), "--layer2=ft12:" + gateway.sim->devicePath()};
    gateway.commandLine = commandLineOf(*program, arguments);
    gateway.process = std::make_unique<test::ChildProcess>(*program, arguments);
    if (gateway.port == 0 || !waitUntilUp(gateway)) {
        reportFailure(gateway);
        return std::nullopt;
    }
    if (renice(gateway.process->pid())) gateway.nice = kNice;
    return gateway;
}

}  // namespace lintor::bench
