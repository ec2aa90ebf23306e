#include "platform/uucp_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/unique_fd.h"

namespace lintor {
namespace {

constexpr std::string_view kDevPrefix = "/dev/";
constexpr time_t kUnreadableLockGraceSeconds = 10;
constexpr size_t kLockReadLimit = 32;

bool processAlive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

std::string resolved(const std::string& path) {
    std::unique_ptr<char, decltype(&::free)> real(::realpath(path.c_str(), nullptr), &::free);
    return real ? std::string(real.get()) : path;
}

bool writeAll(int fd, const std::string& text) {
    return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

// Written under a private name and linked into place, so that no reader
// ever sees a lock file without its pid. EEXIST when a lock is there.
int createLockFile(const std::string& path) {
    const std::string temporary = path + "." + std::to_string(::getpid());
    ::unlink(temporary.c_str());  // left by an earlier process of this pid
    UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd) return errno;
    char pid[16];
    std::snprintf(pid, sizeof pid, "%10d\n", static_cast<int>(::getpid()));
    int error = writeAll(fd.get(), pid) ? 0 : EIO;
    fd.reset();
    if (error == 0 && ::link(temporary.c_str(), path.c_str()) != 0) error = errno;
    ::unlink(temporary.c_str());
    return error;
}

// Another program may have created its lock and not yet written its pid.
bool isRecent(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) return false;
    return ::time(nullptr) - file.st_mtime < kUnreadableLockGraceSeconds;
}

}  // namespace

// The lock directory is writable by anyone: read no more than a pid needs.
std::optional<pid_t> readLockPid(const std::string& lockPath) {
    UniqueFd fd(::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd) return std::nullopt;
    std::array<char, kLockReadLimit> buffer{};
    const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
    if (n <= 0) return std::nullopt;
    const std::string_view text(buffer.data(), static_cast<size_t>(n));
    const size_t at = text.find_first_not_of(' ');
    if (at == std::string::npos) return std::nullopt;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), pid);
    if (error != std::errc{} || pid <= 0) return std::nullopt;
    return pid;
}

std::string UucpLock::fileNameFor(const std::string& devicePath) {
    std::string name = resolved(devicePath);
    if (name.starts_with(kDevPrefix)) {
        name.erase(0, kDevPrefix.size());
    } else if (const size_t slash = name.rfind('/'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return "LCK.." + name;
}

UucpLock UucpLock::acquire(const std::string& lockDir, const std::string& devicePath) {
    UucpLock lock;
    lock.path_ = lockDir + "/" + fileNameFor(devicePath);
    // An existing lock counts even where we may not write one of our own.
    for (int attempt = 0; attempt < 2; ++attempt) {
        struct stat existing {};
        if (::stat(lock.path_.c_str(), &existing) == 0) {
            const auto pid = readLockPid(lock.path_);
            if (pid && *pid == ::getpid()) return lock;  // ours through another open: not ours to remove
            if ((pid && processAlive(*pid)) || (!pid && isRecent(lock.path_))) {
                lock.outcome_ = Outcome::HeldByOther;
                lock.holder_ = pid.value_or(0);
                return lock;
            }
            ::unlink(lock.path_.c_str());  // stale: its process is gone
        }
        const int error = createLockFile(lock.path_);
        if (error == 0) {
            lock.outcome_ = Outcome::Acquired;
            lock.owned_ = true;
            return lock;
        }
        if (error != EEXIST) return lock;  // created by another program meanwhile: look again
    }
    return lock;
}

UucpLock::~UucpLock() { release(); }

UucpLock::UucpLock(UucpLock&& other) noexcept
    : outcome_(other.outcome_),
      holder_(other.holder_),
      path_(std::move(other.path_)),
      owned_(std::exchange(other.owned_, false)) {}

UucpLock& UucpLock::operator=(UucpLock&& other) noexcept {
    if (this != &other) {
        release();
        outcome_ = other.outcome_;
        holder_ = other.holder_;
        path_ = std::move(other.path_);
        owned_ = std::exchange(other.owned_, false);
    }
    return *this;
}

void UucpLock::release() {
    if (!owned_) return;
    owned_ = false;
    // Only while it still names us: an admin may have removed and another
    // program re-created it.
    if (readLockPid(path_) == ::getpid()) ::unlink(path_.c_str());
}

}  // namespace lintor
