// What a reader knows of a stream once the file is open: header, format, name and chunk list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "avifile.h"

namespace kavrin::avi {

// One chunk of a stream's data. 24 bytes; the whole index is a vector of these.
struct ChunkEntry {
    int64_t offset;     // of the data in the file (past the chunk header)
    int64_t firstByte;  // bytes of the stream before this chunk
    uint32_t size;      // bytes of data; 0 for an empty chunk (a dropped frame)
    uint32_t flags;     // AVIIF_KEYFRAME or 0
};

struct StreamModel {
    bool hasHeader = false;  // a stream without 'strh' keeps its number but cannot be opened
    AVISTREAMINFOA info = {};
    std::vector<unsigned char> format;
    // The whole data as one run of bytes (WAVE): no chunks of its own.
    bool continuous = false;
    int64_t dataOffset = 0;
    int64_t dataBytes = 0;
    // The chunks in stream order (AVI).
    std::vector<ChunkEntry> chunks;
    // dwSampleSize 0: the first chunk with data, chunks.size() when none has any.
    size_t firstDataChunk = 0;
};

struct FileModel {
    bool isWave = false;
    AVIFILEINFOA info = {};
    std::vector<StreamModel> streams;
};

// The largest byte count one Read hands out for streams of fixed sample size: a huge sample count
// must not make the caller allocate gigabytes. One sample is always given, whatever its size.
constexpr int64_t kMaxReadBytes = 16 << 20;

// Sets the length from the chunks (or the data) and fills what Read needs.
void FinishStream(StreamModel& stream);

}  // namespace kavrin::avi
