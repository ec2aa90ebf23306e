#include "knxip/frame_reader.h"

#include "knxip/knxip_protocol.h"
#include "link/byte_order.h"

namespace lintor::knxip {
namespace {

// Reads fields front to back; once a read falls off the end every further
// one fails too.
class FieldReader {
public:
    explicit FieldReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    uint8_t byte() {
        if (!take(1)) return 0;
        return bytes_[at_ - 1];
    }
    uint16_t word() {
        if (!take(2)) return 0;
        return readBigEndian16(bytes_, at_ - 2);
    }
    uint32_t longWord() {
        if (!take(4)) return 0;
        return readBigEndian(bytes_.subspan(at_ - 4, 4));
    }
    void skip(size_t count) { take(count); }
    std::span<const uint8_t> rest() const { return ok_ ? bytes_.subspan(at_) : std::span<const uint8_t>{}; }

private:
    bool take(size_t count) {
        if (!ok_ || bytes_.size() - at_ < count) {
            ok_ = false;
            return false;
        }
        at_ += count;
        return true;
    }

    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

Hpai readHpai(FieldReader& in) {
    Hpai hpai;
    if (in.byte() != HPAI_SIZE) in.skip(SIZE_MAX);
    hpai.protocol = in.byte();
    hpai.endpoint.address = in.longWord();
    hpai.endpoint.port = in.word();
    return hpai;
}

ConnectionHeader readConnectionHeader(FieldReader& in) {
    ConnectionHeader header;
    if (in.byte() != CONNECTION_HEADER_SIZE) in.skip(SIZE_MAX);
    header.channel = in.byte();
    header.sequence = in.byte();
    header.status = in.byte();
    return header;
}

ConnectRequest readConnectRequest(FieldReader& in) {
    ConnectRequest request;
    request.control = readHpai(in);
    request.data = readHpai(in);
    const uint8_t criLength = in.byte();
    request.criLength = criLength;
    request.connectionType = in.byte();
    // The length counts itself and the type; a tunnel's names its layer next.
    constexpr size_t kLengthAndType = 2;
    if (criLength < DEVICE_MGMT_CRI_SIZE) in.skip(SIZE_MAX);
    if (criLength >= TUNNEL_CRI_SIZE) {
        request.layer = in.byte();
        in.skip(criLength - kLengthAndType - 1);
    } else if (criLength > kLengthAndType) {
        in.skip(criLength - kLengthAndType);
    }
    return request;
}

// The body of a known service; nothing for an unknown one.
std::optional<Request> readBody(uint16_t service, FieldReader& in) {
    switch (service) {
    case service::SEARCH_REQUEST:
        return SearchRequest{readHpai(in)};
    case service::DESCRIPTION_REQUEST:
        return DescriptionRequest{readHpai(in)};
    case service::CONNECT_REQUEST:
        return readConnectRequest(in);
    case service::CONNECTIONSTATE_REQUEST:
    case service::DISCONNECT_REQUEST: {
        const uint8_t channel = in.byte();
        in.skip(1);
        const Hpai control = readHpai(in);
        if (service == service::DISCONNECT_REQUEST) return DisconnectRequest{channel, control};
        return ConnectionStateRequest{channel, control};
    }
    case service::DISCONNECT_RESPONSE: {
        const uint8_t channel = in.byte();
        return DisconnectResponse{channel, in.byte()};
    }
    case service::TUNNELLING_REQUEST:
    case service::DEVICE_CONFIGURATION_REQUEST: {
        const ConnectionHeader header = readConnectionHeader(in);
        return ChannelMessage{service == service::DEVICE_CONFIGURATION_REQUEST, header, in.rest()};
    }
    case service::TUNNELLING_ACK:
    case service::DEVICE_CONFIGURATION_ACK:
        return ChannelAck{service == service::DEVICE_CONFIGURATION_ACK, readConnectionHeader(in)};
    default:
        return std::nullopt;
    }
}

}  // namespace

ReadResult readRequest(std::span<const uint8_t> datagram) {
    ReadResult result;
    FieldReader header(datagram);
    const uint8_t headerSize = header.byte();
    const uint8_t version = header.byte();
    const uint16_t service = header.word();
    const uint16_t totalLength = header.word();
    if (!header.ok() || headerSize != HEADER_SIZE || version != PROTOCOL_VERSION || totalLength < HEADER_SIZE ||
        totalLength > datagram.size()) {
        return result;
    }
    result.service = service;
    FieldReader body(datagram.subspan(HEADER_SIZE, totalLength - HEADER_SIZE));
    auto request = readBody(service, body);
    if (!request) {
        result.failure = ReadFailure::UnknownService;
    } else if (!body.ok()) {
        result.failure = ReadFailure::BadBody;
    } else {
        result.request = request;
    }
    return result;
}

}  // namespace lintor::knxip
