#include "tools/bcusim/device_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lintor::bcusim {
namespace {

bool isSymlink(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

}  // namespace

DeviceLink::~DeviceLink() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

void DeviceLink::remove() {
    if (!path_.empty() && isSymlink(path_)) ::unlink(path_.c_str());
}

int DeviceLink::create(const std::string& linkPath, const std::string& target) {
    if (isSymlink(linkPath) && ::unlink(linkPath.c_str()) != 0) return errno;
    if (::symlink(target.c_str(), linkPath.c_str()) != 0) return errno;
    path_ = linkPath;
    return 0;
}

}  // namespace lintor::bcusim
