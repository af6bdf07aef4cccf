#include "avi_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "riff.h"

namespace kavrin::avi {
namespace {

constexpr uint32_t kMovi = mmioFOURCC('m', 'o', 'v', 'i');
constexpr uint32_t kAvihBytes = 56;
constexpr uint32_t kStrhBytes = 56;
constexpr uint32_t kDmlhBytes = 248;
constexpr int64_t kOdmlBytes = 12 + 8 + kDmlhBytes;  // LIST 'odml' holding 'dmlh'
constexpr int64_t kSuperIndexBody = 24 + 16 * int64_t(AviWriter::kSuperIndexEntries);
// Streams created after data began find room here: the merge creates its audio stream last.
constexpr int kSpareStreams = 3;
constexpr int64_t kSpareFormatBytes = 4096;  // format and name of one spare stream
constexpr uint32_t kNotKeyFrame = 0x80000000u;

size_t NameLength(const AVISTREAMINFOA& info) { return strnlen(info.szName, sizeof info.szName); }

// LIST 'strl' with 'strh', 'strf' of formatBytes, 'strn' of a name of nameLength and 'indx'.
int64_t StrlBytesFor(int64_t formatBytes, size_t nameLength) {
    return 12 + 8 + kStrhBytes + 8 + Padded(formatBytes) +
           (nameLength ? 8 + Padded(static_cast<int64_t>(nameLength) + 1) : 0) + 8 + kSuperIndexBody;
}

uint32_t LengthOf(int64_t end, const AVISTREAMINFOA& info) {
    int64_t length = end - static_cast<int64_t>(info.dwStart);
    return length > 0 ? static_cast<uint32_t>(length) : 0;
}

int32_t FormatLong(const std::vector<unsigned char>& format, size_t at) {
    if (format.size() < at + 4) return 0;
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | format[at + i];
    return static_cast<int32_t>(value);
}

// The header is built in memory (it is small) and patched over the reserved area at the end.
struct HeaderBuilder {
    std::vector<unsigned char> bytes;
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) { U8(static_cast<uint8_t>(v)), U8(static_cast<uint8_t>(v >> 8)); }
    void U32(uint32_t v) { U16(static_cast<uint16_t>(v)), U16(static_cast<uint16_t>(v >> 16)); }
    void U64(uint64_t v) { U32(static_cast<uint32_t>(v)), U32(static_cast<uint32_t>(v >> 32)); }
    void Raw(const void* data, size_t size) {
        const auto* in = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), in, in + size);
    }
    void Zeros(size_t size) { bytes.insert(bytes.end(), size, 0); }
    size_t Begin(uint32_t fourcc) {
        U32(fourcc);
        U32(0);
        return bytes.size() - 4;
    }
    size_t BeginList(uint32_t type) {
        size_t at = Begin(kList);
        U32(type);
        return at;
    }
    void End(size_t at) {
        uint32_t size = static_cast<uint32_t>(bytes.size() - at - 4);
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(size >> (8 * i));
        if (size & 1) U8(0);
    }
};

}  // namespace

AviWriter::AviWriter(FileIo& file, size_t bufferSize) : file_(file), out_(file, bufferSize) {}

uint32_t AviWriter::ChunkIdFor(int index, const AVISTREAMINFOA& info, const std::vector<unsigned char>& format) {
    char suffix[2] = {'d', 'c'};
    if (info.fccType == streamtypeVIDEO) {
        int32_t compression = FormatLong(format, 16);  // BITMAPINFOHEADER.biCompression
        if (format.size() >= 20 && (compression == 0 || compression == 3)) suffix[1] = 'b';  // BI_RGB, BI_BITFIELDS
    } else if (info.fccType == streamtypeAUDIO) {
        suffix[0] = 'w', suffix[1] = 'b';
    } else if (info.fccType == streamtypeTEXT) {
        suffix[0] = 't', suffix[1] = 'x';
    }
    return mmioFOURCC('0' + index / 10, '0' + index % 10, suffix[0], suffix[1]);
}

int64_t AviWriter::StrlBytes(const Stream& stream) {
    return StrlBytesFor(static_cast<int64_t>(stream.format.size()), NameLength(stream.info));
}

int64_t AviWriter::HeaderBytes() const {
    int64_t total = 12 + 12 + 8 + kAvihBytes + kOdmlBytes;
    for (const Stream& stream : streams_) total += StrlBytes(stream);
    return total;
}

