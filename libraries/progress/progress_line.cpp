#include "libraries/progress/progress_line.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace progress {

namespace {

constexpr std::chrono::milliseconds interval{250};

}  // namespace

ProgressLine::ProgressLine(std::string program, std::uint64_t total)
    : program_(std::move(program)), total_(total), terminal_(isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() {
    if (shown_) {
        std::fputs("\r\033[K", stderr);
    }
}

void ProgressLine::advance() {
    ++done_;
    if (!terminal_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) {
        return;
    }
    next_ = now + interval;
    shown_ = true;
    std::fprintf(stderr, "\r%s: %llu of %llu steps\033[K", program_.c_str(),
                 static_cast<unsigned long long>(done_), static_cast<unsigned long long>(total_));
}

}  // namespace progress
