#include "byte_source.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kavrin::avi {

bool ByteSource::ReadExact(int64_t offset, void* buffer, size_t size) const {
    if (offset < 0 || offset > size_ || static_cast<uint64_t>(size_ - offset) < size) return false;
    if (size == 0) return true;
    return ReadAt(offset, buffer, size) == static_cast<int64_t>(size);
}

bool FileSource::Open(const std::string& path) {
    if (!file_.OpenRead(path)) return false;
    size_ = file_.Size();
    return size_ >= 0;
}

int64_t FileSource::ReadAt(int64_t offset, void* buffer, size_t size) const {
    if (size >= kSmallRead) return file_.ReadAt(offset, buffer, size);
    const auto inWindow = [&] {
        return offset >= windowStart_ && offset - windowStart_ <= static_cast<int64_t>(windowBytes_) &&
               windowBytes_ - static_cast<size_t>(offset - windowStart_) >= size;
    };
    if (!inWindow()) {
        if (!window_) window_.reset(new (std::nothrow) unsigned char[kWindowBytes]);
        if (!window_) return file_.ReadAt(offset, buffer, size);
        windowBytes_ = 0;
        const int64_t got = file_.ReadAt(offset, window_.get(), kWindowBytes);
        if (got < 0) return -1;
        windowStart_ = offset;
        windowBytes_ = static_cast<size_t>(got);
        size = std::min(size, windowBytes_);  // the end of the file
    }
    std::memcpy(buffer, window_.get() + (offset - windowStart_), size);
    return static_cast<int64_t>(size);
}

MemorySource::MemorySource(const void* data, size_t size)
    : bytes_(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size) {
    size_ = static_cast<int64_t>(size);
}

int64_t MemorySource::ReadAt(int64_t offset, void* buffer, size_t size) const {
    std::memcpy(buffer, bytes_.data() + offset, size);
    return static_cast<int64_t>(size);
}

}  // namespace kavrin::avi
