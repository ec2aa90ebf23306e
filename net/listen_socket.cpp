#include "net/listen_socket.h"

#include "net/socket_server.h"

namespace lintor {

ListenSocket::ListenSocket(EventLoop& loop, UniqueFd fd, SocketServer& server)
    : fd_(std::move(fd)),
      watch_(loop.watch(fd_.get(), {.read = true}, [&server](EventLoop::Readiness) { server.acceptClient(); })) {}

}  // namespace lintor
