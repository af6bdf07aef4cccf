#include "stream_model.h"

#include <algorithm>

#include "riff.h"

namespace kavrin::avi {

void FinishStream(StreamModel& stream) {
    AVISTREAMINFOA& info = stream.info;
    // A sample size that disagrees with the audio format's block size is a writer's slip: the block
    // size is what the data is made of, and the player's reading of it.
    if (!stream.continuous && info.fccType == streamtypeAUDIO && info.dwSampleSize != 0 && stream.format.size() >= 14) {
        const uint16_t blockAlign = Le16(stream.format.data() + 12);
        if (blockAlign != 0) info.dwSampleSize = blockAlign;
    }
    uint64_t length = 0;
    if (stream.continuous) {
        length = static_cast<uint64_t>(stream.dataBytes) / info.dwSampleSize;
    } else {
        // Empty chunks hold no bytes, so no samples, where the sample size is fixed; where it is
        // not, they are dropped frames and keep their places.
        if (info.dwSampleSize != 0)
            stream.chunks.erase(std::remove_if(stream.chunks.begin(), stream.chunks.end(),
                                               [](const ChunkEntry& c) { return c.size == 0; }),
                                stream.chunks.end());
        int64_t bytes = 0;
        for (ChunkEntry& chunk : stream.chunks) {
            chunk.firstByte = bytes;
            bytes += chunk.size;
        }
        if (info.dwSampleSize == 0) {
            length = stream.chunks.size();
            stream.firstDataChunk = std::find_if(stream.chunks.begin(), stream.chunks.end(),
                                                 [](const ChunkEntry& c) { return c.size != 0; }) -
                                    stream.chunks.begin();
        } else {
            length = static_cast<uint64_t>(bytes) / info.dwSampleSize;
        }
    }
    stream.chunks.shrink_to_fit();
    // Every position, dwStart + length - 1 included, must be a LONG.
    const uint64_t room = static_cast<uint64_t>(INT32_MAX) - info.dwStart;
    info.dwLength = static_cast<DWORD>(std::min(length, room));
}

}  // namespace kavrin::avi
