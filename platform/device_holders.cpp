#include "platform/device_holders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <fstream>
#include <memory>

namespace lintor {
namespace {

// Unix 98 pseudo-terminal slaves: majors 136 to 143, 256 minors each.
constexpr unsigned kPtySlaveFirstMajor = 136;
constexpr unsigned kPtySlaveLastMajor = 143;
constexpr unsigned kMinorsPerMajor = 256;
// /dev/ptmx and /dev/pts/ptmx: every master descriptor points there.
const dev_t kPtyMultiplexer = makedev(5, 2);

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

std::optional<pid_t> numericName(const char* name) {
    pid_t pid = 0;
    const std::string_view text(name);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (error != std::errc{} || end != text.data() + text.size() || pid <= 0) return std::nullopt;
    return pid;
}

std::optional<unsigned> ptySlaveIndex(dev_t device) {
    const unsigned majorNumber = major(device);
    if (majorNumber < kPtySlaveFirstMajor || majorNumber > kPtySlaveLastMajor) return std::nullopt;
    return (majorNumber - kPtySlaveFirstMajor) * kMinorsPerMajor + minor(device);
}

// The pseudo-terminal index a master descriptor serves, from its fdinfo.
std::optional<unsigned> ptyMasterIndex(const std::string& fdinfoPath) {
    std::ifstream info(fdinfoPath);
    std::string line;
    while (std::getline(info, line)) {
        constexpr std::string_view kKey = "tty-index:";
        if (!line.starts_with(kKey)) continue;
        const size_t at = line.find_first_not_of(" \t", kKey.size());
        if (at == std::string::npos) return std::nullopt;
        unsigned index = 0;
        const auto [end, error] = std::from_chars(line.data() + at, line.data() + line.size(), index);
        if (error != std::errc{}) return std::nullopt;
        return index;
    }
    return std::nullopt;
}

bool pointsIntoDev(const std::string& fdLink) {
    std::array<char, 64> target{};
    const ssize_t n = ::readlink(fdLink.c_str(), target.data(), target.size());
    return n > 0 && std::string_view(target.data(), static_cast<size_t>(n)).starts_with("/dev/");
}

struct ProcessView {
    bool holdsDevice = false;
    bool holdsPtyMaster = false;
};

// A pseudo-terminal slave is one of its devpts instance: a container's
// /dev/pts/0 has the same numbers as ours. Other devices are one device
// whichever node (a container's /dev, devtmpfs) reaches them.
bool sameDevice(const struct stat& node, const struct stat& device, bool ptySlave) {
    return node.st_rdev == device.st_rdev && (!ptySlave || node.st_dev == device.st_dev);
}

ProcessView viewOf(const std::string& processDir, const struct stat& device, std::optional<unsigned> slaveIndex) {
    ProcessView view;
    const Dir fds(::opendir((processDir + "/fd").c_str()));
    if (!fds) return view;
    while (const dirent* entry = ::readdir(fds.get())) {
        if (!numericName(entry->d_name)) continue;
        const std::string link = processDir + "/fd/" + entry->d_name;
        // Only device nodes are looked at: a stat of a file on a hung
        // network mount could block.
        if (!pointsIntoDev(link)) continue;
        struct stat target {};
        if (::stat(link.c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) continue;
        if (sameDevice(target, device, slaveIndex.has_value())) view.holdsDevice = true;
        if (slaveIndex && target.st_rdev == kPtyMultiplexer &&
            ptyMasterIndex(processDir + "/fdinfo/" + entry->d_name) == slaveIndex) {
            view.holdsPtyMaster = true;
        }
    }
    return view;
}

}  // namespace

std::string DeviceHolder::describe() const { return "pid " + std::to_string(pid) + " (" + command + ")"; }

std::optional<std::string> processCommand(pid_t pid, const std::string& procRoot) {
    std::ifstream comm(procRoot + "/" + std::to_string(pid) + "/comm");
    std::string command;
    if (!std::getline(comm, command)) return std::nullopt;
    return command;
}

std::vector<DeviceHolder> otherDeviceHolders(const std::string& devicePath, const std::string& procRoot) {
    std::vector<DeviceHolder> holders;
    struct stat device {};
    if (::stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return holders;
    const auto slaveIndex = ptySlaveIndex(device.st_rdev);

    const Dir processes(::opendir(procRoot.c_str()));
    if (!processes) return holders;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(processes.get())) {
        const auto pid = numericName(entry->d_name);
        if (!pid || *pid == self) continue;
        const auto view = viewOf(procRoot + "/" + entry->d_name, device, slaveIndex);
        if (!view.holdsDevice || view.holdsPtyMaster) continue;
        holders.push_back({*pid, processCommand(*pid, procRoot).value_or("?")});
    }
    return holders;
}

}  // namespace lintor
