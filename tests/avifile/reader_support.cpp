#include "reader_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "frame_placement.h"
#include "reader/reader.h"

namespace kavrin::test {

// ---- MD5 (RFC 1321) ----

namespace {
constexpr uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
uint32_t Sine(int i) {
    static uint32_t table[64];
    static bool made = false;
    if (!made) {
        for (int k = 0; k < 64; ++k) {
            double s = std::fabs(std::sin(static_cast<double>(k + 1)));
            table[k] = static_cast<uint32_t>(s * 4294967296.0);
        }
        made = true;
    }
    return table[i];
}
uint32_t Rotate(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }
}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::Block(const unsigned char* block) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = block[i * 4] | block[i * 4 + 1] << 8 | block[i * 4 + 2] << 16 | static_cast<uint32_t>(block[i * 4 + 3]) << 24;
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) f = (b & c) | (~b & d), g = i;
        else if (i < 32) f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
        else if (i < 48) f = b ^ c ^ d, g = (3 * i + 5) % 16;
        else f = c ^ (b | ~d), g = (7 * i) % 16;
        const uint32_t next = d;
        d = c;
        c = b;
        b = b + Rotate(a + f + Sine(i) + m[g], kShift[i]);
        a = next;
    }
    state_[0] += a, state_[1] += b, state_[2] += c, state_[3] += d;
}

void Md5::Add(const void* data, size_t size) {
    const auto* in = static_cast<const unsigned char*>(data);
    length_ += size;
    while (size > 0) {
        const size_t take = std::min(size, sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, in, take);
        pendingSize_ += take, in += take, size -= take;
        if (pendingSize_ == sizeof pending_) {
            Block(pending_);
            pendingSize_ = 0;
        }
    }
}

std::string Md5::Hex() {
    const uint64_t bits = length_ * 8;
    const unsigned char one = 0x80, zero = 0;
    Add(&one, 1);
    while (pendingSize_ != 56) Add(&zero, 1);
    unsigned char tail[8];
    for (int i = 0; i < 8; ++i) tail[i] = static_cast<unsigned char>(bits >> (8 * i));
    Add(tail, 8);
    char hex[33];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", (state_[i / 4] >> (8 * (i % 4))) & 0xFF);
    return hex;
}

std::string Md5Hex(const Bytes& bytes) {
    Md5 md5;
    md5.Add(bytes.data(), bytes.size());
    return md5.Hex();
}

// ---- RIFF building ----

uint32_t Id(const char* fourcc) {
    return static_cast<unsigned char>(fourcc[0]) | static_cast<unsigned char>(fourcc[1]) << 8 |
           static_cast<unsigned char>(fourcc[2]) << 16 | static_cast<uint32_t>(static_cast<unsigned char>(fourcc[3])) << 24;
}
void Put16(Bytes& out, uint16_t value) {
    out.push_back(value & 0xFF);
    out.push_back(value >> 8);
}
void Put32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
void Put64(Bytes& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
}
Bytes Filled(size_t size, unsigned char seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(seed * 31 + i * 7 + (i >> 8));
    return bytes;
}

size_t Riff::Begin(const char* id, const char* type) {
    Put32(bytes, Id(id));
    const size_t at = bytes.size();
    Put32(bytes, 0);
    Put32(bytes, Id(type));
    return at;
}
void Riff::End(size_t at) { Put32At(at, static_cast<uint32_t>(bytes.size() - at - 4)); }
void Riff::Put32At(size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}
size_t Riff::Chunk(uint32_t id, const Bytes& data) {
    const size_t at = bytes.size();
    Put32(bytes, id);
    Put32(bytes, static_cast<uint32_t>(data.size()));
    Raw(data);
    if (data.size() & 1) bytes.push_back(0);
    return at;
}
size_t Riff::Chunk(const char* id, const Bytes& data) { return Chunk(Id(id), data); }

Bytes VideoFormat(int width, int height, const char* compression) {
    Bytes f;
    Put32(f, 40);
    Put32(f, static_cast<uint32_t>(width));
    Put32(f, static_cast<uint32_t>(height));
    Put16(f, 1);
    Put16(f, 24);
    Put32(f, Id(compression));
    Put32(f, static_cast<uint32_t>(width * height * 3));
    for (int i = 0; i < 4; ++i) Put32(f, 0);
    return f;
}

Bytes WaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign) {
    Bytes f;
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, rate * blockAlign);
    Put16(f, blockAlign);
    Put16(f, bits);
    Put16(f, 0);
    return f;
}

namespace {

uint32_t ChunkId(size_t stream, const std::string& type) {
    char id[24];
    std::snprintf(id, sizeof id, "%02zu%s", stream, type == "vids" ? "dc" : type == "auds" ? "wb" : "tx");
    return Id(id);
}

uint32_t SamplesOf(const SyntheticStream& s) {
    if (s.headerLength) return s.headerLength;
    if (s.sampleSize == 0) return static_cast<uint32_t>(s.chunks.size());
    size_t bytes = 0;
    for (const Bytes& c : s.chunks) bytes += c.size();
    return static_cast<uint32_t>(bytes / s.sampleSize);
}

struct Written {
    size_t stream;
    size_t header;  // offset of the chunk header
    uint32_t size;
};

}  // namespace

