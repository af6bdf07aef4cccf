#include "riff_output.h"

#include <algorithm>
#include <cstring>

namespace kavrin::avi {

RiffOutput::RiffOutput(FileIo& file, size_t bufferSize)
    : file_(file), buffer_(new unsigned char[bufferSize]), capacity_(bufferSize) {}

bool RiffOutput::Flush() {
    if (!ok_) return false;
    if (used_ > 0 && !file_.WriteAt(bufferStart_, buffer_.get(), used_)) ok_ = false;
    bufferStart_ += static_cast<int64_t>(used_);
    used_ = 0;
    return ok_;
}

bool RiffOutput::Append(const void* data, size_t size) {
    if (!ok_) return false;
    const auto* in = static_cast<const unsigned char*>(data);
    if (size >= kDirectBytes || size >= capacity_) {
        // Large blocks go to the file with what is buffered, in one call: copying them through the
        // buffer would cost a pass over every byte of the media.
        if (!file_.WriteAt(bufferStart_, buffer_.get(), used_, in, size)) return ok_ = false;
        bufferStart_ += static_cast<int64_t>(used_ + size);
        used_ = 0;
        return true;
    }
    if (used_ + size > capacity_ && !Flush()) return false;
    std::memcpy(buffer_.get() + used_, in, size);
    used_ += size;
    return true;
}

bool RiffOutput::AppendZeros(size_t size) {
    static const unsigned char zeros[4096] = {};
    while (size > 0) {
        size_t part = std::min(size, sizeof zeros);
        if (!Append(zeros, part)) return false;
        size -= part;
    }
    return ok_;
}

bool RiffOutput::AppendU16(uint16_t value) {
    unsigned char bytes[2] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)};
    return Append(bytes, 2);
}

bool RiffOutput::AppendU32(uint32_t value) {
    unsigned char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return Append(bytes, 4);
}

bool RiffOutput::AppendU64(uint64_t value) {
    return AppendU32(static_cast<uint32_t>(value)) && AppendU32(static_cast<uint32_t>(value >> 32));
}

int64_t RiffOutput::BeginChunk(uint32_t fourcc) {
    AppendU32(fourcc);
    int64_t sizeOffset = Tell();
    AppendU32(0);
    return sizeOffset;
}

int64_t RiffOutput::BeginList(uint32_t listFourcc, uint32_t type) {
    int64_t sizeOffset = BeginChunk(listFourcc);
    AppendU32(type);
    return sizeOffset;
}

bool RiffOutput::EndChunk(int64_t sizeOffset) {
    int64_t size = Tell() - sizeOffset - 4;
    if (size < 0 || size > 0xFFFFFFFFll) return ok_ = false;
    if (!PatchU32(sizeOffset, static_cast<uint32_t>(size))) return false;
    return (size & 1) ? AppendZeros(1) : ok_;
}

bool RiffOutput::Patch(int64_t offset, const void* data, size_t size) {
    if (!ok_) return false;
    if (offset < 0 || offset + static_cast<int64_t>(size) > Tell()) return ok_ = false;
    const auto* in = static_cast<const unsigned char*>(data);
    // The part before the buffer is on disk already; the rest is still in the buffer.
    if (offset < bufferStart_) {
        size_t onDisk = static_cast<size_t>(std::min<int64_t>(bufferStart_ - offset, static_cast<int64_t>(size)));
        if (!file_.WriteAt(offset, in, onDisk)) return ok_ = false;
        offset += static_cast<int64_t>(onDisk);
        in += onDisk;
        size -= onDisk;
    }
    if (size > 0) std::memcpy(buffer_.get() + (offset - bufferStart_), in, size);
    return true;
}

bool RiffOutput::PatchU32(int64_t offset, uint32_t value) {
    unsigned char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return Patch(offset, bytes, 4);
}

}  // namespace kavrin::avi
