#pragma once

#include <string>
#include <string_view>

#include "link/link_listener.h"
#include "net/server_events.h"

namespace lintor {

// The system's own texts: what the status fields and message boxes say.
inline constexpr std::string_view OFFLINE_TEXT = "offline..";
inline constexpr std::string_view WAITING_TEXT = "waiting..";
inline constexpr std::string_view CONNECTION_CLOSED_TEXT = "connection closed";
inline constexpr std::string_view INVALID_COM_PORT_TEXT = "invalid COM port";

std::string_view bcuStatusText(BcuInitStep step);
std::string_view clientConnectedText(ServerKind server);
// "Socket.Create failed 98" or "Socket.Listen failed".
std::string listenFailedText(ListeningSocket::Failure failure, int error);

}  // namespace lintor