Bytes BuildAvi(const SyntheticAvi& layout) {
    const bool odml = layout.index == IndexKind::OpenDml || layout.index == IndexKind::OpenDmlAndIdx1;
    const bool idx1 = layout.index == IndexKind::Idx1FromMovi || layout.index == IndexKind::Idx1FromFile ||
                      layout.index == IndexKind::OpenDmlAndIdx1;
    constexpr uint32_t kSuperEntries = 8;
    Riff r;
    const size_t riff = r.Begin("RIFF", "AVI ");
    const size_t hdrl = r.Begin("LIST", "hdrl");
    Bytes avih;
    const SyntheticStream& first = layout.streams.at(0);
    Put32(avih, static_cast<uint32_t>(1000000ull * first.scale / (first.rate ? first.rate : 1)));
    Put32(avih, 0);
    Put32(avih, 0);
    Put32(avih, idx1 ? 0x10 : 0);
    Put32(avih, static_cast<uint32_t>(first.chunks.size()));
    Put32(avih, 0);
    Put32(avih, static_cast<uint32_t>(layout.streams.size()));
    Put32(avih, 0);
    Put32(avih, 32);
    Put32(avih, 24);
    for (int i = 0; i < 4; ++i) Put32(avih, 0);
    r.Chunk("avih", avih);
    std::vector<size_t> indxAt(layout.streams.size());
    for (size_t s = 0; s < layout.streams.size(); ++s) {
        const SyntheticStream& st = layout.streams[s];
        const size_t strl = r.Begin("LIST", "strl");
        Bytes strh;
        Put32(strh, Id(st.type.c_str()));
        Put32(strh, Id(st.handler.c_str()));
        Put32(strh, 0);
        Put32(strh, 0);
        Put32(strh, 0);
        Put32(strh, st.scale);
        Put32(strh, st.rate);
        Put32(strh, st.start);
        Put32(strh, SamplesOf(st));
        Put32(strh, 0);
        Put32(strh, 0xFFFFFFFF);
        Put32(strh, st.sampleSize);
        Put16(strh, 0), Put16(strh, 0), Put16(strh, 32), Put16(strh, 24);
        r.Chunk("strh", strh);
        r.Chunk("strf", st.format);
        if (!st.name.empty()) r.Chunk("strn", Bytes(st.name.begin(), st.name.end() + 1));
        if (odml) indxAt[s] = r.Chunk("indx", Bytes(24 + 16 * kSuperEntries, 0));
        r.End(strl);
    }
    if (odml) {
        const size_t list = r.Begin("LIST", "odml");
        Bytes dmlh;
        Put32(dmlh, static_cast<uint32_t>(first.chunks.size()));
        r.Chunk("dmlh", dmlh);
        r.End(list);
    }
    r.End(hdrl);

    size_t rounds = 0;
    for (const SyntheticStream& st : layout.streams) rounds = std::max(rounds, st.chunks.size());
    const size_t split = odml && layout.avixAfter > 0 && layout.avixAfter < rounds ? layout.avixAfter : rounds;
    std::vector<std::vector<uint32_t>> superCount(layout.streams.size());
    std::vector<Bytes> superEntries(layout.streams.size());
    std::vector<Written> firstPart;
    size_t moviAt = 0;
    for (size_t part = 0, begin = 0; begin < rounds; ++part) {
        const size_t end = part == 0 ? split : rounds;
        size_t avix = 0;
        if (part > 0) avix = r.Begin("RIFF", "AVIX");
        const size_t movi = r.Begin("LIST", "movi");
        if (part == 0) moviAt = movi + 4;
        std::vector<Written> written;
        for (size_t round = begin; round < end; ++round) {
            size_t rec = 0;
            if (layout.recLists) rec = r.Begin("LIST", "rec ");
            for (size_t s = 0; s < layout.streams.size(); ++s) {
                const SyntheticStream& st = layout.streams[s];
                if (round >= st.chunks.size()) continue;
                const size_t at = r.Chunk(ChunkId(s, st.type), st.chunks[round]);
                written.push_back({s, at, static_cast<uint32_t>(st.chunks[round].size())});
            }
            if (layout.recLists) r.End(rec);
            if (layout.deadChunk && round == begin) r.Chunk(ChunkId(0, layout.streams[0].type), Bytes(33, 0xDD));
            if (layout.junkInMovi && round == begin) {
                r.Chunk("JUNK", Bytes(10, 0xEE));
                r.Chunk("ix00", Bytes(6, 0xAB));
            }
        }
        if (odml) {
            for (size_t s = 0; s < layout.streams.size(); ++s) {
                Bytes ix;
                uint32_t count = 0;
                Bytes entries;
                for (const Written& w : written)
                    if (w.stream == s) {
                        Put32(entries, static_cast<uint32_t>(w.header + 8 - moviAt));
                        Put32(entries, w.size);
                        ++count;
                    }
                if (count == 0) continue;
                Put16(ix, 2);
                ix.push_back(0);
                ix.push_back(1);
                Put32(ix, count);
                Put32(ix, ChunkId(s, layout.streams[s].type));
                Put64(ix, moviAt);
                Put32(ix, 0);
                ix.insert(ix.end(), entries.begin(), entries.end());
                char id[24];
                std::snprintf(id, sizeof id, "ix%02zu", s);
                const size_t at = r.Chunk(id, ix);
                Put64(superEntries[s], at);
                Put32(superEntries[s], static_cast<uint32_t>(ix.size() + 8));
                Put32(superEntries[s], count);
            }
        }
        r.End(movi);
        if (part == 0) {
            firstPart = written;
            if (idx1) {
                Bytes index;
                for (const Written& w : written) {
                    Put32(index, ChunkId(w.stream, layout.streams[w.stream].type));
                    Put32(index, 0x10);
                    Put32(index, static_cast<uint32_t>(layout.index == IndexKind::Idx1FromFile ? w.header
                                                                                              : w.header - moviAt));
                    Put32(index, w.size);
                }
                r.Chunk("idx1", index);
            }
            r.End(riff);
        } else {
            r.End(avix);
        }
        begin = end;
    }
    if (rounds == 0) r.End(riff);
    for (size_t s = 0; odml && s < layout.streams.size(); ++s) {
        Bytes head;
        Put16(head, 4);
        head.push_back(0);
        head.push_back(0);
        Put32(head, static_cast<uint32_t>(superEntries[s].size() / 16));
        Put32(head, ChunkId(s, layout.streams[s].type));
        Put32(head, 0), Put32(head, 0), Put32(head, 0);
        std::memcpy(&r.bytes[indxAt[s] + 8], head.data(), head.size());
        std::memcpy(&r.bytes[indxAt[s] + 8 + head.size()], superEntries[s].data(), superEntries[s].size());
    }
    return r.bytes;
}

