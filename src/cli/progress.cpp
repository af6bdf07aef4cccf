#include "progress.h"

namespace {
constexpr auto kRedraw = std::chrono::milliseconds(250);
}

ProgressLine::ProgressLine(FILE* stream, Clock::duration quiet)
    : stream_(stream), start_(Clock::now()), nextDraw_(start_ + quiet) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::OnChunkWritten(LONG, LONG bytes) {
    bytes_ += bytes;
    const Clock::time_point now = Clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kRedraw;
    Draw(now);
}

void ProgressLine::Draw(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double mib = static_cast<double>(bytes_) / (1024.0 * 1024.0);
    std::fprintf(stream_, "\r%10.1f MiB copied, %7.1f MiB/s ", mib, seconds > 0 ? mib / seconds : 0.0);
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressLine::Finish() {
    if (!drawn_) return;
    Draw(Clock::now());
    std::fputc('\n', stream_);
    std::fflush(stream_);
    drawn_ = false;
}
