// Where a reader's bytes come from: an open file, or memory (tests and fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// A file. Small reads are served from a window of the file read ahead in one call: a stream read in
// small pieces (a WAVE file at the wave buffer size, small frames, the headers of a scan) would
// otherwise cost a system call a piece, more than the extra copy. Larger reads go straight into the
// caller's memory. Not for use from several threads at once.
class FileSource final : public ByteSource {
public:
    static constexpr size_t kSmallRead = 32 << 10;
    static constexpr size_t kWindowBytes = 256 << 10;

    // False when the file cannot be opened or its size cannot be told.
    bool Open(const std::string& path);

private:
    int64_t ReadAt(int64_t offset, void* buffer, size_t size) const override;
    FileIo file_;
    mutable std::unique_ptr<unsigned char[]> window_;
    mutable int64_t windowStart_ = 0;
    mutable size_t windowBytes_ = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, size_t size);

private:
    int64_t ReadAt(int64_t offset, void* buffer, size_t size) const override;
    std::vector<unsigned char> bytes_;
};

}  // namespace kavrin::avi
