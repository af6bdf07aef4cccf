#include "frame_placement.h"

namespace kavrin::avi {
namespace {

thread_local FramePlacement latest;

}  // namespace

void NoteFramePlacement(const FramePlacement& placement) { latest = placement; }

LONG EmptiesBeforeFrame(const void* data, LONG bytes, LONG samples) {
    const bool same = data != nullptr && data == latest.data && bytes == latest.bytes && samples == latest.samples;
    return same ? latest.emptiesBefore : -1;
}

}  // namespace kavrin::avi
