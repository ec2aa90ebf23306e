#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lintor {

// A dialog as its resource template describes it: controls placed in dialog
// units of the template font.
enum class ControlKind { PushButton, Edit, Label, Bitmap, Icon, ListView };

namespace control_style {
inline constexpr uint32_t DEFAULT_BUTTON = 1U << 0;
inline constexpr uint32_t TAB_STOP = 1U << 1;
inline constexpr uint32_t READ_ONLY = 1U << 2;
inline constexpr uint32_t BORDER = 1U << 3;
inline constexpr uint32_t AUTO_HSCROLL = 1U << 4;
inline constexpr uint32_t CENTER = 1U << 5;
inline constexpr uint32_t CENTER_VERTICALLY = 1U << 6;
inline constexpr uint32_t GROUP = 1U << 7;
inline constexpr uint32_t STATIC_EDGE = 1U << 8;
inline constexpr uint32_t NOTIFY = 1U << 9;
inline constexpr uint32_t NO_PREFIX = 1U << 10;
inline constexpr uint32_t REPORT_VIEW = 1U << 11;
}  // namespace control_style

inline constexpr int NO_ID = -1;

struct TemplateControl {
    int id;
    ControlKind kind;
    int x, y, width, height;
    // The caption, or for bitmaps and icons the resource.
    std::string_view text;
    uint32_t style;
};

struct DialogTemplate {
    int id;
    int width, height;
    std::string_view caption;
    std::span<const TemplateControl> controls;
};

namespace control_id {
inline constexpr int OK = 1;
inline constexpr int SOCKET_STATUS = 1001;
inline constexpr int BCU_STATUS = 1002;
inline constexpr int ACKS_SENT = 1004;
inline constexpr int EXPAND = 1005;
inline constexpr int COLLAPSE = 1006;
inline constexpr int ACKS_RECEIVED = 1007;
inline constexpr int DATA_MESSAGES = 1008;
inline constexpr int DUPLICATES = 1009;
inline constexpr int PROXY = 1011;
inline constexpr int PROXY_LIST = 1012;
}  // namespace control_id

extern const DialogTemplate mainDialogTemplate;   // 102
extern const DialogTemplate aboutDialogTemplate;  // 100
extern const DialogTemplate proxyTableTemplate;   // 133

// Resources.
inline constexpr std::string_view ICON_32 = ":/lintor/lintor_32.xpm";
inline constexpr std::string_view ICON_16 = ":/lintor/lintor_16.xpm";
inline constexpr std::string_view ARROW_UP = ":/lintor/arrow_up.xpm";
inline constexpr std::string_view ARROW_DOWN = ":/lintor/arrow_down.xpm";
inline constexpr std::string_view ABOUT_MENU_TEXT = "Inf&o über Lintor...";

}  // namespace lintor
