// The readers against hand-made files: every source of the chunk list, dropped frames, sample
// arithmetic, WAVE layouts, damaged and hostile files, and the API's contract.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "frame_placement.h"
#include "media_fixtures.h"
#include "reader/byte_source.h"
#include "reader/parsers.h"
#include "reader/reader.h"
#include "reader_support.h"

namespace kavrin::test {
namespace {

struct StreamCloser {
    void operator()(IAVIStream* s) const {
        if (s) s->Release();
    }
};
using StreamPtr = std::unique_ptr<IAVIStream, StreamCloser>;

StreamPtr Open(const Bytes& file, LONG n, HRESULT* result = nullptr) {
    IAVIStream* stream = nullptr;
    HRESULT r = OpenMemoryStream(file, n, &stream);
    if (result) *result = r;
    return StreamPtr(stream);
}

AVISTREAMINFOA InfoOf(IAVIStream* stream) {
    AVISTREAMINFOA info = {};
    EXPECT_EQ(stream->Info(&info, sizeof info), AVIERR_OK);
    return info;
}

// Reads one call's worth; the data read must give what the size query promised.
Bytes ReadAt(IAVIStream* stream, LONG pos, LONG n, LONG* samplesOut = nullptr) {
    LONG bytes = -1, samples = -1;
    EXPECT_EQ(stream->Read(pos, n, nullptr, 0, &bytes, &samples), AVIERR_OK);
    Bytes data(static_cast<size_t>(std::max<LONG>(bytes, 0)));
    LONG got = -1, gotSamples = -1;
    EXPECT_EQ(stream->Read(pos, samples, data.data(), bytes, &got, &gotSamples), AVIERR_OK);
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(gotSamples, samples);
    if (samplesOut) *samplesOut = gotSamples;
    return data;
}

Bytes Concat(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Frames of varied sizes (odd ones pad) with empty frames among them, and 4-byte audio samples in
// chunks that do not end on a sample.
SyntheticStream VideoStream(const std::string& pattern) {
    SyntheticStream s;
    s.format = VideoFormat(32, 24, "MJPG");
    s.name = "video";
    for (size_t i = 0; i < pattern.size(); ++i)
        s.chunks.push_back(pattern[i] == 'E' ? Bytes() : Filled(100 + i * 37, static_cast<unsigned char>(i)));
    return s;
}

SyntheticStream AudioStream() {
    SyntheticStream s;
    s.type = "auds";
    s.handler = std::string("\0\0\0\0", 4);
    s.scale = 4;
    s.rate = 32000;
    s.sampleSize = 4;
    s.format = WaveFormat(1, 2, 8000, 16, 4);
    for (size_t size : {400u, 402u, 0u, 398u, 4u, 1000u}) s.chunks.push_back(Filled(size, static_cast<unsigned char>(size)));
    return s;
}

struct IndexCase {
    const char* name;
    IndexKind index;
    bool recLists;
    bool junk;
    size_t avixAfter;
};

class ChunkListSource : public ::testing::TestWithParam<IndexCase> {};

TEST_P(ChunkListSource, EveryChunkComesBackInItsPlace) {
    const IndexCase& c = GetParam();
    SyntheticAvi layout;
    layout.streams = {VideoStream("DDEDDDEEDD"), AudioStream()};
    layout.index = c.index;
    layout.recLists = c.recLists;
    layout.junkInMovi = c.junk;
    layout.avixAfter = c.avixAfter;
    // With an index, the index decides: a chunk it does not name is not part of the stream.
    layout.deadChunk = c.index != IndexKind::None;
    const Bytes file = BuildAvi(layout);

    StreamPtr video = Open(file, 0);
    ASSERT_TRUE(video);
    AVISTREAMINFOA info = InfoOf(video.get());
    EXPECT_EQ(info.fccType, Id("vids"));
    EXPECT_STREQ(info.szName, "video");
    ASSERT_EQ(info.dwLength, layout.streams[0].chunks.size());
    for (LONG pos = 0; pos < static_cast<LONG>(info.dwLength); ++pos)
        EXPECT_EQ(ReadAt(video.get(), pos, 1), layout.streams[0].chunks[pos]) << "frame " << pos;

    StreamPtr audio = Open(file, 1);
    ASSERT_TRUE(audio);
    info = InfoOf(audio.get());
    const Bytes payload = Concat(layout.streams[1].chunks);
    ASSERT_EQ(info.dwLength, payload.size() / 4);
    std::vector<CopiedChunk> writes;
    ASSERT_TRUE(CopyLoop(audio.get(), 4096, writes));
    Bytes copied;
    for (const CopiedChunk& w : writes) copied.insert(copied.end(), w.data.begin(), w.data.end());
    EXPECT_EQ(copied, payload);
}

INSTANTIATE_TEST_SUITE_P(Readers, ChunkListSource,
                         ::testing::Values(IndexCase{"idx1_from_movi", IndexKind::Idx1FromMovi, false, false, 0},
                                           IndexCase{"idx1_from_file", IndexKind::Idx1FromFile, true, false, 0},
                                           IndexCase{"scan_rec_lists", IndexKind::None, true, false, 0},
                                           IndexCase{"scan_junk_and_stray_index", IndexKind::None, false, true, 0},
                                           IndexCase{"opendml", IndexKind::OpenDml, false, true, 0},
                                           IndexCase{"opendml_avix", IndexKind::OpenDml, false, false, 4},
                                           IndexCase{"opendml_avix_with_idx1", IndexKind::OpenDmlAndIdx1, false, false, 3},
                                           IndexCase{"scan_avix", IndexKind::None, false, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Dropped frames: reading as the merge does and writing as the reader notes gives back every frame,
// the empty ones at their places. Only a stream without any frame with data cannot be copied: every
// write of a copy carries data. Such a copy must stop (a read of 0 bytes), never move a frame.
TEST(DroppedFrames, CopyKeepsEveryEmptyFrameInPlaceOrStops) {
    const struct {
        const char* pattern;
        bool copyable;
    } cases[] = {
        {"DDEEDED", true}, {"EEDDE", true},   {"EEDDEEDEE", true}, {"D", true}, {"DDEEEE", true},
        {"EEEED", true},   {"DDDD", true},    {"DEEDD", true},     {"DEE", true}, {"EDEEDEE", true},
        {"EEE", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        SyntheticAvi layout;
        layout.streams = {VideoStream(c.pattern)};
        const Bytes file = BuildAvi(layout);
        StreamPtr video = Open(file, 0);
        ASSERT_TRUE(video);
        EXPECT_EQ(InfoOf(video.get()).dwLength, std::strlen(c.pattern));
        std::vector<CopiedChunk> writes;
        std::string why;
        const bool copied = CopyLoop(video.get(), 4096, writes, &why);
        EXPECT_EQ(copied, c.copyable) << why;
        const std::vector<Bytes> frames = FramesFromWrites(writes);
        // Whatever was written before a stop is in its place.
        ASSERT_LE(frames.size(), layout.streams[0].chunks.size());
        EXPECT_EQ(frames, std::vector<Bytes>(layout.streams[0].chunks.begin(), layout.streams[0].chunks.begin() + frames.size()));
        if (copied) {
            EXPECT_EQ(frames.size(), layout.streams[0].chunks.size());
        }
    }
}

TEST(DroppedFrames, SpansFollowTheAgreedRule) {
    SyntheticAvi layout;
    layout.streams = {VideoStream("EEDEEDEEDD")};
    const Bytes file = BuildAvi(layout);
    StreamPtr video = Open(file, 0);
    ASSERT_TRUE(video);
    const auto& frames = layout.streams[0].chunks;
    struct Case {
        LONG pos, n;
        size_t bytes;
        LONG samples;
    } cases[] = {
        {0, AVISTREAMREAD_CONVENIENT, frames[2].size(), 5},  // leading run, the first data, the run after
        {1, AVISTREAMREAD_CONVENIENT, frames[2].size(), 4},
        {0, 3, frames[2].size(), 3},                         // capped right after the data
        {0, 2, 0, 2},                                        // capped before the data: empties only
        {0, 1, 0, 1},                                        // one sample is that one frame
        {2, AVISTREAMREAD_CONVENIENT, frames[2].size(), 3},  // the first data frame and the empties after it
        {4, AVISTREAMREAD_CONVENIENT, 0, 1},                 // inside a run: only itself
        {5, AVISTREAMREAD_CONVENIENT, frames[5].size(), 3},  // data frame and the empties after it
        {5, 2, frames[5].size(), 2},                         // capped by the count asked
        {5, 1, frames[5].size(), 1},
        {8, 4096, frames[8].size(), 1},                      // no empties after: one frame
    };
    for (const Case& c : cases) {
        LONG bytes = -1, samples = -1;
        ASSERT_EQ(video->Read(c.pos, c.n, nullptr, 0, &bytes, &samples), AVIERR_OK);
        EXPECT_EQ(bytes, static_cast<LONG>(c.bytes)) << "pos " << c.pos << " n " << c.n;
        EXPECT_EQ(samples, c.samples) << "pos " << c.pos << " n " << c.n;
    }
    // The leading run's data read hands out the first frame with data, and notes for the writer
    // that two of its five samples come before that frame.
    Bytes buffer(frames[2].size());
    LONG bytes = 0, samples = 0;
    ASSERT_EQ(video->Read(0, 5, buffer.data(), static_cast<LONG>(buffer.size()), &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(buffer, frames[2]);
    EXPECT_EQ(avi::EmptiesBeforeFrame(buffer.data(), bytes, samples), 2);
    buffer.resize(frames[5].size());
    ASSERT_EQ(video->Read(5, 3, buffer.data(), static_cast<LONG>(buffer.size()), &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(avi::EmptiesBeforeFrame(buffer.data(), bytes, samples), 0);
}

TEST(DroppedFrames, StreamOfOnlyEmptyFramesCannotBeCopied) {
    SyntheticAvi layout;
    layout.streams = {VideoStream("EEE")};
    const Bytes file = BuildAvi(layout);
    StreamPtr video = Open(file, 0);
    ASSERT_TRUE(video);
    std::vector<CopiedChunk> writes;
    EXPECT_FALSE(CopyLoop(video.get(), 4096, writes));
    LONG bytes = -1, samples = -1;
    EXPECT_EQ(video->Read(0, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(bytes, 0);
    EXPECT_EQ(samples, 3);
}

// ---- fixed sample size ----

TEST(SampleSize, ReadsCrossChunksAndStopAtTheEnd) {
    SyntheticAvi layout;
    layout.streams = {VideoStream("DD"), AudioStream()};
    const Bytes file = BuildAvi(layout);
    StreamPtr audio = Open(file, 1);
    ASSERT_TRUE(audio);
    const Bytes payload = Concat(layout.streams[1].chunks);
    const LONG length = static_cast<LONG>(payload.size() / 4);
    auto slice = [&](LONG pos, LONG n) { return Bytes(payload.begin() + pos * 4, payload.begin() + (pos + n) * 4); };
    // Chunk sizes 400, 402, (0), 398, 4, 1000: the sample at byte 800 runs over into the next chunk.
    struct Case {
        LONG pos, n, samples;
    } cases[] = {
        {0, AVISTREAMREAD_CONVENIENT, 100},
        {99, AVISTREAMREAD_CONVENIENT, 1},
        {100, AVISTREAMREAD_CONVENIENT, 100},
        {200, AVISTREAMREAD_CONVENIENT, 1},  // the sample across the chunk boundary, given whole
        {201, AVISTREAMREAD_CONVENIENT, 99},
        {50, 300, 300},
        {length - 3, 4096, 3},
    };
    for (const Case& c : cases) {
        LONG samples = 0;
        EXPECT_EQ(ReadAt(audio.get(), c.pos, c.n, &samples), slice(c.pos, c.samples)) << "pos " << c.pos;
        EXPECT_EQ(samples, c.samples) << "pos " << c.pos;
    }
    // A buffer too small for all asked gives the whole samples that fit; too small for one, an error.
    Bytes buffer(10);
    LONG bytes = 0, samples = 0;
    EXPECT_EQ(audio->Read(0, 100, buffer.data(), 10, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(bytes, 8);
    EXPECT_EQ(samples, 2);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 8), slice(0, 2));
    EXPECT_EQ(audio->Read(0, 100, buffer.data(), 3, &bytes, &samples), AVIERR_BUFFERTOOSMALL);
}

TEST(SampleSize, BlockAlignWinsOverADisagreeingHeader) {
    SyntheticAvi layout;
    SyntheticStream audio = AudioStream();
    audio.sampleSize = 1;  // the header says bytes, the format says 4-byte blocks
    audio.headerLength = 2204;
    layout.streams = {VideoStream("D"), audio};
    const Bytes file = BuildAvi(layout);
    StreamPtr stream = Open(file, 1);
    ASSERT_TRUE(stream);
    const AVISTREAMINFOA info = InfoOf(stream.get());
    EXPECT_EQ(info.dwSampleSize, 4u);
    EXPECT_EQ(info.dwLength, 2204u / 4);
}

TEST(SampleSize, PositionsStartAtTheHeadersStart) {
    SyntheticAvi layout;
    SyntheticStream video = VideoStream("DDED");
    video.start = 10;
    layout.streams = {video};
    const Bytes file = BuildAvi(layout);
    StreamPtr stream = Open(file, 0);
    ASSERT_TRUE(stream);
    EXPECT_EQ(InfoOf(stream.get()).dwStart, 10u);
    EXPECT_EQ(ReadAt(stream.get(), 13, 1), video.chunks[3]);
    std::vector<CopiedChunk> writes;
    ASSERT_TRUE(CopyLoop(stream.get(), 4096, writes));
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front().pos, 10);
    EXPECT_EQ(FramesFromWrites(writes), video.chunks);
    for (LONG outside : {0, 9, 14, 0x7FFFFFFF}) {
        LONG bytes = -1, samples = -1;
        EXPECT_EQ(stream->Read(outside, 1, nullptr, 0, &bytes, &samples), AVIERR_OK);
        EXPECT_EQ(bytes, 0);
        EXPECT_EQ(samples, 0);
    }
}

// ---- WAVE ----

struct WaveChunk {
    std::string id;
    Bytes data;
    uint32_t declaredSize = 0xFFFFFFFE;  // other values: written instead of the real size
};

Bytes BuildWave(const std::vector<WaveChunk>& chunks, const char* container = "RIFF") {
    Riff r;
    const size_t riff = r.Begin(container, "WAVE");
    for (const WaveChunk& c : chunks) {
        const size_t at = r.Chunk(c.id.c_str(), c.data);
        if (c.declaredSize != 0xFFFFFFFE) r.Put32At(at + 4, c.declaredSize);
    }
    r.End(riff);
    return r.bytes;
}

Bytes Ds64(uint64_t dataSize) {
    Bytes d;
    Put64(d, 0);
    Put64(d, dataSize);
    Put64(d, 0);
    Put32(d, 0);
    return d;
}

struct WaveCase {
    const char* name;
    std::function<Bytes()> build;
    size_t dataBegin, dataBytes;  // of Filled(1001, 9), the data every case carries
    uint16_t blockAlign;
};

TEST(Wave, LayoutsAndDataSizes) {
    const Bytes data = Filled(1001, 9);
    const Bytes pcm = WaveFormat(1, 2, 8000, 16, 4);
    Bytes extensible = WaveFormat(0xFFFE, 6, 48000, 24, 18);
    extensible.back() = 22;  // cbSize
    extensible.resize(40, 0x11);
    const WaveCase cases[] = {
        {"chunks before data, odd one padded", [&] {
             return BuildWave({{"LIST", Filled(13, 1)}, {"fmt ", pcm}, {"fact", Filled(4, 2)}, {"bext", Filled(7, 3)},
                               {"id3 ", Filled(9, 4)}, {"data", data}});
         }, 0, 1000, 4},
        {"first fmt wins", [&] { return BuildWave({{"fmt ", pcm}, {"fmt ", extensible}, {"data", data}}); }, 0, 1000, 4},
        {"extensible as it stands", [&] { return BuildWave({{"fmt ", extensible}, {"data", data}}); }, 0, 990, 18},
        {"fmt after data", [&] { return BuildWave({{"data", data}, {"fmt ", pcm}}); }, 0, 1000, 4},
        {"size 0 runs to the end", [&] { return BuildWave({{"fmt ", pcm}, {"data", data, 0}}); }, 0, 1000, 4},
        {"size all ones runs to the end",
         [&] { return BuildWave({{"fmt ", pcm}, {"data", data, 0xFFFFFFFF}}); }, 0, 1000, 4},
        {"size past the end runs to the end",
         [&] { return BuildWave({{"fmt ", pcm}, {"data", data, 5000}}); }, 0, 1000, 4},
        {"size shorter than the chunk", [&] { return BuildWave({{"fmt ", pcm}, {"data", data, 401}}); }, 0, 400, 4},
        {"rf64 size from ds64",
         [&] { return BuildWave({{"ds64", Ds64(600)}, {"fmt ", pcm}, {"data", data, 0xFFFFFFFF}}, "RF64"); }, 0, 600, 4},
        {"bw64", [&] { return BuildWave({{"ds64", Ds64(1001)}, {"fmt ", pcm}, {"data", data, 0xFFFFFFFF}}, "BW64"); },
         0, 1000, 4},
    };
    for (const WaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = c.build();
        StreamPtr stream = Open(file, 0);
        ASSERT_TRUE(stream);
        const AVISTREAMINFOA info = InfoOf(stream.get());
        EXPECT_EQ(info.fccType, Id("auds"));
        EXPECT_EQ(info.dwScale, c.blockAlign);
        EXPECT_EQ(info.dwSampleSize, c.blockAlign);
        EXPECT_EQ(info.dwStart, 0u);
        ASSERT_EQ(info.dwLength, c.dataBytes / c.blockAlign);
        LONG formatSize = 0;
        ASSERT_EQ(stream->ReadFormat(0, nullptr, &formatSize), AVIERR_OK);
        Bytes format(static_cast<size_t>(formatSize));
        ASSERT_EQ(stream->ReadFormat(0, format.data(), &formatSize), AVIERR_OK);
        EXPECT_EQ(format, c.blockAlign == 18 ? extensible : pcm);
        EXPECT_EQ(info.dwRate, static_cast<DWORD>(format[8] | format[9] << 8 | format[10] << 16));

        // No chunks of its own: the convenient query offers nothing; the fallback count decides.
        LONG bytes = -1, samples = -1;
        EXPECT_EQ(stream->Read(0, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples), AVIERR_OK);
        EXPECT_EQ(bytes, 0);
        EXPECT_EQ(samples, 0);
        std::vector<CopiedChunk> writes;
        ASSERT_TRUE(CopyLoop(stream.get(), 7, writes));
        Bytes copied;
        for (const CopiedChunk& w : writes) {
            EXPECT_LE(w.samples, 7);
            copied.insert(copied.end(), w.data.begin(), w.data.end());
        }
        const size_t whole = info.dwLength * c.blockAlign;
        EXPECT_EQ(copied, Bytes(data.begin() + c.dataBegin, data.begin() + c.dataBegin + whole));
    }
}

TEST(Wave, ByteCountOfOneReadIsBounded) {
    const size_t sixteenMiB = 16 << 20;
    const Bytes file = BuildWave({{"fmt ", WaveFormat(1, 2, 48000, 16, 4)}, {"data", Filled(sixteenMiB + 64, 1)}});
    StreamPtr stream = Open(file, 0);
    ASSERT_TRUE(stream);
    LONG bytes = 0, samples = 0;
    ASSERT_EQ(stream->Read(0, 0x7FFFFFFF, nullptr, 0, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(bytes, static_cast<LONG>(sixteenMiB));
    EXPECT_EQ(samples, static_cast<LONG>(sixteenMiB / 4));
    ASSERT_EQ(stream->Read(static_cast<LONG>(sixteenMiB / 4), 0x7FFFFFFF, nullptr, 0, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 16);  // never past the end
}

// ---- bad input ----

// Small reads of a file come from a window read ahead: every piece, wherever it falls (across the
// window's end, back before it, at the end of the file), must be the file's own bytes.
TEST(FileSource, PiecesAnywhereAreTheFilesBytes) {
    TempDir dir;
    const std::string path = dir / "bytes.bin";
    const size_t window = avi::FileSource::kWindowBytes, small = avi::FileSource::kSmallRead;
    Bytes file(window * 2 + 1234);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<unsigned char>(i * 131 + (i >> 9));
    WriteBytes(path, file);
    avi::FileSource source;
    ASSERT_TRUE(source.Open(path));
    auto expect = [&](size_t offset, size_t size) {
        Bytes got(size);
        const bool whole = offset + size <= file.size();
        ASSERT_EQ(source.ReadExact(static_cast<int64_t>(offset), got.data(), size), whole)
            << "offset " << offset << " size " << size;
        if (whole) {
            EXPECT_EQ(got, Bytes(file.begin() + offset, file.begin() + offset + size)) << "offset " << offset;
        }
    };
    // The whole file in pieces of several sizes, each sweep crossing both windows' ends.
    for (size_t piece : {size_t{1}, size_t{7}, size_t{4096}, small - 1, small}) {
        Bytes joined;
        for (size_t at = 0; at < file.size(); at += piece) {
            Bytes got(std::min(piece, file.size() - at));
            ASSERT_TRUE(source.ReadExact(static_cast<int64_t>(at), got.data(), got.size())) << at;
            joined.insert(joined.end(), got.begin(), got.end());
        }
        EXPECT_EQ(joined, file) << "pieces of " << piece;
    }
    const size_t end = file.size();
    const std::pair<size_t, size_t> reads[] = {
        {window - 4, 8}, {12, 4}, {window + 4, 16}, {end - 10, 10}, {end - 3, 3}, {end - 2, 4}, {end, 1}, {5, small + 1},
    };
    for (const auto& [offset, size] : reads) expect(offset, size);
}

// A file that cannot be read on (a device error) is not a damaged file: where the reads of its headers
// start to fail, the parser says AVIERR_FILEREAD. (An index that cannot be read is passed over for a
// scan of the data, which reads nothing more here.)
class FailingSource final : public avi::ByteSource {
public:
    FailingSource(const Bytes& bytes, int64_t failFrom) : bytes_(bytes), failFrom_(failFrom) {
        size_ = static_cast<int64_t>(bytes.size());
    }

private:
    int64_t ReadAt(int64_t offset, void* buffer, size_t size) const override {
        if (offset + static_cast<int64_t>(size) > failFrom_) return -1;
        std::memcpy(buffer, bytes_.data() + offset, size);
        return static_cast<int64_t>(size);
    }
    Bytes bytes_;
    int64_t failFrom_;
};

TEST(BadInput, ReadErrorsAreReadErrorsNotDamage) {
    SyntheticAvi layout;
    layout.streams = {VideoStream("DDEDD")};
    const Bytes file = BuildAvi(layout);
    const int64_t size = static_cast<int64_t>(file.size());
    for (int64_t failFrom : {int64_t{0}, int64_t{16}, int64_t{40}, size / 2}) {
        FailingSource source(file, failFrom);
        avi::FileModel model;
        EXPECT_EQ(avi::ParseAvi(source, model), AVIERR_FILEREAD) << "reads fail from " << failFrom;
    }
    avi::FileModel model;
    EXPECT_EQ(avi::ParseAvi(FailingSource(file, size), model), AVIERR_OK);
}

TEST(BadInput, RefusedWithTheDocumentedCode) {
    const Bytes pcm = WaveFormat(1, 2, 8000, 16, 4);
    Bytes zeroAlign = WaveFormat(1, 2, 8000, 16, 0);
    SyntheticAvi noStreams;
    noStreams.streams = {VideoStream("D")};
    Bytes badStart;
    {
        SyntheticAvi layout;
        layout.streams = {VideoStream("DD")};
        layout.streams[0].start = 0x80000000u;
        badStart = BuildAvi(layout);
    }
    Bytes hugeFormat;
    {
        SyntheticAvi layout;
        layout.streams = {VideoStream("D")};
        layout.streams[0].format = Filled((1 << 20) + 2, 3);
        hugeFormat = BuildAvi(layout);
    }
    Bytes hdrlCut = BuildAvi(noStreams);
    hdrlCut.resize(60);
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"shorter than a header", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I'}},
        {"not RIFF", Filled(200, 1)},
        {"RIFF of another form", BuildWave({{"fmt ", pcm}}, "RIFF") /* patched below */},
        {"AVI without hdrl", [] {
             Riff r;
             const size_t riff = r.Begin("RIFF", "AVI ");
             r.Chunk("JUNK", Bytes(16));
             r.End(riff);
             return r.bytes;
         }()},
        {"AVI cut inside hdrl", hdrlCut},
        {"stream start beyond LONG", badStart},
        {"format over 1 MiB", hugeFormat},
        {"WAVE without fmt", BuildWave({{"data", Filled(40, 1)}})},
        {"WAVE without data", BuildWave({{"fmt ", pcm}})},
        {"WAVE with nBlockAlign 0", BuildWave({{"fmt ", zeroAlign}, {"data", Filled(40, 1)}})},
        {"WAVE with a short fmt", BuildWave({{"fmt ", Bytes(12, 1)}, {"data", Filled(40, 1)}})},
        {"WAVE with fmt past the end", BuildWave({{"fmt ", pcm, 4000}, {"data", Filled(40, 1)}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = c.file;
        if (std::string(c.name) == "RIFF of another form") std::memcpy(&file[8], "CDXA", 4);
        IAVIFile* opened = reinterpret_cast<IAVIFile*>(1);
        EXPECT_EQ(avi::OpenReaderMemory(file.data(), file.size(), &opened), AVIERR_BADFORMAT);
        EXPECT_EQ(opened, nullptr);
    }
}

TEST(BadInput, MissingFileAndFolderDoNotOpen) {
    TempDir dir;
    PAVISTREAM stream = reinterpret_cast<PAVISTREAM>(1);
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, (dir / "missing.avi").c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
              AVIERR_FILEOPEN);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, dir.path().c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
              AVIERR_FILEOPEN);
}

// A cut file keeps the chunks that are whole, in their places.
TEST(BadInput, CutFileKeepsTheWholeChunks) {
    for (IndexKind index : {IndexKind::Idx1FromMovi, IndexKind::OpenDml}) {
        SyntheticAvi layout;
        layout.streams = {VideoStream("DDEDDDD"), AudioStream()};
        layout.index = index;
        const Bytes whole = BuildAvi(layout);
        // Cut in the middle of the sixth frame's data (the index is lost or points past the end).
        const Bytes& sixth = layout.streams[0].chunks[5];
        const auto at = std::search(whole.begin(), whole.end(), sixth.begin(), sixth.end());
        ASSERT_NE(at, whole.end());
        const Bytes cut(whole.begin(), at + 10);
        StreamPtr video = Open(cut, 0);
        ASSERT_TRUE(video);
        ASSERT_EQ(InfoOf(video.get()).dwLength, 5u);
        std::vector<CopiedChunk> writes;
        ASSERT_TRUE(CopyLoop(video.get(), 4096, writes));
        EXPECT_EQ(FramesFromWrites(writes),
                  std::vector<Bytes>(layout.streams[0].chunks.begin(), layout.streams[0].chunks.begin() + 5));
    }
}

// Hostile headers and indexes: the file opens with what can be trusted, or is refused; nothing is
// read outside it and nothing grows without bound.
TEST(BadInput, HostileIndexesAndCounts) {
    SyntheticAvi layout;
    layout.streams = {VideoStream("DDEDD"), AudioStream()};
    auto patched = [&](IndexKind index, const std::function<void(Bytes&)>& patch) {
        SyntheticAvi s = layout;
        s.index = index;
        Bytes file = BuildAvi(s);
        patch(file);
        return file;
    };
    auto find = [](const Bytes& file, const char* id) {
        const Bytes key(id, id + 4);
        return static_cast<size_t>(std::search(file.begin(), file.end(), key.begin(), key.end()) - file.begin());
    };
    auto put32 = [](Bytes& file, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"idx1 entry past the end", patched(IndexKind::Idx1FromMovi, [&](Bytes& f) {
             put32(f, find(f, "idx1") + 8 + 16 * 2 + 8, 0x7FFFFFF0);
         })},
        {"idx1 size past the end", patched(IndexKind::Idx1FromMovi, [&](Bytes& f) {
             put32(f, find(f, "idx1") + 4, 0xFFFFFFF0);
         })},
        {"idx1 chunk size past the end", patched(IndexKind::Idx1FromMovi, [&](Bytes& f) {
             put32(f, find(f, "idx1") + 8 + 12, 0xFFFFFF00);
         })},
        {"idx1 that matches nothing", patched(IndexKind::Idx1FromMovi, [&](Bytes& f) {
             const size_t idx1 = find(f, "idx1") + 8;
             for (size_t e = idx1; e < f.size(); e += 16) put32(f, e + 8, 3);
         })},
        {"super index claims a billion entries", patched(IndexKind::OpenDmlAndIdx1, [&](Bytes& f) {
             put32(f, find(f, "indx") + 8 + 4, 1000000000);
         })},
        {"super index repeats one standard index", patched(IndexKind::OpenDmlAndIdx1, [&](Bytes& f) {
             const size_t indx = find(f, "indx") + 8;
             const uint32_t entries = 8;
             put32(f, indx + 4, entries);
             for (uint32_t i = 1; i < entries; ++i)
                 std::memcpy(&f[indx + 24 + 16 * i], &f[indx + 24], 16);
         })},
        {"standard index past the end", patched(IndexKind::OpenDmlAndIdx1, [&](Bytes& f) {
             put32(f, find(f, "ix00") + 4, 0x7FFFFFFF);
         })},
        {"standard index entry past the end", patched(IndexKind::OpenDml, [&](Bytes& f) {
             put32(f, find(f, "ix00") + 8 + 24 + 8, 0x7FFFFF00);
         })},
        {"a billion streams claimed", patched(IndexKind::Idx1FromMovi, [&](Bytes& f) {
             put32(f, find(f, "avih") + 8 + 24, 1000000000);
         })},
        {"movi list size past the end", patched(IndexKind::None, [&](Bytes& f) {
             put32(f, find(f, "movi") - 4, 0xFFFFFFF0);
         })},
        {"movi list size 0", patched(IndexKind::None, [&](Bytes& f) { put32(f, find(f, "movi") - 4, 0); })},
        {"RIFF size 0", patched(IndexKind::Idx1FromMovi, [&](Bytes& f) { put32(f, 4, 0); })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StreamPtr video = Open(c.file, 0);
        ASSERT_TRUE(video);
        ASSERT_EQ(InfoOf(video.get()).dwLength, 5u);
        std::vector<CopiedChunk> writes;
        ASSERT_TRUE(CopyLoop(video.get(), 4096, writes));
        EXPECT_EQ(FramesFromWrites(writes), layout.streams[0].chunks);
        StreamPtr audio = Open(c.file, 1);
        ASSERT_TRUE(audio);
        EXPECT_EQ(InfoOf(audio.get()).dwLength, Concat(layout.streams[1].chunks).size() / 4);
    }
}

TEST(BadInput, StreamCountIsBoundedByWhatChunkIdsCanName) {
    SyntheticAvi layout;
    for (int i = 0; i < 150; ++i) layout.streams.push_back(VideoStream("D"));
    const Bytes file = BuildAvi(layout);
    IAVIFile* opened = nullptr;
    ASSERT_EQ(avi::OpenReaderMemory(file.data(), file.size(), &opened), AVIERR_OK);
    AVIFILEINFOA info;
    ASSERT_EQ(opened->Info(&info, sizeof info), AVIERR_OK);
    EXPECT_EQ(info.dwStreams, 100u);
    IAVIStream* stream = nullptr;
    EXPECT_EQ(opened->GetStream(&stream, streamtypeVIDEO, 99), AVIERR_OK);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(ReadAt(stream, 0, 1), layout.streams[99].chunks[0]);
    stream->Release();
    EXPECT_EQ(opened->GetStream(&stream, streamtypeVIDEO, 100), AVIERR_NODATA);
    opened->Release();
}

// ---- the API's contract ----

class ReaderApi : public ::testing::Test {
protected:
    void SetUp() override {
        spec_.streams = {VideoStream("DDED"), AudioStream()};
        path_ = dir_ / "two streams.avi";
        WriteBytes(path_, BuildAvi(spec_));
    }
    TempDir dir_;
    std::string path_;
    SyntheticAvi spec_;
};

TEST_F(ReaderApi, StreamsFoundByTypeAndNumber) {
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&stream, path_.c_str(), streamtypeAUDIO, 0, OF_SHARE_DENY_NONE, nullptr),
              AVIERR_OK);
    EXPECT_EQ(InfoOf(stream).fccType, streamtypeAUDIO);
    AVIStreamRelease(stream);
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, path_.c_str(), streamtypeAUDIO, 1, OF_READ, nullptr), AVIERR_NODATA);
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, path_.c_str(), streamtypeTEXT, 0, OF_READ, nullptr), AVIERR_NODATA);
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, path_.c_str(), 0, 1, OF_READ, nullptr), AVIERR_OK);
    EXPECT_EQ(InfoOf(stream).fccType, streamtypeAUDIO);
    AVIStreamRelease(stream);
}

TEST_F(ReaderApi, FileInfoAndReadOnlyCalls) {
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path_.c_str(), OF_READ, nullptr), AVIERR_OK);
    AVIFILEINFOA info;
    ASSERT_EQ(AVIFileInfoA(file, &info, sizeof info), AVIERR_OK);
    EXPECT_EQ(info.dwStreams, 2u);
    EXPECT_EQ(info.dwWidth, 32u);
    EXPECT_EQ(info.dwHeight, 24u);
    EXPECT_EQ(info.dwRate, 25u);
    EXPECT_EQ(info.dwScale, 1u);
    EXPECT_EQ(info.dwLength, 4u);
    EXPECT_EQ(info.dwCaps & AVIFILECAPS_CANREAD, static_cast<DWORD>(AVIFILECAPS_CANREAD));

    AVISTREAMINFOA header = {};
    PAVISTREAM created = reinterpret_cast<PAVISTREAM>(1);
    EXPECT_EQ(AVIFileCreateStreamA(file, &created, &header), AVIERR_READONLY);
    EXPECT_EQ(created, nullptr);
    PAVISTREAM video = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &video, streamtypeVIDEO, 0), AVIERR_OK);
    // The stream keeps the file alive after the caller's hold ends.
    AVIFileRelease(file);
    Bytes frame(16);
    EXPECT_EQ(AVIStreamWrite(video, 0, 1, frame.data(), 16, AVIIF_KEYFRAME, nullptr, nullptr), AVIERR_READONLY);
    EXPECT_EQ(AVIStreamSetFormat(video, 0, frame.data(), 16), AVIERR_READONLY);
    EXPECT_EQ(ReadAt(video, 1, 1), spec_.streams[0].chunks[1]);
    AVIStreamRelease(video);
}

TEST_F(ReaderApi, FormatAndReadArguments) {
    PAVISTREAM video = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&video, path_.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    LONG size = 0;
    ASSERT_EQ(AVIStreamReadFormat(video, 0, nullptr, &size), AVIERR_OK);
    EXPECT_EQ(size, 40);
    Bytes format(40, 0xCC);
    size = 20;
    EXPECT_EQ(AVIStreamReadFormat(video, 0, format.data(), &size), AVIERR_BUFFERTOOSMALL);
    EXPECT_EQ(size, 40);
    EXPECT_EQ(Bytes(format.begin(), format.begin() + 20), Bytes(spec_.streams[0].format.begin(),
                                                                spec_.streams[0].format.begin() + 20));
    EXPECT_EQ(format[20], 0xCC);  // nothing written past the buffer given

    // Half a header asked: half given.
    AVISTREAMINFOA info;
    std::memset(&info, 0xAB, sizeof info);
    ASSERT_EQ(AVIStreamInfoA(video, &info, 8), AVIERR_OK);
    EXPECT_EQ(info.fccType, streamtypeVIDEO);
    EXPECT_EQ(info.dwFlags, 0xABABABABu);

    LONG bytes = -1, samples = -1;
    Bytes small(10);
    EXPECT_EQ(AVIStreamRead(video, 0, 1, small.data(), 10, &bytes, &samples), AVIERR_BUFFERTOOSMALL);
    EXPECT_EQ(AVIStreamRead(video, 0, -5, nullptr, 0, &bytes, &samples), AVIERR_BADPARAM);
    EXPECT_EQ(AVIStreamRead(video, 0, 0, nullptr, 0, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 0);
    AVIStreamRelease(video);
}

}  // namespace
}  // namespace kavrin::test
