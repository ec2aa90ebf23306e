#include "platform/display_probe.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/unique_fd.h"

namespace lintor {
namespace {

TEST(DisplayProbe, MalformedOrAbsentDisplaysAreNotReachable) {
    for (const char* display : {"", "nonsense", ":", ":x", "unix:"})
        EXPECT_FALSE(xDisplayReachable(display)) << display;
    EXPECT_FALSE(xDisplayReachable(":4711"));
    EXPECT_FALSE(waylandDisplayReachable("", "/tmp"));
    EXPECT_FALSE(waylandDisplayReachable("wayland-0", ""));
}

TEST(DisplayProbe, ListeningWaylandSocketIsReachable) {
    char dir[] = "/tmp/lintor-probe-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/wayland-9";
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(waylandDisplayReachable("wayland-9", dir));  // bound, not yet listening
    ASSERT_EQ(::listen(listener.get(), 1), 0);
    EXPECT_TRUE(waylandDisplayReachable("wayland-9", dir));
    EXPECT_TRUE(waylandDisplayReachable(path, ""));
    listener.reset();
    ::unlink(path.c_str());
    ::rmdir(dir);
}

}  // namespace
}  // namespace lintor
