#include "tools/lintor-tool/progress_bar.h"

#include <unistd.h>

#include <array>

namespace lintor::tool {
namespace {

constexpr size_t kBarWidth = 20;
// Carriage return, then erase to the end of the line.
constexpr std::string_view kClearLine = "\r\x1B[K";

}  // namespace

std::string progressText(size_t done, size_t total, std::string_view step) {
    const size_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
    std::array<char, 32> count{};
    std::snprintf(count.data(), count.size(), "%3zu/%zu", done, total);
    return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] " + count.data() + " " +
           std::string(step);
}

ProgressBar::ProgressBar(std::FILE* stream, size_t total)
    : stream_(stream),
      total_(total),
      terminal_(::isatty(::fileno(stream)) == 1) {}

void ProgressBar::show(size_t done, std::string_view step) {
    if (!terminal_) return;
    std::fprintf(stream_, "%.*s%s", static_cast<int>(kClearLine.size()), kClearLine.data(),
                 progressText(done, total_, step).c_str());
    std::fflush(stream_);
    visible_ = true;
}

void ProgressBar::hide() {
    if (!visible_) return;
    std::fprintf(stream_, "%.*s", static_cast<int>(kClearLine.size()), kClearLine.data());
    std::fflush(stream_);
    visible_ = false;
}

}  // namespace lintor::tool
