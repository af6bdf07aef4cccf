// A progress line on a terminal for long merges: bytes copied and the rate, redrawn in place.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "copy_stream.h"

class ProgressLine : public CopyObserver {
public:
    using Clock = std::chrono::steady_clock;

    // Shows nothing before `quiet` has passed, so short merges stay silent.
    explicit ProgressLine(FILE* stream, Clock::duration quiet = std::chrono::seconds(1));
    ~ProgressLine();

    void OnChunkWritten(LONG samples, LONG bytes) override;
    // Ends the line if one was drawn.
    void Finish();

    int64_t bytes() const { return bytes_; }

private:
    void Draw(Clock::time_point now);

    FILE* stream_;
    Clock::time_point start_;
    Clock::time_point nextDraw_;
    int64_t bytes_ = 0;
    bool drawn_ = false;
};
