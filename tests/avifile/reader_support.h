// Helpers of the reader tests: an MD5 to compare payloads with ffmpeg's hashes, a small RIFF
// builder for hand-made AVI and WAVE files, and the copy loop the merge runs over a stream.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "avifile.h"

namespace kavrin::test {

using Bytes = std::vector<unsigned char>;

class Md5 {
public:
    Md5();
    void Add(const void* data, size_t size);
    std::string Hex();  // ends the hash

private:
    void Block(const unsigned char* block);
    uint32_t state_[4];
    uint64_t length_ = 0;
    unsigned char pending_[64];
    size_t pendingSize_ = 0;
};
std::string Md5Hex(const Bytes& bytes);

// Builds RIFF files front to back; lists are opened and closed, sizes filled in on close.
class Riff {
public:
    // RIFF or LIST header; returns the position of its size field for End.
    size_t Begin(const char* id, const char* type);
    void End(size_t at);
    // A whole chunk, padded; returns the offset of its header.
    size_t Chunk(const char* id, const Bytes& data);
    size_t Chunk(uint32_t id, const Bytes& data);
    void Raw(const Bytes& data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    void Put32At(size_t at, uint32_t value);
    Bytes bytes;
};

uint32_t Id(const char* fourcc);
void Put16(Bytes& out, uint16_t value);
void Put32(Bytes& out, uint32_t value);
void Put64(Bytes& out, uint64_t value);
Bytes Filled(size_t size, unsigned char seed);  // distinct content per seed

// A hand-made AVI stream: header fields, format and the data of its chunks, in order.
struct SyntheticStream {
    std::string type = "vids";
    std::string handler = "MJPG";
    uint32_t scale = 1, rate = 25, start = 0, sampleSize = 0;
    uint32_t headerLength = 0;  // 0: the number of samples the chunks make
    Bytes format;
    std::string name;
    std::vector<Bytes> chunks;
};

enum class IndexKind { Idx1FromMovi, Idx1FromFile, None, OpenDml, OpenDmlAndIdx1 };

struct SyntheticAvi {
    std::vector<SyntheticStream> streams;
    IndexKind index = IndexKind::Idx1FromMovi;
    bool recLists = false;     // group each round of chunks in a 'rec ' list
    bool junkInMovi = false;   // a JUNK chunk and a stray 'ix00' among the data
    size_t avixAfter = 0;      // OpenDml: chunks of stream 0 in the first part; the rest in AVIX parts
    bool deadChunk = false;    // a stream 0 chunk in the data that no index names: only a scan finds it
};

Bytes BuildAvi(const SyntheticAvi& layout);
Bytes VideoFormat(int width, int height, const char* compression);
// WAVEFORMATEX (18 bytes) for a PCM-like tag.
Bytes WaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign);

// Where the copy loop wrote: one entry per write, as the merge makes them.
struct CopiedChunk {
    LONG pos;
    LONG samples;
    Bytes data;
    LONG emptiesBefore;  // as the reader noted it for the writer (frame_placement.h), -1 for none
};
// Runs the merge's copy loop over a stream (convenient query, fallback query, data read) and
// records every write; false, with the reason in *why, when the loop would fail.
bool CopyLoop(IAVIStream* stream, LONG fallback, std::vector<CopiedChunk>& writes, std::string* why = nullptr);
// The same, handing each write to sink as it is made instead of keeping it.
bool CopyLoop(IAVIStream* stream, LONG fallback, const std::function<void(const CopiedChunk&)>& sink,
              std::string* why = nullptr);
// What a writer makes of those writes for a stream without a fixed sample size: the chunk list,
// empty frames included: as many empties before the chunk as the reader noted, the rest after it
// (with no note: before the first data, n-1 empties then the chunk; after it, the chunk then n-1).
std::vector<Bytes> FramesFromWrites(const std::vector<CopiedChunk>& writes);

// Opens stream n (any type) of bytes held in memory.
HRESULT OpenMemoryStream(const Bytes& file, LONG n, IAVIStream** stream);

}  // namespace kavrin::test
