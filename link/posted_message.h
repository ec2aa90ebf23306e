#pragma once

#include <cstdint>

namespace lintor {

// Private messages to the composition root. The numbers are those that
// external tools watching the original window messages know.
inline constexpr uint16_t WM_BUS_MESSAGE = 0x121B;
inline constexpr uint16_t WM_PROXY_SET_GA = 0x1220;
inline constexpr uint16_t WM_BCU_INIT_STEP = 0x464;
// Our own, beside them: the link worker lost or closed the device (also when
// it could not be opened at start), has it open again, or the BCU announced
// a reset of its own. Each restarts or halts the BCU start-up.
inline constexpr uint16_t WM_LINK_DOWN = 0x1240;
inline constexpr uint16_t WM_LINK_UP = 0x1241;
inline constexpr uint16_t WM_BCU_RESET = 0x1242;

struct PostedMessage {
    uint16_t id = 0;
    uint32_t wParam = 0;
    int32_t lParam = 0;

    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

// Queues a message for the user-interface thread. post() may be called from
// any thread and must not block.
class MessagePoster {
public:
    virtual ~MessagePoster() = default;
    virtual void post(const PostedMessage& message) = 0;
};

}  // namespace lintor
