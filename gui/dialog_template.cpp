#include "gui/dialog_template.h"

#include <array>

namespace lintor {
namespace {

using namespace control_style;
using K = ControlKind;

constexpr uint32_t kStatusField = READ_ONLY | BORDER | AUTO_HSCROLL;
constexpr uint32_t kStatusLabel = CENTER | CENTER_VERTICALLY | GROUP | STATIC_EDGE;
constexpr uint32_t kCounterLabel = GROUP;

// In template order, which is the tab order.
constexpr std::array<TemplateControl, 16> kMainControls{{
    {control_id::OK, K::PushButton, 141, 7, 30, 14, "Exit", DEFAULT_BUTTON | TAB_STOP},
    {control_id::SOCKET_STATUS, K::Edit, 46, 7, 90, 14, "", kStatusField},
    {NO_ID, K::Label, 7, 7, 35, 14, "Socket", kStatusLabel},
    {control_id::BCU_STATUS, K::Edit, 46, 24, 90, 14, "", kStatusField},
    {NO_ID, K::Label, 7, 24, 35, 14, "BCU", kStatusLabel},
    {control_id::ACKS_SENT, K::Edit, 67, 84, 40, 14, "", kStatusField},
    {control_id::EXPAND, K::Bitmap, 161, 28, 11, 10, ARROW_DOWN, NOTIFY},
    {control_id::COLLAPSE, K::Bitmap, 161, 149, 11, 10, ARROW_UP, NOTIFY},
    {NO_ID, K::Label, 7, 86, 41, 8, "ACKs > BCU", kCounterLabel},
    {control_id::ACKS_RECEIVED, K::Edit, 67, 68, 40, 14, "", kStatusField},
    {control_id::DATA_MESSAGES, K::Edit, 67, 53, 40, 14, "", kStatusField},
    {control_id::DUPLICATES, K::Edit, 67, 102, 40, 14, "", kStatusField},
    {NO_ID, K::Label, 7, 70, 48, 8, "received ACKs", kCounterLabel},
    {NO_ID, K::Label, 7, 55, 56, 8, "DataMsgs > BCU", kCounterLabel},
    {NO_ID, K::Label, 7, 104, 50, 8, "Duplicate Msgs", kCounterLabel},
    {control_id::PROXY, K::PushButton, 7, 140, 30, 14, "Proxy", TAB_STOP},
}};

constexpr std::array<TemplateControl, 3> kAboutControls{{
    {NO_ID, K::Icon, 11, 17, 20, 20, ICON_32, 0},
    {NO_ID, K::Label, 40, 10, 119, 8, "Lintor Version 1.0", NO_PREFIX | GROUP},
    {control_id::OK, K::PushButton, 178, 7, 50, 14, "OK", DEFAULT_BUTTON | TAB_STOP | GROUP},
}};

constexpr std::array<TemplateControl, 2> kProxyTableControls{{
    {control_id::OK, K::PushButton, 187, 6, 25, 14, "Exit", DEFAULT_BUTTON | TAB_STOP},
    {control_id::PROXY_LIST, K::ListView, 6, 6, 178, 258, "", REPORT_VIEW | BORDER | TAB_STOP},
}};

}  // namespace

const DialogTemplate mainDialogTemplate{102, 178, 161, "Lintor", kMainControls};
const DialogTemplate aboutDialogTemplate{100, 235, 55, "Info über Lintor", kAboutControls};
const DialogTemplate proxyTableTemplate{133, 219, 271, "Proxy-Data-Table", kProxyTableControls};

}  // namespace lintor
