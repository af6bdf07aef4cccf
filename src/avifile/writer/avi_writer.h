// The layout of a new AVI file: streams, chunks, indexes, and the headers written on completion.
//
// The header area is reserved (zeros, filled in by Complete) when the first chunk is written, with
// room for the streams known then and a few more, so that streams may still be created afterwards.
// Chunks go to disk in the order written. Past kRiffLimit the file continues in 'AVIX' RIFFs
// (OpenDML): each RIFF ends with an 'ix##' index per stream, the 'indx' super indexes and 'dmlh' take
// the space reserved for them in the header, and 'idx1' covers the first RIFF only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "avifile.h"
#include "file_io.h"
#include "riff_output.h"

namespace kavrin::avi {

class AviWriter {
public:
    static constexpr int64_t kRiffLimit = int64_t(1) << 30;
    // Index entries one RIFF may hold before the next begins: bounds the memory of the index.
    static constexpr size_t kRiffEntryLimit = 512 * 1024;
    // Super index entries reserved per stream: one per RIFF the stream has data in.
    static constexpr uint32_t kSuperIndexEntries = 1024;
    static constexpr int kMaxStreams = 100;  // stream numbers are two decimal digits

    AviWriter(FileIo& file, size_t bufferSize = RiffOutput::kDefaultBuffer);

    // Returns the new stream's number in *index. AVIERR_BADSIZE when its header no longer fits.
    HRESULT CreateStream(const AVISTREAMINFOA& info, int* index);
    // Before the stream's first chunk only: AVIERR_UNSUPPORTED after, AVIERR_BADSIZE when it does not fit.
    HRESULT SetFormat(int index, const void* format, LONG size);
    HRESULT GetFormat(int index, void* format, LONG* size) const;
    // emptiesBefore: for streams of whole frames, how many of the samples are empty frames before the
    // one with data; -1 (or out of range) for the writer's own rule.
    HRESULT Write(int index, LONG start, LONG samples, const void* data, LONG bytes, DWORD flags,
                  LONG emptiesBefore = -1);

    int StreamCount() const { return static_cast<int>(streams_.size()); }
    // The header as created, its length and suggested buffer brought up to date.
    AVISTREAMINFOA StreamInfo(int index) const;
    AVIFILEINFOA FileInfo() const;

    // Ends the last RIFF and writes the headers and 'idx1'. AVIERR_OK only when every byte reached
    // the file. Nothing may be written after.
    HRESULT Complete();
    bool IsOpenDml() const { return riffCount_ > 1; }

private:
    struct IndexEntry {  // a chunk of the current RIFF
        uint32_t offset;  // of its header, from the 'movi' fourcc
        uint32_t size;
        uint32_t flags;
        uint32_t stream;
    };
    struct SuperEntry {  // an 'ix##' chunk
        uint64_t offset;
        uint32_t size;
        uint32_t duration;
    };
    struct Stream {
        AVISTREAMINFOA info;
        std::vector<unsigned char> format;
        uint32_t chunkId = 0;
        int64_t end = 0;  // the next position to write
        bool hasData = false;
        uint32_t largestChunk = 0;
        uint64_t bytes = 0;
        uint64_t chunks = 0;
        uint64_t firstRiffChunks = 0;
        uint64_t riffDuration = 0;  // samples in the current RIFF
        std::vector<SuperEntry> superIndex;
    };

    static uint32_t ChunkIdFor(int index, const AVISTREAMINFOA& info, const std::vector<unsigned char>& format);
    static int64_t StrlBytes(const Stream& stream);
    // The stream the main header speaks for: the first video stream, else the first stream.
    const Stream* MainStream() const;
    int64_t HeaderBytes() const;
    bool FitsHeader() const;

    HRESULT BeginData();
    HRESULT PutChunk(int index, const void* data, uint32_t size, DWORD flags, uint64_t duration);
    HRESULT EndRiff(bool last);
    bool WriteStandardIndexes();
    bool WriteIdx1();
    bool BeginRiff(uint32_t type);
    bool WriteHeader();
    HRESULT Fail(HRESULT result);

    FileIo& file_;
    RiffOutput out_;
    std::vector<Stream> streams_;
    std::vector<IndexEntry> entries_;  // of the current RIFF
    int64_t headerCapacity_ = -1;       // -1 until data begins
    int64_t riffStart_ = 0;             // offset of the current RIFF's header
    int64_t riffSizeOffset_ = 0;
    int64_t moviSizeOffset_ = 0;
    int64_t moviFourcc_ = 0;            // offset of the current 'movi' type word
    int riffCount_ = 0;
    HRESULT error_ = AVIERR_OK;
    bool completed_ = false;
};

}  // namespace kavrin::avi
