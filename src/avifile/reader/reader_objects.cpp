#include "reader_objects.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "frame_placement.h"

namespace kavrin::avi {
namespace {

class ReaderStream final : public IAVIStream {
public:
    // Holds the file, which owns the stream's model and the source.
    ReaderStream(ReaderFile* file, const StreamModel* model) : file_(file), model_(model) { file_->AddRef(); }

    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT Info(AVISTREAMINFOA* info, LONG size) override;
    HRESULT ReadFormat(LONG pos, LPVOID format, LONG* formatSize) override;
    HRESULT SetFormat(LONG, LPVOID, LONG) override { return AVIERR_READONLY; }
    HRESULT Read(LONG start, LONG samples, LPVOID buffer, LONG bufferSize, LONG* bytes, LONG* samplesRead) override;
    HRESULT Write(LONG, LONG, LPVOID, LONG, DWORD, LONG*, LONG*) override { return AVIERR_READONLY; }

private:
    ~ReaderStream() { file_->Release(); }
    bool ReadData(const ReadPlan& plan, void* buffer) const;

    ULONG references_ = 1;
    ReaderFile* file_;
    const StreamModel* model_;
};

HRESULT ReaderStream::Info(AVISTREAMINFOA* info, LONG size) {
    if (!info || size < 0) return AVIERR_BADPARAM;
    std::memcpy(info, &model_->info, std::min<size_t>(size, sizeof model_->info));
    return AVIERR_OK;
}

// One format for the whole stream, whatever the position.
HRESULT ReaderStream::ReadFormat(LONG, LPVOID format, LONG* formatSize) {
    if (!formatSize) return AVIERR_BADPARAM;
    const LONG size = static_cast<LONG>(model_->format.size());
    if (!format) {
        *formatSize = size;
        return AVIERR_OK;
    }
    if (*formatSize < 0) return AVIERR_BADPARAM;
    const LONG copied = std::min(*formatSize, size);
    if (copied > 0) std::memcpy(format, model_->format.data(), copied);
    const bool fits = *formatSize >= size;
    *formatSize = size;
    return fits ? AVIERR_OK : AVIERR_BUFFERTOOSMALL;
}

bool ReaderStream::ReadData(const ReadPlan& plan, void* buffer) const {
    const ByteSource& source = file_->source();
    if (plan.bytes == 0) return true;
    const StreamModel& stream = *model_;
    if (stream.continuous || stream.info.dwSampleSize == 0)
        return source.ReadExact(plan.offset, buffer, static_cast<size_t>(plan.bytes));
    // Fixed sample size: the samples may run on from one chunk into the next.
    auto* out = static_cast<unsigned char*>(buffer);
    int64_t left = plan.bytes, skip = plan.skip;
    for (size_t i = plan.chunk; left > 0 && i < stream.chunks.size(); ++i, skip = 0) {
        const ChunkEntry& chunk = stream.chunks[i];
        const int64_t n = std::min<int64_t>(left, chunk.size - skip);
        if (!source.ReadExact(chunk.offset + skip, out, static_cast<size_t>(n))) return false;
        out += n;
        left -= n;
    }
    return left == 0;
}

HRESULT ReaderStream::Read(LONG start, LONG samples, LPVOID buffer, LONG bufferSize, LONG* bytes,
                           LONG* samplesRead) {
    if (bytes) *bytes = 0;
    if (samplesRead) *samplesRead = 0;
    if (bufferSize < 0 || (samples < 0 && samples != AVISTREAMREAD_CONVENIENT)) return AVIERR_BADPARAM;
    const AVISTREAMINFOA& info = model_->info;
    const int64_t pos = static_cast<int64_t>(start) - info.dwStart;
    // Outside the stream, or nothing asked: nothing there to give.
    if (pos < 0 || pos >= info.dwLength || samples == 0) return AVIERR_OK;
    ReadPlan plan = PlanRead(*model_, pos, samples);
    if (plan.bytes > INT32_MAX) return AVIERR_BADFORMAT;  // one sample larger than a LONG can count
    if (buffer) {
        if (plan.bytes > bufferSize) {
            // Fewer whole samples fit, if any; a frame is all or nothing.
            const int64_t sampleSize = info.dwSampleSize;
            if (sampleSize == 0 || bufferSize < sampleSize) return AVIERR_BUFFERTOOSMALL;
            plan.samples = static_cast<LONG>(bufferSize / sampleSize);
            plan.bytes = static_cast<int64_t>(plan.samples) * sampleSize;
        }
        if (!ReadData(plan, buffer)) return AVIERR_FILEREAD;
        NoteFramePlacement({buffer, static_cast<LONG>(plan.bytes), plan.samples, plan.emptiesBefore});
    }
    if (bytes) *bytes = static_cast<LONG>(plan.bytes);
    if (samplesRead) *samplesRead = plan.samples;
    return AVIERR_OK;
}

// Streams of whole chunks (dwSampleSize 0), where empty chunks are dropped frames. A read of more
// than one sample hands out one frame with data together with the empty frames that belong to it:
// the empties before the stream's first frame with data lead up to it, and every frame with data
// carries the empties that follow it. The plan says how many lead, so that a writer can put the
// frame back in its place (frame_placement.h).
ReadPlan PlanWholeChunks(const StreamModel& stream, size_t index, LONG samples) {
    const std::vector<ChunkEntry>& chunks = stream.chunks;
    // The stream ends with its length, which may stop short of the index (positions are LONG).
    const size_t end = std::min<size_t>(chunks.size(), stream.info.dwLength);
    ReadPlan plan;
    plan.samples = 1;
    plan.bytes = chunks[index].size;
    plan.offset = chunks[index].offset;
    if (samples == 1) return plan;
    const size_t limit = samples == AVISTREAMREAD_CONVENIENT ? end - index : static_cast<size_t>(samples);
    size_t frame = index;  // the frame with data of this read
    if (index < stream.firstDataChunk) {
        const size_t toData = stream.firstDataChunk - index;  // empties left before the data
        if (stream.firstDataChunk >= end || toData + 1 > limit) {
            plan.samples = static_cast<LONG>(std::min({toData, limit, end - index}));  // empties only
            return plan;
        }
        frame = stream.firstDataChunk;
        plan.bytes = chunks[frame].size;
        plan.offset = chunks[frame].offset;
        plan.emptiesBefore = static_cast<LONG>(toData);
    } else if (chunks[index].size == 0) {
        return plan;  // inside the empties of an earlier frame: only itself
    }
    size_t span = frame - index + 1;
    while (span < limit && index + span < end && chunks[index + span].size == 0) ++span;
    plan.samples = static_cast<LONG>(span);
    return plan;
}

}  // namespace

ReadPlan PlanRead(const StreamModel& stream, int64_t pos, LONG samples) {
    const AVISTREAMINFOA& info = stream.info;
    if (!stream.continuous && info.dwSampleSize == 0) return PlanWholeChunks(stream, static_cast<size_t>(pos), samples);

    ReadPlan plan;
    const int64_t sampleSize = info.dwSampleSize;
    const int64_t remaining = static_cast<int64_t>(info.dwLength) - pos;
    const int64_t firstByte = pos * sampleSize;
    int64_t count;
    if (stream.continuous) {
        // A WAVE file has no chunks of its own: nothing is convenient, the caller picks the size.
        if (samples == AVISTREAMREAD_CONVENIENT) return plan;
        count = samples;
        plan.offset = stream.dataOffset + firstByte;
    } else {
        const auto after = std::upper_bound(stream.chunks.begin(), stream.chunks.end(), firstByte,
                                            [](int64_t byte, const ChunkEntry& c) { return byte < c.firstByte; });
        plan.chunk = static_cast<size_t>(after - stream.chunks.begin()) - 1;
        const ChunkEntry& chunk = stream.chunks[plan.chunk];
        plan.skip = firstByte - chunk.firstByte;
        plan.offset = chunk.offset + plan.skip;
        // The rest of this chunk; a sample that runs on into the next chunk is given whole.
        count = samples == AVISTREAMREAD_CONVENIENT ? std::max<int64_t>(1, (chunk.size - plan.skip) / sampleSize)
                                                    : samples;
    }
    count = std::min({count, remaining, std::max<int64_t>(1, kMaxReadBytes / sampleSize)});
    plan.samples = static_cast<LONG>(count);
    plan.bytes = count * sampleSize;
    return plan;
}

ReaderFile::ReaderFile(std::unique_ptr<ByteSource> source, FileModel model)
    : source_(std::move(source)), model_(std::move(model)) {}

ULONG ReaderFile::AddRef() { return ++references_; }

ULONG ReaderFile::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT ReaderFile::Info(AVIFILEINFOA* info, LONG size) {
    if (!info || size < 0) return AVIERR_BADPARAM;
    std::memcpy(info, &model_.info, std::min<size_t>(size, sizeof model_.info));
    return AVIERR_OK;
}

HRESULT ReaderFile::GetStream(IAVIStream** stream, DWORD fccType, LONG lParam) {
    if (!stream) return AVIERR_BADPARAM;
    *stream = nullptr;
    LONG seen = 0;
    for (const StreamModel& candidate : model_.streams) {
        if (!candidate.hasHeader || (fccType != 0 && candidate.info.fccType != fccType)) continue;
        if (seen++ != lParam) continue;
        *stream = new (std::nothrow) ReaderStream(this, &candidate);
        return *stream ? AVIERR_OK : AVIERR_MEMORY;
    }
    return AVIERR_NODATA;
}

HRESULT ReaderFile::CreateStream(IAVIStream** stream, AVISTREAMINFOA*) {
    if (stream) *stream = nullptr;
    return AVIERR_READONLY;
}

}  // namespace kavrin::avi
