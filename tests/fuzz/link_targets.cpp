#include <cstdio>
#include <cstdlib>

#include "link/bus_message.h"
#include "link/reply_router.h"
#include "link/serial_link.h"
#include "link/tpdu.h"
#include "net/record_framer.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/support/event_loop.h"
#include "tests/support/link_fakes.h"
#include "tests/support/manual_clock.h"

namespace lintor::fuzz {

namespace {

void serialInputFrom(BusInterface interface, std::span<const uint8_t> data) {
    test::ManualClock clock;
    const auto loop = test::makeLoop(clock);
    test::RecordingLinkListener listener;
    test::RecordingOpener opener;
    SerialLink link(*loop, listener, opener, "/dev/ttyS0");
    link.setInterface(interface);
    link.start();
    link.receiveBytes(data);

    // Every record is whole, with a consistent header.
    for (const auto& record : listener.records) {
        require(record.size() >= kRecordHeaderSize && record.size() <= kUplinkRecordCapacity, "record size in range");
        const RecordHeader header = decodeHeader(std::span<const uint8_t, 4>(record.data(), 4));
        require(header.recordSize() == record.size(), "length field matches the record");
    }
    for (const auto& write : opener.device->writes) {
        require(write.size() == 1 && write[0] == 0xE5, "the receiver only ever writes acknowledgements");
    }
}

}  // namespace

void serialInput(std::span<const uint8_t> data) { serialInputFrom(BusInterface::Emi, data); }
void moduleSerialInput(std::span<const uint8_t> data) { serialInputFrom(BusInterface::Cemi, data); }

void downlinkStream(std::span<const uint8_t> data) {
    test::ManualClock clock;
    const auto loop = test::makeLoop(clock);
    test::RecordingLinkListener listener;
    test::RecordingOpener opener;
    SerialLink link(*loop, listener, opener, "/dev/ttyS0");
    link.start();
    RecordFramer framer;
    // Fed in pieces as a client might, each piece also sent as if it were a
    // record; the BCU acknowledges everything between pieces.
    size_t offset = 0;
    size_t piece = 1;
    while (offset < data.size()) {
        const size_t take = std::min(piece, data.size() - offset);
        const auto bytes = data.subspan(offset, take);
        framer.feed(
            bytes,
            [&](std::span<const uint8_t> record) {
                return link.send({DownlinkSource::Kind::GatewayClient, 1}, record) == Admission::Queued;
            },
            [](const RecordHeader&) {});
        link.send(bytes);
        offset += take;
        piece = piece % 37 + 1;
        link.receiveBytes(std::array<uint8_t, 1>{0xE5});
        clock.advance(DownlinkPacer::QUIET_PERIOD);
        loop->runOnce(std::chrono::milliseconds(0));
    }
    for (const auto& write : opener.device->writes) {
        require(write.size() <= ft12::FRAME_BUFFER_SIZE, "no port write beyond the frame buffer");
    }
    require(listener.downs == 0, "records towards the bus never take the link down");
}

void managementTelegrams(std::span<const uint8_t> data) {
    ReplyRouter router;
    ReplyRouter::Clock::time_point now{};
    // Pieces of up to 32 bytes: the first byte says which way and how long.
    size_t offset = 0;
    while (offset < data.size()) {
        const uint8_t control = data[offset++];
        const size_t take = std::min<size_t>(control & 0x1F, data.size() - offset);
        const auto piece = data.subspan(offset, take);
        offset += take;
        if (const auto pdu = tpdu::read(piece)) {
            require(tpdu::read(tpdu::write(*pdu)) == pdu, "a PDU reads back as it was written");
        }
        if (control & 0x80) {
            router.requestSent(Delivery::To::GatewayClient, control & 0x03, piece, now);
        } else {
            const Delivery delivery = router.route(piece, now);
            require(delivery.to != Delivery::To::Tunnel, "only gateway clients were ever talking");
        }
        if (control & 0x40) router.clientGone(Delivery::To::GatewayClient, control & 0x03);
        now += std::chrono::milliseconds(control);
        require(router.remoteCount() <= ReplyRouter::REMOTE_LIMIT, "the table stays bounded");
    }
}

}  // namespace lintor::fuzz
