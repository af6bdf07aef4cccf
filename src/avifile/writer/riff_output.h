// Sequential output through one fixed buffer, with patches of earlier bytes (sizes, counters and
// headers known only later). Memory use is the buffer, whatever the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "file_io.h"

namespace kavrin::avi {

class RiffOutput {
public:
    static constexpr size_t kDefaultBuffer = 512 << 10;
    // Blocks from this size on are written from the caller's memory rather than copied. Smaller
    // ones (a compressed frame, an audio block) are cheaper gathered: the copy through a buffer
    // that stays in the processor's cache costs less than a system call per chunk.
    static constexpr size_t kDirectBytes = 256 << 10;

    explicit RiffOutput(FileIo& file, size_t bufferSize = kDefaultBuffer);

    // The offset at which the next appended byte lands.
    int64_t Tell() const { return bufferStart_ + static_cast<int64_t>(used_); }
    // False once any write has failed; every later call then fails too.
    bool ok() const { return ok_; }

    bool Append(const void* data, size_t size);
    bool AppendZeros(size_t size);
    bool AppendU16(uint16_t value);
    bool AppendU32(uint32_t value);
    bool AppendU64(uint64_t value);

    // A chunk header with its size left open; returns the offset of the size field for EndChunk.
    int64_t BeginChunk(uint32_t fourcc);
    // A LIST or RIFF header with its type; returns the offset of the size field for EndChunk.
    int64_t BeginList(uint32_t listFourcc, uint32_t type);
    // Fills in the size of the chunk begun at sizeOffset and pads an odd size to even.
    bool EndChunk(int64_t sizeOffset);

    // Overwrites bytes already appended (buffered or on disk).
    bool Patch(int64_t offset, const void* data, size_t size);
    bool PatchU32(int64_t offset, uint32_t value);
    bool Flush();

private:
    FileIo& file_;
    std::unique_ptr<unsigned char[]> buffer_;  // not cleared: only bytes appended are written
    size_t capacity_;
    int64_t bufferStart_ = 0;
    size_t used_ = 0;
    bool ok_ = true;
};

}  // namespace kavrin::avi
