#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace lintor {

// The lock file of the UUCP convention that terminal programs, modem
// managers and other serial tools honour: LCK..ttyS0 in /run/lock, holding
// the owner's pid as ten characters and a line end. Ours is removed when
// the object goes.
class UucpLock {
public:
    enum class Outcome {
        Acquired,     // the file is ours now
        HeldByOther,  // a live process holds it
        Unavailable,  // the lock directory is missing or not writable
    };

    // "LCK..ttyUSB0" for /dev/ttyUSB0 or a link to it; "LCK..pts_3" for /dev/pts/3.
    static std::string fileNameFor(const std::string& devicePath);

    UucpLock() = default;
    // A stale lock, whose process is gone (or whose pid cannot be read and
    // which is older than a few seconds), is replaced.
    static UucpLock acquire(const std::string& lockDir, const std::string& devicePath);
    ~UucpLock();
    UucpLock(UucpLock&& other) noexcept;
    UucpLock& operator=(UucpLock&& other) noexcept;
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    Outcome outcome() const { return outcome_; }
    // The live holder when HeldByOther; 0 for a fresh lock whose pid
    // cannot be read yet.
    pid_t holder() const { return holder_; }
    const std::string& path() const { return path_; }

private:
    void release();

    Outcome outcome_ = Outcome::Unavailable;
    pid_t holder_ = 0;
    std::string path_;
    bool owned_ = false;
};

// The pid a lock file names, if it names one.
std::optional<pid_t> readLockPid(const std::string& lockPath);

}  // namespace lintor