bool AviWriter::FitsHeader() const {
    if (headerCapacity_ < 0) return true;
    int64_t needed = HeaderBytes();
    // What is left over must hold a JUNK chunk header, or be nothing.
    return needed == headerCapacity_ || needed + 8 <= headerCapacity_;
}

HRESULT AviWriter::CreateStream(const AVISTREAMINFOA& info, int* index) {
    if (error_ != AVIERR_OK) return error_;
    if (completed_) return AVIERR_UNSUPPORTED;
    if (static_cast<int>(streams_.size()) >= kMaxStreams) return AVIERR_UNSUPPORTED;
    Stream stream;
    stream.info = info;
    stream.end = info.dwStart;
    stream.chunkId = ChunkIdFor(static_cast<int>(streams_.size()), info, stream.format);
    streams_.push_back(stream);
    if (!FitsHeader()) {
        streams_.pop_back();
        return AVIERR_BADSIZE;
    }
    *index = static_cast<int>(streams_.size()) - 1;
    return AVIERR_OK;
}

HRESULT AviWriter::SetFormat(int index, const void* format, LONG size) {
    if (error_ != AVIERR_OK) return error_;
    if (completed_) return AVIERR_UNSUPPORTED;
    Stream& stream = streams_[index];
    if (stream.chunks > 0) return AVIERR_UNSUPPORTED;  // no format changes within a stream
    if (static_cast<uint32_t>(size) > kMaxFormatBytes) return AVIERR_BADSIZE;
    const auto* bytes = static_cast<const unsigned char*>(format);
    std::vector<unsigned char> previous(bytes, bytes + size);
    previous.swap(stream.format);
    if (!FitsHeader()) {
        stream.format.swap(previous);
        return AVIERR_BADSIZE;
    }
    stream.chunkId = ChunkIdFor(index, stream.info, stream.format);
    return AVIERR_OK;
}

HRESULT AviWriter::GetFormat(int index, void* format, LONG* size) const {
    const std::vector<unsigned char>& bytes = streams_[index].format;
    LONG available = static_cast<LONG>(bytes.size());
    if (format) std::memcpy(format, bytes.data(), static_cast<size_t>(std::min(*size, available)));
    *size = available;
    return AVIERR_OK;
}

HRESULT AviWriter::Write(int index, LONG start, LONG samples, const void* data, LONG bytes, DWORD flags,
                         LONG emptiesBefore) {
    if (error_ != AVIERR_OK) return error_;
    if (completed_) return AVIERR_UNSUPPORTED;
    Stream& stream = streams_[index];
    if (start < 0 || samples < 0 || bytes < 0 || start < stream.end) return AVIERR_BADPARAM;
    if (static_cast<int64_t>(start) + samples > 0x7FFFFFFF) return AVIERR_BADPARAM;
    if (bytes > 0 && samples == 0) return AVIERR_BADPARAM;
    const auto size = static_cast<uint32_t>(bytes);

    HRESULT result = AVIERR_OK;
    if (stream.info.dwSampleSize == 0) {
        // One sample per chunk: a gap and the extra samples of a write are dropped (empty) frames.
        // How many lead the chunk: as the caller says (a copy: as its read noted), else all of them
        // before the stream's first data and none before a later chunk.
        auto empties = [&](int64_t count) {
            for (int64_t i = 0; i < count && result == AVIERR_OK; ++i)
                result = PutChunk(index, nullptr, 0, flags, 1);
        };
        empties(static_cast<int64_t>(start) - stream.end);
        if (bytes == 0) {
            empties(samples);
        } else {
            if (emptiesBefore < 0 || emptiesBefore >= samples) emptiesBefore = stream.hasData ? 0 : samples - 1;
            empties(emptiesBefore);
            if (result == AVIERR_OK) result = PutChunk(index, data, size, flags, 1);
            empties(samples - 1 - emptiesBefore);
        }
        if (bytes > 0 && result == AVIERR_OK) stream.hasData = true;
    } else {
        // Silence cannot be made up for compressed audio, so a gap is refused.
        if (start > stream.end || (bytes == 0 && samples > 0)) return AVIERR_BADPARAM;
        if (bytes > 0) result = PutChunk(index, data, size, flags, static_cast<uint64_t>(samples));
        stream.hasData = stream.hasData || bytes > 0;
    }
    if (result == AVIERR_OK) stream.end = static_cast<int64_t>(start) + samples;
    return result;
}

