// AVI files, 1.0 and OpenDML: stream headers, formats and names from 'hdrl', chunk lists from the
// OpenDML indexes, else 'idx1', else a scan of the 'movi' lists.
#include <algorithm>
#include <cstring>

#include "parsers.h"
#include "riff.h"

namespace kavrin::avi {
namespace {

constexpr uint32_t kAvi = Fourcc('A', 'V', 'I', ' ');
constexpr uint32_t kAvix = Fourcc('A', 'V', 'I', 'X');
constexpr uint32_t kHdrl = Fourcc('h', 'd', 'r', 'l');
constexpr uint32_t kAvih = Fourcc('a', 'v', 'i', 'h');
constexpr uint32_t kStrl = Fourcc('s', 't', 'r', 'l');
constexpr uint32_t kStrh = Fourcc('s', 't', 'r', 'h');
constexpr uint32_t kStrf = Fourcc('s', 't', 'r', 'f');
constexpr uint32_t kStrn = Fourcc('s', 't', 'r', 'n');
constexpr uint32_t kIndx = Fourcc('i', 'n', 'd', 'x');
constexpr uint32_t kOdml = Fourcc('o', 'd', 'm', 'l');
constexpr uint32_t kDmlh = Fourcc('d', 'm', 'l', 'h');
constexpr uint32_t kMovi = Fourcc('m', 'o', 'v', 'i');
constexpr uint32_t kRec = Fourcc('r', 'e', 'c', ' ');
constexpr uint32_t kIdx1 = Fourcc('i', 'd', 'x', '1');

// Chunk ids name their stream with two decimal digits.
constexpr size_t kMaxStreams = 100;
// Index arrays are read in blocks of this many bytes.
constexpr size_t kIndexBlock = 64 * 1024;

constexpr uint8_t kIndexOfIndexes = 0x00;
constexpr uint8_t kIndexOfChunks = 0x01;

// The stream number of a data chunk id ("01wb" is 1), or -1 for index chunks and anything else.
int StreamOfChunk(uint32_t id) {
    const unsigned char c0 = id & 0xFF, c1 = (id >> 8) & 0xFF, c2 = (id >> 16) & 0xFF, c3 = id >> 24;
    if (c0 < '0' || c0 > '9' || c1 < '0' || c1 > '9') return -1;
    if (c2 == 'i' && c3 == 'x') return -1;  // "00ix": a standard index among the data
    return (c0 - '0') * 10 + (c1 - '0');
}

struct Range {
    int64_t begin;
    int64_t end;
};

class AviParser {
public:
    AviParser(const ByteSource& source, FileModel& model) : source_(source), model_(model) {}
    HRESULT Parse();

private:
    struct ChunkHeader {
        uint32_t id;
        uint32_t size;
        uint32_t listType;  // for RIFF and LIST only
    };
    // The chunk at pos inside [pos, end): false when no whole header fits.
    bool ReadHeader(int64_t pos, int64_t end, ChunkHeader& header);
    HRESULT WalkRiff(int64_t begin, int64_t end, bool first);
    HRESULT ParseHeaderList(int64_t begin, int64_t end);
    HRESULT ParseStreamList(int64_t begin, int64_t end);
    HRESULT ReadSmallChunk(int64_t body, uint32_t size, size_t want, unsigned char* out);

    // Each chunk-list source fills the streams marked in `wanted`; false when the index is unusable.
    bool FromOdmlIndex(size_t stream);
    // chunkEnd, when given, receives where the index chunk ends.
    bool ReadStandardIndex(int64_t chunkPos, std::vector<ChunkEntry>& out, int64_t* chunkEnd = nullptr);
    bool FromIdx1(const std::vector<bool>& wanted);
    bool DetectIdx1Base(int64_t& base);
    void FromScan(const std::vector<bool>& wanted);
    // Adds one chunk; false when it does not lie whole in the file or the index grows absurd.
    bool AddChunk(std::vector<ChunkEntry>& list, int64_t offset, uint64_t size, uint32_t flags);
    HRESULT BuildChunkLists();
    void DescribeFile();

