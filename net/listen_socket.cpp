#include "net/listen_socket.h"

#include "net/socket_server.h"

namespace lintor {

ListenSocket::ListenSocket(UniqueFd fd, SocketServer& server)
    : fd_(std::move(fd)),
      notifier_(std::make_unique<QSocketNotifier>(fd_.get(), QSocketNotifier::Read)) {
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [&server] { server.acceptClient(); });
}

ListenSocket::~ListenSocket() { notifier_.reset(); }

}  // namespace lintor
