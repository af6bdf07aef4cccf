// The file and stream objects of a new AVI file, and the factory that starts one.
#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "avi_writer.h"
#include "factories.h"
#include "file_io.h"
#include "frame_placement.h"

namespace kavrin::avi {
namespace {

class WriterFile final : public IAVIFile {
public:
    WriterFile(std::string target, std::string temp, FileIo&& file)
        : target_(std::move(target)), temp_(std::move(temp)), file_(std::move(file)), writer_(file_) {}

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) {
            Finish();
            delete this;
        }
        return left;
    }

    HRESULT Info(AVIFILEINFOA* info, LONG size) override {
        AVIFILEINFOA full = writer_.FileInfo();
        std::memcpy(info, &full, std::min<size_t>(static_cast<size_t>(size), sizeof full));
        return AVIERR_OK;
    }

    HRESULT GetStream(IAVIStream** stream, DWORD fccType, LONG lParam) override;
    HRESULT CreateStream(IAVIStream** stream, AVISTREAMINFOA* info) override;

    AviWriter& writer() { return writer_; }
    void Abandon() { abandoned_ = true; }

private:
    ~WriterFile() = default;

    // The last hold is gone: complete the file and give it the target's name, or leave nothing.
    // No fsync before the rename: most tools do without, and flushing gigabytes would dominate the
    // time of a merge.
    void Finish() {
        HRESULT result = abandoned_ ? AVIERR_USERABORT : writer_.Complete();
        file_.Close();
        if (result == AVIERR_OK && !ReplaceFile(temp_, target_)) result = AVIERR_FILEWRITE;
        if (result != AVIERR_OK) RemoveFile(temp_);
        RecordCloseResult(result);
    }

    std::string target_;
    std::string temp_;
    FileIo file_;
    AviWriter writer_;
    ULONG refs_ = 1;
    bool abandoned_ = false;
};

class WriterStream final : public IAVIStream {
public:
    WriterStream(WriterFile* file, int index) : file_(file), index_(index) { file_->AddRef(); }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) {
            // The stream's hold on its file goes last: it may be the one that completes the file.
            WriterFile* file = file_;
            delete this;
            file->Release();
        }
        return left;
    }

    HRESULT Info(AVISTREAMINFOA* info, LONG size) override {
        AVISTREAMINFOA full = file_->writer().StreamInfo(index_);
        std::memcpy(info, &full, std::min<size_t>(static_cast<size_t>(size), sizeof full));
        return AVIERR_OK;
    }
    HRESULT ReadFormat(LONG, LPVOID format, LONG* formatSize) override {
        if (format && *formatSize < 0) return AVIERR_BADPARAM;
        return file_->writer().GetFormat(index_, format, formatSize);
    }
    HRESULT SetFormat(LONG, LPVOID format, LONG formatSize) override {
        return file_->writer().SetFormat(index_, format, formatSize);
    }
    // The data of a file being written is not read back.
    HRESULT Read(LONG, LONG, LPVOID, LONG, LONG*, LONG*) override { return AVIERR_UNSUPPORTED; }
    HRESULT Write(LONG start, LONG samples, LPVOID buffer, LONG bufferSize, DWORD flags, LONG* samplesWritten,
                  LONG* bytesWritten) override {
        // A copy writes what it has just read: the frame goes back among its empties where it was.
        const LONG emptiesBefore = EmptiesBeforeFrame(buffer, bufferSize, samples);
        HRESULT result = file_->writer().Write(index_, start, samples, buffer, bufferSize, flags, emptiesBefore);
        if (result == AVIERR_OK) {
            if (samplesWritten) *samplesWritten = samples;
            if (bytesWritten) *bytesWritten = bufferSize;
        }
        return result;
    }

private:
    ~WriterStream() = default;

    WriterFile* file_;
    int index_;
    ULONG refs_ = 1;
};

HRESULT WriterFile::GetStream(IAVIStream** stream, DWORD fccType, LONG lParam) {
    *stream = nullptr;
    if (lParam < 0) return AVIERR_NODATA;
    for (int i = 0, seen = 0; i < writer_.StreamCount(); ++i) {
        if (fccType != 0 && writer_.StreamInfo(i).fccType != fccType) continue;
        if (seen++ == lParam) {
            *stream = new WriterStream(this, i);
            return AVIERR_OK;
        }
    }
    return AVIERR_NODATA;
}

HRESULT WriterFile::CreateStream(IAVIStream** stream, AVISTREAMINFOA* info) {
    int index = 0;
    HRESULT result = writer_.CreateStream(*info, &index);
    if (result == AVIERR_OK) *stream = new WriterStream(this, index);
    return result;
}

// A name beside the target (so that the final rename stays on one volume) that no one else uses.
std::string TemporaryName(const std::string& target) {
    thread_local std::mt19937_64 random(std::random_device{}() ^
                                  static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = target + ".kavrin-";
    for (int i = 0; i < 8; ++i) name += digits[random() % 36];
    return name + ".tmp";
}

}  // namespace

HRESULT AbandonWriterFile(IAVIFile* file) {
    auto* written = dynamic_cast<WriterFile*>(file);
    if (!written) return AVIERR_BADHANDLE;
    written->Abandon();
    return AVIERR_OK;
}

HRESULT CreateWriterFile(const char* path, IAVIFile** file) {
    if (file) *file = nullptr;
    if (!path || !file || !*path) return AVIERR_BADPARAM;
    std::string target = path;
    FileIo io;
    std::string temp;
    for (int attempt = 0; attempt < 16 && !io.IsOpen(); ++attempt) {
        temp = TemporaryName(target);
        io.CreateNew(temp);
    }
    if (!io.IsOpen()) return AVIERR_FILEOPEN;
    *file = new WriterFile(target, temp, std::move(io));
    return AVIERR_OK;
}

}  // namespace kavrin::avi
