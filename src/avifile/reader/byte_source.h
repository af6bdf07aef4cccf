// Where a reader's bytes come from: an open file, or memory (tests and fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "file_io.h"

namespace kavrin::avi {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The size fixed when the source was opened; the parsers never look past it.
    int64_t Size() const { return size_; }
    // Reads exactly size bytes at offset: false on a read error or when they are not all there.
    bool ReadExact(int64_t offset, void* buffer, size_t size) const;

protected:
    virtual int64_t ReadAt(int64_t offset, void* buffer, size_t size) const = 0;
    int64_t size_ = 0;
};

class FileSource final : public ByteSource {
public:
    // False when the file cannot be opened or its size cannot be told.
    bool Open(const std::string& path);

private:
    int64_t ReadAt(int64_t offset, void* buffer, size_t size) const override;
    FileIo file_;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, size_t size);

private:
    int64_t ReadAt(int64_t offset, void* buffer, size_t size) const override;
    std::vector<unsigned char> bytes_;
};

}  // namespace kavrin::avi