HRESULT AviWriter::Fail(HRESULT result) {
    if (error_ == AVIERR_OK) error_ = result;
    return error_;
}

HRESULT AviWriter::BeginData() {
    headerCapacity_ = HeaderBytes() + kSpareStreams * StrlBytesFor(kSpareFormatBytes, 0);
    riffStart_ = out_.Tell();
    riffSizeOffset_ = out_.BeginList(kRiff, mmioFOURCC('A', 'V', 'I', ' '));
    out_.AppendZeros(static_cast<size_t>(headerCapacity_ - 12));
    moviSizeOffset_ = out_.BeginList(kList, kMovi);
    moviFourcc_ = moviSizeOffset_ + 4;
    riffCount_ = 1;
    return out_.ok() ? AVIERR_OK : Fail(AVIERR_FILEWRITE);
}

bool AviWriter::BeginRiff(uint32_t type) {
    riffStart_ = out_.Tell();
    riffSizeOffset_ = out_.BeginList(kRiff, type);
    moviSizeOffset_ = out_.BeginList(kList, kMovi);
    moviFourcc_ = moviSizeOffset_ + 4;
    ++riffCount_;
    return out_.ok();
}

HRESULT AviWriter::PutChunk(int index, const void* data, uint32_t size, DWORD flags, uint64_t duration) {
    if (headerCapacity_ < 0 && BeginData() != AVIERR_OK) return error_;
    int64_t chunkBytes = 8 + Padded(size);
    if (!entries_.empty() &&
        (out_.Tell() + chunkBytes - riffStart_ > kRiffLimit || entries_.size() >= kRiffEntryLimit)) {
        if (EndRiff(false) != AVIERR_OK) return error_;
        if (!BeginRiff(mmioFOURCC('A', 'V', 'I', 'X'))) return Fail(AVIERR_FILEWRITE);
    }
    Stream& stream = streams_[index];
    int64_t at = out_.Tell();
    out_.AppendU32(stream.chunkId);
    out_.AppendU32(size);
    if (size > 0) out_.Append(data, size);
    if (size & 1) out_.AppendZeros(1);
    if (!out_.ok()) return Fail(AVIERR_FILEWRITE);

    entries_.push_back({static_cast<uint32_t>(at - moviFourcc_), size, static_cast<uint32_t>(flags),
                        static_cast<uint32_t>(index)});
    stream.largestChunk = std::max(stream.largestChunk, size);
    stream.bytes += size;
    ++stream.chunks;
    if (riffCount_ == 1) ++stream.firstRiffChunks;
    stream.riffDuration += duration;
    return AVIERR_OK;
}

// One 'ix##' per stream with chunks in the current RIFF, inside its 'movi' list.
bool AviWriter::WriteStandardIndexes() {
    for (size_t s = 0; s < streams_.size(); ++s) {
        Stream& stream = streams_[s];
        uint32_t count = 0;
        for (const IndexEntry& entry : entries_) count += entry.stream == s;
        if (count == 0) continue;
        if (stream.superIndex.size() >= kSuperIndexEntries) return false;
        int64_t at = out_.Tell();
        int64_t sizeOffset =
            out_.BeginChunk(mmioFOURCC('i', 'x', '0' + s / 10, '0' + s % 10));
        out_.AppendU16(2);  // longs per entry
        out_.Append("\0\1", 2);  // sub type 0, AVI_INDEX_OF_CHUNKS
        out_.AppendU32(count);
        out_.AppendU32(stream.chunkId);
        out_.AppendU64(static_cast<uint64_t>(moviFourcc_));
        out_.AppendU32(0);
        for (const IndexEntry& entry : entries_) {
            if (entry.stream != s) continue;
            out_.AppendU32(entry.offset + 8);  // to the data, past the chunk header
            out_.AppendU32(entry.size | ((entry.flags & AVIIF_KEYFRAME) ? 0 : kNotKeyFrame));
        }
        out_.EndChunk(sizeOffset);
        stream.superIndex.push_back({static_cast<uint64_t>(at), static_cast<uint32_t>(out_.Tell() - at),
                                     static_cast<uint32_t>(std::min<uint64_t>(stream.riffDuration, 0xFFFFFFFFu))});
    }
    return out_.ok();
}

