#include "file_io.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace kavrin::avi {

FileIo::FileIo(FileIo&& other) noexcept { *this = std::move(other); }

#ifdef _WIN32

FileIo& FileIo::operator=(FileIo&& other) noexcept {
    if (this != &other) {
        Close();
        std::swap(handle_, other.handle_);
    }
    return *this;
}

FileIo::~FileIo() { Close(); }

bool FileIo::OpenRead(const std::string& path) {
    Close();
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return IsOpen();
}

bool FileIo::Create(const std::string& path) {
    Close();
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool FileIo::CreateNew(const std::string& path) {
    Close();
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool FileIo::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

void FileIo::Close() {
    if (IsOpen()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

int64_t FileIo::Size() const {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(handle_, &size)) return -1;
    return size.QuadPart;
}

int64_t FileIo::ReadAt(int64_t offset, void* buffer, size_t size) const {
    if (!IsOpen() || offset < 0) return -1;
    int64_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset + total);
        at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset + total) >> 32);
        DWORD got = 0;
        if (!ReadFile(handle_, out + total, chunk, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return -1;
        }
        if (got == 0) break;
        total += got;
        size -= got;
    }
    return total;
}

bool FileIo::WriteAt(int64_t offset, const void* data, size_t size) {
    if (!IsOpen() || offset < 0) return false;
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
        DWORD put = 0;
        if (!WriteFile(handle_, in, chunk, &put, &at) || put == 0) return false;
        in += put;
        offset += put;
        size -= put;
    }
    return true;
}

bool FileIo::WriteAt(int64_t offset, const void* first, size_t firstSize, const void* second, size_t secondSize) {
    return WriteAt(offset, first, firstSize) && WriteAt(offset + static_cast<int64_t>(firstSize), second, secondSize);
}

bool FileIo::Sync() { return IsOpen() && FlushFileBuffers(handle_); }

bool ReplaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

namespace {
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(handle, info) != 0;
    CloseHandle(handle);
    return ok;
}
}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    return FileIdentity(a, &first) && FileIdentity(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

#else

FileIo& FileIo::operator=(FileIo&& other) noexcept {
    if (this != &other) {
        Close();
        std::swap(fd_, other.fd_);
    }
    return *this;
}

FileIo::~FileIo() { Close(); }

bool FileIo::OpenRead(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0) {
        struct stat st;
        // A folder opens for reading on POSIX; it is no file to us.
        if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) Close();
    }
    return IsOpen();
}

bool FileIo::Create(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return IsOpen();
}

bool FileIo::CreateNew(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return IsOpen();
}

bool FileIo::IsOpen() const { return fd_ >= 0; }

void FileIo::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int64_t FileIo::Size() const {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
    return st.st_size;
}

int64_t FileIo::ReadAt(int64_t offset, void* buffer, size_t size) const {
    if (fd_ < 0 || offset < 0) return -1;
    int64_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t got = ::pread(fd_, out + total, size, offset + total);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        total += got;
        size -= static_cast<size_t>(got);
    }
    return total;
}

bool FileIo::WriteAt(int64_t offset, const void* data, size_t size) {
    if (fd_ < 0 || offset < 0) return false;
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t put = ::pwrite(fd_, in, size, offset);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (put == 0) return false;
        in += put;
        offset += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

bool FileIo::WriteAt(int64_t offset, const void* first, size_t firstSize, const void* second, size_t secondSize) {
    if (fd_ < 0 || offset < 0) return false;
    iovec parts[2] = {{const_cast<void*>(first), firstSize}, {const_cast<void*>(second), secondSize}};
    iovec* part = parts;
    int count = 2;
    while (count > 0) {
        ssize_t put = ::pwritev(fd_, part, count, offset);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (put == 0 && (part[0].iov_len > 0 || count > 1)) return false;
        offset += put;
        // Skip what went out; a short write goes on from where it stopped.
        while (count > 0 && static_cast<size_t>(put) >= part->iov_len) {
            put -= static_cast<ssize_t>(part->iov_len);
            ++part, --count;
        }
        if (count > 0) {
            part->iov_base = static_cast<char*>(part->iov_base) + put;
            part->iov_len -= static_cast<size_t>(put);
        }
    }
    return true;
}

bool FileIo::Sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool ReplaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

#endif

}  // namespace kavrin::avi
