#include "byte_source.h"

#include <cstring>

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
    return file_.ReadAt(offset, buffer, size);
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
