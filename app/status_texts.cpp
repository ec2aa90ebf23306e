#include "app/status_texts.h"

namespace lintor {

std::string_view bcuStatusText(BcuInitStep step) {
    switch (step) {
    case BcuInitStep::Reset:
        return "reset..";
    case BcuInitStep::PeiSwitch:
        return "PEI_switch..";
    case BcuInitStep::AddressTable:
        return "set Addr-Table..";
    case BcuInitStep::CommMode:
        return "set Comm-Mode..";
    case BcuInitStep::Connected:
        return "connected to BCU";
    }
    return OFFLINE_TEXT;
}

std::string_view clientConnectedText(ServerKind server) {
    switch (server) {
    case ServerKind::BusGateway:
        return "connected..";
    case ServerKind::Proxy:
        return "proxy connected..";
    }
    return "connected..";
}

std::string listenFailedText(ListeningSocket::Failure failure, int error) {
    if (failure == ListeningSocket::Failure::Listen) return "Socket.Listen failed";
    return "Socket.Create failed " + std::to_string(error);
}

}  // namespace lintor