    const ByteSource& source_;
    FileModel& model_;
    int64_t fileSize_ = 0;
    bool readError_ = false;
    unsigned char avih_[56] = {};
    bool haveAvih_ = false;
    uint32_t odmlTotalFrames_ = 0;
    std::vector<Range> movies_;   // the data of every 'movi' list
    int64_t firstMovi_ = -1;      // where the first 'movi' list type stands: idx1 offsets count from it
    Range idx1_ = {-1, -1};
    bool extended_ = false;       // AVIX parts follow: idx1 covers the first part only
    std::vector<Range> indx_;     // per stream: its 'indx' chunk body, or begin -1
    size_t totalChunks_ = 0;
    size_t maxChunks_ = 0;
};

bool AviParser::ReadHeader(int64_t pos, int64_t end, ChunkHeader& header) {
    unsigned char raw[12];
    if (end - pos < 8) return false;
    const size_t want = end - pos >= 12 ? 12 : 8;
    if (!source_.ReadExact(pos, raw, want)) {
        readError_ = true;
        return false;
    }
    header.id = Le32(raw);
    header.size = Le32(raw + 4);
    header.listType = want == 12 ? Le32(raw + 8) : 0;
    return true;
}

HRESULT AviParser::Parse() {
    fileSize_ = source_.Size();
    maxChunks_ = static_cast<size_t>(fileSize_ / 8) + 1;
    ChunkHeader riff;
    if (!ReadHeader(0, fileSize_, riff)) return readError_ ? AVIERR_FILEREAD : AVIERR_BADFORMAT;
    if (riff.id != kRiff || riff.listType != kAvi) return AVIERR_BADFORMAT;
    // A cut file, or a writer that never came back to fill the size, says too much or nothing.
    int64_t end = 8 + Padded(riff.size);
    if (riff.size < 4 || end > fileSize_) end = fileSize_;
    HRESULT result = WalkRiff(12, end, true);
    if (result != AVIERR_OK) return result;
    // OpenDML: further RIFF 'AVIX' parts, one after the other.
    for (int64_t pos = end; pos <= fileSize_ - 12;) {
        ChunkHeader part;
        if (!ReadHeader(pos, fileSize_, part) || part.id != kRiff || part.listType != kAvix) break;
        int64_t partEnd = pos + 8 + Padded(part.size);
        if (part.size < 4 || partEnd > fileSize_) partEnd = fileSize_;
        extended_ = true;
        result = WalkRiff(pos + 12, partEnd, false);
        if (result != AVIERR_OK) return result;
        pos = partEnd;
    }
    if (readError_) return AVIERR_FILEREAD;
    if (!haveAvih_ && model_.streams.empty()) return AVIERR_BADFORMAT;
    result = BuildChunkLists();
    if (result != AVIERR_OK) return result;
    DescribeFile();
    return AVIERR_OK;
}

HRESULT AviParser::WalkRiff(int64_t begin, int64_t end, bool first) {
    bool haveHeaderList = !first;
    for (int64_t pos = begin; pos <= end - 8;) {
        ChunkHeader chunk;
        if (!ReadHeader(pos, end, chunk)) break;
        const int64_t body = pos + 8;
        int64_t next = body + Padded(chunk.size);
        if (chunk.id == kList && chunk.size >= 4 && chunk.listType == kMovi) {
            // A movi list that claims more than its part holds was cut or never finished.
            const int64_t listEnd = std::min(body + static_cast<int64_t>(chunk.size), end);
            if (first && firstMovi_ < 0) firstMovi_ = body;
            movies_.push_back({body + 4, listEnd});
            if (next > end) break;
        } else if (chunk.id == kList && chunk.listType == kMovi) {
            // Size 0: the capture never came back to write it; the list runs to the end of its part.
            if (first && firstMovi_ < 0) firstMovi_ = body;
            movies_.push_back({body + 4, end});
            break;
        } else if (next > end) {
            if (chunk.id == kList && chunk.listType == kHdrl) return AVIERR_BADFORMAT;
            break;  // a cut chunk ends the walk
        } else if (chunk.id == kList && chunk.listType == kHdrl && first && !haveHeaderList) {
            haveHeaderList = true;
            HRESULT result = ParseHeaderList(body + 4, body + chunk.size);
            if (result != AVIERR_OK) return result;
        } else if (chunk.id == kIdx1 && first && idx1_.begin < 0) {
            idx1_ = {body, body + chunk.size};
        }
        pos = next;
    }
    if (readError_) return AVIERR_FILEREAD;  // not damage: the walk could not read on
    if (first && !haveHeaderList) return AVIERR_BADFORMAT;
    return AVIERR_OK;
}

HRESULT AviParser::ReadSmallChunk(int64_t body, uint32_t size, size_t want, unsigned char* out) {
    std::memset(out, 0, want);
    if (!source_.ReadExact(body, out, std::min<size_t>(size, want))) return AVIERR_FILEREAD;
    return AVIERR_OK;
}

HRESULT AviParser::ParseHeaderList(int64_t begin, int64_t end) {
    for (int64_t pos = begin; pos <= end - 8;) {
        ChunkHeader chunk;
        if (!ReadHeader(pos, end, chunk)) break;
        const int64_t body = pos + 8;
        if (chunk.size > end - body) return AVIERR_BADFORMAT;
        HRESULT result = AVIERR_OK;
        if (chunk.id == kAvih && !haveAvih_) {
            result = ReadSmallChunk(body, chunk.size, sizeof avih_, avih_);
            haveAvih_ = true;
        } else if (chunk.id == kList && chunk.size >= 4 && chunk.listType == kStrl) {
            // Chunk ids have room for 100 streams; more cannot be told apart.
            if (model_.streams.size() < kMaxStreams) result = ParseStreamList(body + 4, body + chunk.size);
        } else if (chunk.id == kList && chunk.size >= 4 && chunk.listType == kOdml) {
            int64_t inner = body + 4;
            ChunkHeader dmlh;
            if (ReadHeader(inner, body + chunk.size, dmlh) && dmlh.id == kDmlh && dmlh.size >= 4 &&
                dmlh.size <= body + chunk.size - inner - 8) {
                unsigned char total[4];
                result = ReadSmallChunk(inner + 8, dmlh.size, 4, total);
                odmlTotalFrames_ = Le32(total);
            }
        }
        if (result != AVIERR_OK) return result;
        pos = body + Padded(chunk.size);
    }
    return readError_ ? AVIERR_FILEREAD : AVIERR_OK;
}

HRESULT AviParser::ParseStreamList(int64_t begin, int64_t end) {
    StreamModel stream;
    Range indx = {-1, -1};
    for (int64_t pos = begin; pos <= end - 8;) {
        ChunkHeader chunk;
        if (!ReadHeader(pos, end, chunk)) break;
        const int64_t body = pos + 8;
        if (chunk.size > end - body) return AVIERR_BADFORMAT;
        HRESULT result = AVIERR_OK;
        if (chunk.id == kStrh && !stream.hasHeader) {
            unsigned char strh[56];
            result = ReadSmallChunk(body, chunk.size, sizeof strh, strh);
            AVISTREAMINFOA& info = stream.info;
            info.fccType = Le32(strh);
            info.fccHandler = Le32(strh + 4);
            info.dwFlags = Le32(strh + 8);
            info.wPriority = Le16(strh + 12);
            info.wLanguage = Le16(strh + 14);
            info.dwInitialFrames = Le32(strh + 16);
            info.dwScale = Le32(strh + 20);
            info.dwRate = Le32(strh + 24);
            info.dwStart = Le32(strh + 28);
            info.dwLength = Le32(strh + 32);
            info.dwSuggestedBufferSize = Le32(strh + 36);
            info.dwQuality = Le32(strh + 40);
            info.dwSampleSize = Le32(strh + 44);
            // rcFrame is four 16-bit values in the file.
            info.rcFrame.left = static_cast<int16_t>(Le16(strh + 48));
            info.rcFrame.top = static_cast<int16_t>(Le16(strh + 50));
            info.rcFrame.right = static_cast<int16_t>(Le16(strh + 52));
            info.rcFrame.bottom = static_cast<int16_t>(Le16(strh + 54));
            // Positions are LONG: a start beyond their range is damage, not a stream.
            if (info.dwStart > static_cast<DWORD>(INT32_MAX)) return AVIERR_BADFORMAT;
            stream.hasHeader = true;
        } else if (chunk.id == kStrf && stream.format.empty()) {
            if (chunk.size > kMaxFormatBytes) return AVIERR_BADFORMAT;
            stream.format.resize(chunk.size);
            if (!source_.ReadExact(body, stream.format.data(), chunk.size)) return AVIERR_FILEREAD;
        } else if (chunk.id == kStrn) {
            char name[sizeof stream.info.szName];
            result = ReadSmallChunk(body, chunk.size, sizeof name - 1, reinterpret_cast<unsigned char*>(name));
            name[sizeof name - 1] = '\0';
            std::memcpy(stream.info.szName, name, sizeof name);
        } else if (chunk.id == kIndx && indx.begin < 0) {
            indx = {body, body + chunk.size};
        }
        if (result != AVIERR_OK) return result;
        pos = body + Padded(chunk.size);
    }
    model_.streams.push_back(std::move(stream));
    indx_.push_back(indx);
    return readError_ ? AVIERR_FILEREAD : AVIERR_OK;
}

bool AviParser::AddChunk(std::vector<ChunkEntry>& list, int64_t offset, uint64_t size, uint32_t flags) {
    if (offset < 8 || offset > fileSize_ || size > static_cast<uint64_t>(fileSize_ - offset)) return false;
    if (size > static_cast<uint64_t>(INT32_MAX)) return false;
    // Every chunk has a header of its own in the file; an index that names more chunks than that
    // repeats itself.
    if (++totalChunks_ > maxChunks_) return false;
    list.push_back({offset, 0, static_cast<uint32_t>(size), flags});
    return true;
}

// Calls each(entryBytes) for count entries of entrySize bytes from pos, reading in blocks.
template <typename Each>
bool ReadEntries(const ByteSource& source, int64_t pos, uint64_t count, size_t entrySize, Each each) {
    std::vector<unsigned char> block;
    const uint64_t perBlock = kIndexBlock / entrySize;
    while (count > 0) {
        const uint64_t n = std::min(count, perBlock);
        block.resize(n * entrySize);
        if (!source.ReadExact(pos, block.data(), block.size())) return false;
        for (uint64_t i = 0; i < n; ++i)
            if (!each(block.data() + i * entrySize)) return false;
        pos += static_cast<int64_t>(block.size());
        count -= n;
    }
    return true;
}

// A standard index ('ix##'): the chunk header at chunkPos, then the index header and its entries.
bool AviParser::ReadStandardIndex(int64_t chunkPos, std::vector<ChunkEntry>& out, int64_t* chunkEnd) {
    unsigned char head[32];
    if (chunkPos < 0 || !source_.ReadExact(chunkPos, head, sizeof head)) return false;
    const uint32_t size = Le32(head + 4);
    if (size < 24 || size > fileSize_ - chunkPos - 8) return false;
    if (chunkEnd) *chunkEnd = chunkPos + 8 + size;
    const unsigned char* index = head + 8;
    const uint16_t longsPerEntry = Le16(index);
    if (index[3] != kIndexOfChunks || longsPerEntry < 2) return false;
    const uint32_t inUse = Le32(index + 4);
    const size_t entrySize = static_cast<size_t>(longsPerEntry) * 4;
    if (inUse > (size - 24) / entrySize) return false;
    const uint64_t base = Le64(index + 12);
    return ReadEntries(source_, chunkPos + 32, inUse, entrySize, [&](const unsigned char* e) {
        const uint32_t rawSize = Le32(e + 4);
        const uint64_t at = base + Le32(e);
        if (at > static_cast<uint64_t>(INT64_MAX)) return false;
        // Bit 31 marks a frame that is not a key frame.
        return AddChunk(out, static_cast<int64_t>(at), rawSize & 0x7FFFFFFF,
                        (rawSize & 0x80000000) ? 0 : AVIIF_KEYFRAME);
    });
}

bool AviParser::FromOdmlIndex(size_t streamNumber) {
    const Range indx = indx_[streamNumber];
    if (indx.begin < 0 || indx.end - indx.begin < 24) return false;
    unsigned char head[24];
    if (!source_.ReadExact(indx.begin, head, sizeof head)) return false;
    const uint16_t longsPerEntry = Le16(head);
    const uint32_t inUse = Le32(head + 4);
    std::vector<ChunkEntry> chunks;
    const size_t before = totalChunks_;
    bool ok = false;
    if (head[3] == kIndexOfChunks) {
        // A standard index kept in the header itself.
        ok = ReadStandardIndex(indx.begin - 8, chunks);
    } else if (head[3] == kIndexOfIndexes && longsPerEntry >= 4 && inUse > 0) {
        const size_t entrySize = static_cast<size_t>(longsPerEntry) * 4;
        std::vector<Range> parts;
        ok = inUse <= static_cast<uint64_t>(indx.end - indx.begin - 24) / entrySize &&
             ReadEntries(source_, indx.begin + 24, inUse, entrySize, [&](const unsigned char* e) {
                 const uint64_t at = Le64(e);
                 if (at > static_cast<uint64_t>(fileSize_)) return false;
                 parts.push_back({static_cast<int64_t>(at), 0});
                 return ReadStandardIndex(parts.back().begin, chunks, &parts.back().end);
             });
        // Standard indexes that overlap repeat each other: damage, or a way to make the index grow
        // beyond the file.
        std::sort(parts.begin(), parts.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
        for (size_t i = 1; ok && i < parts.size(); ++i) ok = parts[i].begin >= parts[i - 1].end;
    }
    if (!ok) {
        totalChunks_ = before;
        return false;
    }
    model_.streams[streamNumber].chunks = std::move(chunks);
    return true;
}

// idx1 offsets count either from the 'movi' list type or from the start of the file: the first
// real chunk that one of the two finds with the id the index gives decides.
bool AviParser::DetectIdx1Base(int64_t& base) {
    bool decided = false, found = false;
    const uint64_t count = static_cast<uint64_t>(idx1_.end - idx1_.begin) / 16;
    ReadEntries(source_, idx1_.begin, std::min<uint64_t>(count, kIndexBlock / 16), 16,
                [&](const unsigned char* e) {
                    const uint32_t id = Le32(e);
                    if ((Le32(e + 4) & AVIIF_LIST) || StreamOfChunk(id) < 0) return true;
                    decided = true;
                    const int64_t offset = Le32(e + 8);
                    for (int64_t candidate : {firstMovi_, int64_t{0}}) {
                        unsigned char at[4];
                        if (candidate >= 0 && source_.ReadExact(candidate + offset, at, 4) && Le32(at) == id) {
                            base = candidate;
                            found = true;
                            break;
                        }
                    }
                    return false;
                });
    return decided && found;
}

bool AviParser::FromIdx1(const std::vector<bool>& wanted) {
    if (idx1_.begin < 0) return false;
    int64_t base = 0;
    if (!DetectIdx1Base(base)) return false;
    std::vector<std::vector<ChunkEntry>> lists(model_.streams.size());
    const size_t before = totalChunks_;
    const uint64_t count = static_cast<uint64_t>(idx1_.end - idx1_.begin) / 16;
    const bool ok = ReadEntries(source_, idx1_.begin, count, 16, [&](const unsigned char* e) {
        const int stream = StreamOfChunk(Le32(e));
        const uint32_t flags = Le32(e + 4);
        if (stream < 0 || static_cast<size_t>(stream) >= lists.size() || !wanted[stream] || (flags & AVIIF_LIST))
            return true;
        return AddChunk(lists[stream], base + Le32(e + 8) + 8, Le32(e + 12), flags & AVIIF_KEYFRAME);
    });
    if (!ok) {
        totalChunks_ = before;
        return false;
    }
    for (size_t i = 0; i < lists.size(); ++i)
        if (wanted[i]) model_.streams[i].chunks = std::move(lists[i]);
    return true;
}

// No usable index: every whole chunk of the movi lists, 'rec ' lists flattened, in file order.
void AviParser::FromScan(const std::vector<bool>& wanted) {
    for (const Range& movi : movies_) {
        for (int64_t pos = movi.begin; pos <= movi.end - 8;) {
            ChunkHeader chunk;
            if (!ReadHeader(pos, movi.end, chunk)) break;
            if (chunk.id == kList && chunk.listType == kRec && chunk.size >= 4) {
                pos += 12;  // step into the group: its chunks follow one another as outside it
                continue;
            }
            const int64_t body = pos + 8;
            if (chunk.size > movi.end - body) break;  // cut: the chunks that are whole stay
            const int stream = StreamOfChunk(chunk.id);
            if (stream >= 0 && static_cast<size_t>(stream) < wanted.size() && wanted[stream] &&
                !AddChunk(model_.streams[stream].chunks, body, chunk.size, AVIIF_KEYFRAME))
                return;
            pos = body + Padded(chunk.size);
        }
    }
}

HRESULT AviParser::BuildChunkLists() {
    const size_t count = model_.streams.size();
    std::vector<bool> wanted(count, false);
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        if (FromOdmlIndex(i)) continue;
        wanted[i] = true;
        any = true;
    }
    if (readError_) return AVIERR_FILEREAD;
    // idx1 knows only the first RIFF part of an OpenDML file.
    // The index readers leave a stream's list empty unless they succeed.
    if (any && (extended_ || !FromIdx1(wanted))) FromScan(wanted);
    if (readError_) return AVIERR_FILEREAD;
    for (StreamModel& stream : model_.streams) FinishStream(stream);
    return AVIERR_OK;
}

void AviParser::DescribeFile() {
    AVIFILEINFOA& info = model_.info;
    info = {};
    const uint32_t microSecPerFrame = Le32(avih_);
    info.dwMaxBytesPerSec = Le32(avih_ + 4);
    info.dwFlags = Le32(avih_ + 12) & (AVIFILEINFO_HASINDEX | AVIFILEINFO_MUSTUSEINDEX | AVIFILEINFO_ISINTERLEAVED);
    info.dwCaps = AVIFILECAPS_CANREAD;
    info.dwStreams = static_cast<DWORD>(model_.streams.size());
    info.dwSuggestedBufferSize = Le32(avih_ + 28);
    info.dwWidth = Le32(avih_ + 32);
    info.dwHeight = Le32(avih_ + 36);
    std::strcpy(info.szFileType, "AVI");
    // The time base and length are those of the first video stream when there is one: the main
    // header's frame count covers only the first part of an OpenDML file.
    const StreamModel* video = nullptr;
    for (const StreamModel& stream : model_.streams)
        if (stream.hasHeader && stream.info.fccType == streamtypeVIDEO) {
            video = &stream;
            break;
        }
    if (video && video->info.dwScale && video->info.dwRate) {
        info.dwScale = video->info.dwScale;
        info.dwRate = video->info.dwRate;
        info.dwLength = video->info.dwLength;
        if (!info.dwWidth || !info.dwHeight) {
            info.dwWidth = video->info.rcFrame.right - video->info.rcFrame.left;
            info.dwHeight = video->info.rcFrame.bottom - video->info.rcFrame.top;
        }
    } else {
        info.dwScale = microSecPerFrame;
        info.dwRate = 1000000;
        info.dwLength = odmlTotalFrames_ ? odmlTotalFrames_ : Le32(avih_ + 16);
    }
}

}  // namespace

HRESULT ParseAvi(const ByteSource& source, FileModel& model) {
    model = FileModel();
    AviParser parser(source, model);
    return parser.Parse();
}

}  // namespace kavrin::avi
