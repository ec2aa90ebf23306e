#pragma once

#include <string>

namespace lintor::bcusim {

// A symbolic link with a fixed name to the pty slave, whose own name changes
// from run to run; removed again on destruction.
class DeviceLink {
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Replaces an existing symbolic link of that name, but nothing else.
    // Returns 0 or the errno.
    int create(const std::string& linkPath, const std::string& target);

    // Removes the link but keeps its name for the next create().
    void remove();
    // The link's name; empty before create().
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace lintor::bcusim
