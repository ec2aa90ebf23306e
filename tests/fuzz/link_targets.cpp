#include <cstdio>
#include <cstdlib>

#include "link/bus_message.h"
#include "link/serial_link.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/support/link_fakes.h"
#include "tests/support/serial_link_seam.h"

namespace lintor::fuzz {
void serialInput(std::span<const uint8_t> data) {
    test::RecordingLinkEvents poster;
    test::RecordingOpener opener;
    SerialLink link(poster, opener, "/dev/ttyS0");
    SerialLinkSeam worker(link);
    worker.openPort();
    worker.receiveBytes(data);

    // Every announced record is whole in the pipe, with a consistent header.
    for (const PostedMessage& post : poster.posts()) {
        if (post.id == WM_BCU_RESET) continue;
        require(post.id == WM_BUS_MESSAGE, "only bus messages and BCU resets are posted");
        require(post.wParam >= kRecordHeaderSize && post.wParam <= kUplinkRecordCapacity, "record size in range");
        std::array<uint8_t, kUplinkRecordCapacity> record{};
        const size_t n = link.readUplink(std::span(record).first(post.wParam));
        require(n == post.wParam, "announced bytes are in the pipe");
        const RecordHeader header = decodeHeader(std::span<const uint8_t, 4>(record.data(), 4));
        require(header.recordSize() == post.wParam, "length field matches announcement");
    }
    std::array<uint8_t, 1> extra{};
    require(link.readUplink(extra) == 0, "nothing unannounced in the pipe");
    for (const auto& write : opener.device->writes) {
        require(write.size() == 1 && write[0] == 0xE5, "the receiver only ever writes acknowledgements");
    }
}

void downlinkStream(std::span<const uint8_t> data) {
    test::RecordingLinkEvents poster;
    test::RecordingOpener opener;
    SerialLink link(poster, opener, "/dev/ttyS0");
    SerialLinkSeam worker(link);
    worker.openPort();
    // Feed in pieces as a client might, taking records in between.
    size_t offset = 0;
    size_t piece = 1;
    while (offset < data.size()) {
        const size_t take = std::min(piece, data.size() - offset);
        require(link.writeDownlink(data.subspan(offset, take)), "small pieces always fit the pipe");
        offset += take;
        piece = piece % 37 + 1;
        while (worker.takeDownlinkRecord()) {}
    }
    for (const auto& write : opener.device->writes) {
        require(write.size() <= ft12::FRAME_BUFFER_SIZE, "no port write beyond the frame buffer");
    }
    require(poster.posts().empty(), "the downlink never posts");
}

}  // namespace lintor::fuzz