// ---- the copy loop ----

bool CopyLoop(IAVIStream* stream, LONG fallback, std::vector<CopiedChunk>& writes, std::string* why) {
    return CopyLoop(stream, fallback, [&](const CopiedChunk& w) { writes.push_back(w); }, why);
}

bool CopyLoop(IAVIStream* stream, LONG fallback, const std::function<void(const CopiedChunk&)>& sink,
              std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    AVISTREAMINFOA info;
    if (stream->Info(&info, sizeof info) != AVIERR_OK) return fail("Info");
    const LONG first = static_cast<LONG>(info.dwStart);
    const LONG last = first + static_cast<LONG>(info.dwLength) - 1;
    Bytes buffer;
    CopiedChunk write;
    for (LONG pos = first; pos <= last;) {
        LONG bytes = 0, samples = 0;
        if (stream->Read(pos, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples) != AVIERR_OK)
            return fail("convenient query at " + std::to_string(pos));
        if (bytes <= 0 || samples <= 0) {
            if (stream->Read(pos, fallback, nullptr, 0, &bytes, &samples) != AVIERR_OK)
                return fail("fallback query at " + std::to_string(pos));
        }
        if (bytes <= 0) return fail("no bytes at " + std::to_string(pos));
        buffer.resize(static_cast<size_t>(bytes));
        LONG got = 0, gotSamples = 0;
        if (stream->Read(pos, samples, buffer.data(), bytes, &got, &gotSamples) != AVIERR_OK)
            return fail("data read at " + std::to_string(pos));
        if (gotSamples <= 0) return fail("no samples at " + std::to_string(pos));
        write.pos = pos;
        write.samples = gotSamples;
        write.data.assign(buffer.begin(), buffer.begin() + got);
        write.emptiesBefore = avi::EmptiesBeforeFrame(buffer.data(), got, gotSamples);
        sink(write);
        pos += gotSamples;
    }
    return true;
}

std::vector<Bytes> FramesFromWrites(const std::vector<CopiedChunk>& writes) {
    std::vector<Bytes> frames;
    bool seenData = false;
    for (const CopiedChunk& w : writes) {
        const size_t empties = static_cast<size_t>(w.samples) - 1;
        const size_t before = w.emptiesBefore >= 0 ? static_cast<size_t>(w.emptiesBefore) : seenData ? 0 : empties;
        frames.insert(frames.end(), before, Bytes());
        frames.push_back(w.data);
        frames.insert(frames.end(), empties - before, Bytes());
        seenData = seenData || !w.data.empty();
    }
    return frames;
}

HRESULT OpenMemoryStream(const Bytes& file, LONG n, IAVIStream** stream) {
    *stream = nullptr;
    IAVIFile* opened = nullptr;
    HRESULT result = avi::OpenReaderMemory(file.data(), file.size(), &opened);
    if (result != AVIERR_OK) return result;
    result = opened->GetStream(stream, 0, n);
    opened->Release();
    return result;
}

}  // namespace kavrin::test