bool AviWriter::WriteIdx1() {
    int64_t sizeOffset = out_.BeginChunk(mmioFOURCC('i', 'd', 'x', '1'));
    for (const IndexEntry& entry : entries_) {
        out_.AppendU32(streams_[entry.stream].chunkId);
        out_.AppendU32(entry.flags);
        out_.AppendU32(entry.offset);
        out_.AppendU32(entry.size);
    }
    return out_.EndChunk(sizeOffset);
}

HRESULT AviWriter::EndRiff(bool last) {
    bool openDml = riffCount_ > 1 || !last;
    if (openDml && !WriteStandardIndexes()) return Fail(out_.ok() ? AVIERR_BADSIZE : AVIERR_FILEWRITE);
    out_.EndChunk(moviSizeOffset_);
    if (riffCount_ == 1) WriteIdx1();
    out_.EndChunk(riffSizeOffset_);
    entries_.clear();
    for (Stream& stream : streams_) stream.riffDuration = 0;
    return out_.ok() ? AVIERR_OK : Fail(AVIERR_FILEWRITE);
}

AVISTREAMINFOA AviWriter::StreamInfo(int index) const {
    const Stream& stream = streams_[index];
    AVISTREAMINFOA info = stream.info;
    info.dwLength = LengthOf(stream.end, info);
    info.dwSuggestedBufferSize = stream.largestChunk;
    return info;
}

const AviWriter::Stream* AviWriter::MainStream() const {
    for (const Stream& stream : streams_)
        if (stream.info.fccType == streamtypeVIDEO) return &stream;
    return streams_.empty() ? nullptr : &streams_[0];
}

AVIFILEINFOA AviWriter::FileInfo() const {
    AVIFILEINFOA info = {};
    info.dwFlags = AVIFILEINFO_HASINDEX;
    info.dwCaps = AVIFILECAPS_CANWRITE;
    info.dwStreams = static_cast<DWORD>(streams_.size());
    double bytesPerSecond = 0;
    for (const Stream& stream : streams_) {
        info.dwSuggestedBufferSize = std::max<DWORD>(info.dwSuggestedBufferSize, stream.largestChunk);
        uint32_t length = LengthOf(stream.end, stream.info);
        if (length > 0 && stream.info.dwRate > 0 && stream.info.dwScale > 0)
            bytesPerSecond += double(stream.bytes) * stream.info.dwRate / (double(stream.info.dwScale) * length);
    }
    info.dwMaxBytesPerSec = static_cast<DWORD>(std::min(std::ceil(bytesPerSecond), 4294967295.0));
    if (const Stream* main = MainStream()) {
        info.dwScale = main->info.dwScale;
        info.dwRate = main->info.dwRate;
        info.dwLength = LengthOf(main->end, main->info);
        if (main->info.fccType == streamtypeVIDEO && main->format.size() >= 12) {
            info.dwWidth = static_cast<DWORD>(FormatLong(main->format, 4));
            int32_t height = FormatLong(main->format, 8);
            info.dwHeight = static_cast<DWORD>(height < 0 ? -int64_t(height) : height);
        } else {
            info.dwWidth = static_cast<DWORD>(main->info.rcFrame.right - main->info.rcFrame.left);
            info.dwHeight = static_cast<DWORD>(main->info.rcFrame.bottom - main->info.rcFrame.top);
        }
    }
    std::strcpy(info.szFileType, "AVI");
    return info;
}

