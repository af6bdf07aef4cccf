// Byte-level file access for the readers and the writer: 64-bit offsets, ANSI paths.
// On Windows the ANSI file calls (code page 932 paths), elsewhere POSIX calls on the path's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kavrin::avi {

class FileIo {
public:
    FileIo() = default;
    FileIo(const FileIo&) = delete;
    FileIo& operator=(const FileIo&) = delete;
    FileIo(FileIo&& other) noexcept;
    FileIo& operator=(FileIo&& other) noexcept;
    ~FileIo();

    // Opens an existing file for reading. False when it cannot be opened.
    bool OpenRead(const std::string& path);
    // Creates (or truncates) a file for writing. False when it cannot be created.
    bool Create(const std::string& path);
    // Creates a file for writing that must not exist yet. False when it exists or cannot be created.
    bool CreateNew(const std::string& path);
    bool IsOpen() const;
    void Close();

    // The file's size in bytes, or -1 on error.
    int64_t Size() const;
    // Reads up to size bytes at offset; returns the bytes read (fewer at the end of file), -1 on error.
    int64_t ReadAt(int64_t offset, void* buffer, size_t size) const;
    // Writes all bytes at offset; false on any error (disk full included).
    bool WriteAt(int64_t offset, const void* data, size_t size);
    // Writes `first` then `second` at offset, in one call where the system has one; false on any error.
    bool WriteAt(int64_t offset, const void* first, size_t firstSize, const void* second, size_t secondSize);
    // Flushes written data to the disk; false on error.
    bool Sync();

private:
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int fd_ = -1;
#endif
};

// Gives `from` the name `to`, replacing a file of that name in one step. False on error.
bool ReplaceFile(const std::string& from, const std::string& to);
// Removes a file; false when it could not be removed.
bool RemoveFile(const std::string& path);
// Whether two paths name one existing file (links and other spellings included).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace kavrin::avi
