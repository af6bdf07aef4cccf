// Where a frame with data stands among the empty frames (dropped frames) handed out with it.
//
// In a stream without a fixed sample size, one read of several samples gives one frame with data
// and the empty frames that belong to it. A write of several samples has to put that frame back
// among as many empties, but the data alone cannot say how many of them came before it (a stream
// that begins "empty, empty, frame" reads exactly as one that begins "frame, empty, empty"). So the
// reader notes, for the buffer it has just filled, how many empties lead; a write of that same
// buffer, byte count and sample count (a copy, read by read) places the frame the same way. Other
// writes follow the writer's own rule.
#pragma once

#include "avifile.h"

namespace kavrin::avi {

struct FramePlacement {
    const void* data = nullptr;  // the buffer the read filled
    LONG bytes = 0;
    LONG samples = 0;
    LONG emptiesBefore = 0;  // of the samples, those before the frame with data
};

// Remembers the placement of the latest read of this thread.
void NoteFramePlacement(const FramePlacement& placement);
// The empties before the frame when (data, bytes, samples) is the latest noted read; -1 otherwise.
LONG EmptiesBeforeFrame(const void* data, LONG bytes, LONG samples);

}  // namespace kavrin::avi
