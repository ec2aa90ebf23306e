#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace lintor::tool {

// "[#####               ]  64/256 1.1.63"
std::string progressText(size_t done, size_t total, std::string_view step);

// A bar redrawn in place on the last line of a terminal; nothing at all
// when the stream is no terminal, so that logs and pipes stay clean. Gone
// from the screen when it goes.
class ProgressBar {
public:
    ProgressBar(std::FILE* stream, size_t total);
    ~ProgressBar() { hide(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void show(size_t done, std::string_view step);
    // Before other output to the same terminal; the next show() draws it again.
    void hide();

private:
    std::FILE* stream_;
    size_t total_;
    bool terminal_;
    bool visible_ = false;
};

}  // namespace lintor::tool