bool AviWriter::WriteHeader() {
    AVIFILEINFOA file = FileInfo();
    const Stream* main = MainStream();

    HeaderBuilder h;
    size_t hdrl = h.BeginList(mmioFOURCC('h', 'd', 'r', 'l'));
    size_t avih = h.Begin(mmioFOURCC('a', 'v', 'i', 'h'));
    uint32_t period = 0;
    if (main && main->info.dwRate > 0)
        period = static_cast<uint32_t>(std::llround(1e6 * main->info.dwScale / main->info.dwRate));
    h.U32(period);
    h.U32(file.dwMaxBytesPerSec);
    h.U32(0);  // padding granularity
    h.U32(AVIFILEINFO_HASINDEX);
    h.U32(main ? static_cast<uint32_t>(main->firstRiffChunks) : 0);  // frames of the first RIFF
    h.U32(0);  // initial frames
    h.U32(file.dwStreams);
    h.U32(file.dwSuggestedBufferSize);
    h.U32(file.dwWidth);
    h.U32(file.dwHeight);
    h.Zeros(16);
    h.End(avih);

    for (size_t s = 0; s < streams_.size(); ++s) {
        const Stream& stream = streams_[s];
        AVISTREAMINFOA info = StreamInfo(static_cast<int>(s));
        size_t strl = h.BeginList(mmioFOURCC('s', 't', 'r', 'l'));
        size_t strh = h.Begin(mmioFOURCC('s', 't', 'r', 'h'));
        h.U32(info.fccType);
        h.U32(info.fccHandler);
        h.U32(info.dwFlags);
        h.U16(info.wPriority);
        h.U16(info.wLanguage);
        h.U32(info.dwInitialFrames);
        h.U32(info.dwScale);
        h.U32(info.dwRate);
        h.U32(info.dwStart);
        h.U32(info.dwLength);
        h.U32(info.dwSuggestedBufferSize);
        h.U32(info.dwQuality);
        h.U32(info.dwSampleSize);
        h.U16(static_cast<uint16_t>(info.rcFrame.left));
        h.U16(static_cast<uint16_t>(info.rcFrame.top));
        h.U16(static_cast<uint16_t>(info.rcFrame.right));
        h.U16(static_cast<uint16_t>(info.rcFrame.bottom));
        h.End(strh);
        size_t strf = h.Begin(mmioFOURCC('s', 't', 'r', 'f'));
        h.Raw(stream.format.data(), stream.format.size());
        h.End(strf);
        if (size_t name = NameLength(info)) {
            size_t strn = h.Begin(mmioFOURCC('s', 't', 'r', 'n'));
            h.Raw(info.szName, name);
            h.U8(0);
            h.End(strn);
        }
        // The super index, or the JUNK that kept its place in a file that stayed within one RIFF.
        size_t indx = h.Begin(IsOpenDml() ? mmioFOURCC('i', 'n', 'd', 'x') : kJunk);
        size_t body = h.bytes.size();
        if (IsOpenDml()) {
            h.U16(4);  // longs per entry
            h.U8(0);
            h.U8(0);  // AVI_INDEX_OF_INDEXES
            h.U32(static_cast<uint32_t>(stream.superIndex.size()));
            h.U32(stream.chunkId);
            h.Zeros(12);
            for (const SuperEntry& entry : stream.superIndex) {
                h.U64(entry.offset);
                h.U32(entry.size);
                h.U32(entry.duration);
            }
        }
        h.Zeros(static_cast<size_t>(kSuperIndexBody) - (h.bytes.size() - body));
        h.End(indx);
        h.End(strl);
    }

    if (IsOpenDml()) {
        size_t odml = h.BeginList(mmioFOURCC('o', 'd', 'm', 'l'));
        size_t dmlh = h.Begin(mmioFOURCC('d', 'm', 'l', 'h'));
        h.U32(main ? LengthOf(main->end, main->info) : 0);  // frames of the whole file
        h.Zeros(kDmlhBytes - 4);
        h.End(dmlh);
        h.End(odml);
    } else {
        size_t junk = h.Begin(kJunk);
        h.Zeros(kOdmlBytes - 8);
        h.End(junk);
    }
    h.End(hdrl);

    int64_t filler = headerCapacity_ - 12 - static_cast<int64_t>(h.bytes.size());
    if (filler >= 8) {
        size_t junk = h.Begin(kJunk);
        h.Zeros(static_cast<size_t>(filler - 8));
        h.End(junk);
    } else if (filler != 0) {
        return false;  // CreateStream and SetFormat keep this from happening
    }
    return out_.Patch(12, h.bytes.data(), h.bytes.size());
}

HRESULT AviWriter::Complete() {
    if (completed_) return error_ != AVIERR_OK ? error_ : AVIERR_UNSUPPORTED;
    completed_ = true;
    if (error_ != AVIERR_OK) return error_;
    if (headerCapacity_ < 0 && BeginData() != AVIERR_OK) return error_;
    if (EndRiff(true) != AVIERR_OK) return error_;
    if (!WriteHeader()) return Fail(out_.ok() ? AVIERR_INTERNAL : AVIERR_FILEWRITE);
    if (!out_.Flush()) return Fail(AVIERR_FILEWRITE);
    return AVIERR_OK;
}

}  // namespace kavrin::avi
