// The file and stream objects of an opened AVI or WAVE file.
#pragma once

#include <memory>

#include "byte_source.h"
#include "stream_model.h"

namespace kavrin::avi {

class ReaderFile final : public IAVIFile {
public:
    ReaderFile(std::unique_ptr<ByteSource> source, FileModel model);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Info(AVIFILEINFOA* info, LONG size) override;
    HRESULT GetStream(IAVIStream** stream, DWORD fccType, LONG lParam) override;
    HRESULT CreateStream(IAVIStream** stream, AVISTREAMINFOA* info) override;

    const ByteSource& source() const { return *source_; }

private:
    ~ReaderFile() = default;
    ULONG references_ = 1;
    std::unique_ptr<ByteSource> source_;
    FileModel model_;
};

// How much one Read gives, and where its bytes lie.
struct ReadPlan {
    int64_t bytes = 0;
    LONG samples = 0;
    int64_t offset = 0;     // file offset of the first byte (chunked streams: of the data frame)
    size_t chunk = 0;       // fixed sample size, chunked: the chunk holding the first byte
    int64_t skip = 0;       // ... and how far into it the first byte lies
    LONG emptiesBefore = 0;  // whole chunks: the empty frames handed out before the one with data
};

// Works out a read of `samples` (or AVISTREAMREAD_CONVENIENT) at pos, counted from the stream's
// start, 0 <= pos < length. Portable arithmetic only: the stream object does the reading.
ReadPlan PlanRead(const StreamModel& stream, int64_t pos, LONG samples);

}  // namespace kavrin::avi
