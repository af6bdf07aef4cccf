// The readers against files made by ffmpeg, checked against what ffmpeg and ffprobe read from the
// same files: every video packet's bytes and place, the audio payload, the stream parameters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "media_fixtures.h"
#include "reader_support.h"

namespace kavrin::test {
namespace {

struct Packet {
    long pts;
    size_t size;
    std::string md5;
    bool operator==(const Packet& o) const { return pts == o.pts && size == o.size && md5 == o.md5; }
};
std::ostream& operator<<(std::ostream& out, const Packet& p) { return out << p.pts << ":" << p.size << ":" << p.md5; }

// framemd5 lines: "stream, dts, pts, duration, size, hash". In AVI the dts is the frame's position;
// the pts is unknown for reordered frames.
std::vector<Packet> FfmpegPackets(const std::string& path, const std::string& map) {
    std::vector<Packet> packets;
    for (const std::string& line : PacketHashes(path, map)) {
        std::istringstream in(line);
        std::string field;
        std::vector<std::string> fields;
        while (std::getline(in, field, ',')) fields.push_back(field.substr(field.find_first_not_of(' ')));
        if (fields.size() == 6) packets.push_back({std::stol(fields[1]), std::stoul(fields[4]), fields[5]});
    }
    return packets;
}

std::map<std::string, std::string> Probe(const std::string& path, const std::string& streamSpec) {
    std::map<std::string, std::string> fields;
    std::istringstream in(ProbeStream(path, streamSpec));
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

struct Stream {
    PAVISTREAM s = nullptr;
    Stream(const std::string& path, DWORD type) {
        EXPECT_EQ(AVIStreamOpenFromFileA(&s, path.c_str(), type, 0, OF_SHARE_DENY_NONE, nullptr), AVIERR_OK);
    }
    ~Stream() { AVIStreamRelease(s); }
    AVISTREAMINFOA Info() const {
        AVISTREAMINFOA info = {};
        EXPECT_EQ(AVIStreamInfoA(s, &info, sizeof info), AVIERR_OK);
        return info;
    }
    Bytes Format() const {
        LONG size = 0;
        EXPECT_EQ(AVIStreamReadFormat(s, 0, nullptr, &size), AVIERR_OK);
        Bytes format(static_cast<size_t>(size));
        EXPECT_EQ(AVIStreamReadFormat(s, 0, format.data(), &size), AVIERR_OK);
        return format;
    }
};

uint32_t U32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24; }
uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// Our frames, one read of one sample per position, the empty ones left out as ffmpeg leaves them.
std::vector<Packet> OurPackets(PAVISTREAM stream, const AVISTREAMINFOA& info) {
    std::vector<Packet> packets;
    Bytes frame;
    for (LONG pos = info.dwStart; pos < static_cast<LONG>(info.dwStart + info.dwLength); ++pos) {
        LONG bytes = 0, samples = 0;
        EXPECT_EQ(AVIStreamRead(stream, pos, 1, nullptr, 0, &bytes, &samples), AVIERR_OK);
        frame.resize(static_cast<size_t>(bytes));
        EXPECT_EQ(AVIStreamRead(stream, pos, 1, frame.data(), bytes, &bytes, &samples), AVIERR_OK);
        if (bytes > 0) packets.push_back({pos, static_cast<size_t>(bytes), Md5Hex(frame)});
    }
    return packets;
}

std::string CopiedPayloadMd5(PAVISTREAM stream, LONG fallback) {
    Md5 md5;
    std::string why;
    EXPECT_TRUE(CopyLoop(stream, fallback, [&](const CopiedChunk& w) { md5.Add(w.data.data(), w.data.size()); }, &why))
        << why;
    return md5.Hex();
}

// The frames with data that the copy's writes make, laid out by the agreed rule (the first chunk
// after the empties of its write, later ones before them), hashed as they come.
std::vector<Packet> CopiedPackets(PAVISTREAM stream) {
    std::vector<Packet> packets;
    bool seenData = false;
    std::string why;
    EXPECT_TRUE(CopyLoop(stream, 4096, [&](const CopiedChunk& w) {
        if (w.data.empty()) return;
        const long at = seenData ? w.pos : w.pos + w.samples - 1;
        packets.push_back({at, w.data.size(), Md5Hex(w.data)});
        seenData = true;
    }, &why)) << why;
    return packets;
}

// The video stream of an AVI file, read one frame at a time and copied as the merge copies it.
void CheckVideo(const std::string& path, bool oneByOne = true) {
    Stream video(path, streamtypeVIDEO);
    ASSERT_NE(video.s, nullptr);
    const AVISTREAMINFOA info = video.Info();
    const Bytes format = video.Format();
    ASSERT_GE(format.size(), 40u);
    auto probe = Probe(path, "v:0");
    EXPECT_EQ(std::to_string(U32(format, 4)), probe["width"]);
    // Bottom-up pictures have a negative height.
    EXPECT_EQ(std::to_string(std::abs(static_cast<int32_t>(U32(format, 8)))), probe["height"]);
    char tag[16];
    std::snprintf(tag, sizeof tag, "0x%08x", U32(format, 16));
    if (U32(format, 16) != 0) {
        EXPECT_EQ(tag, probe["codec_tag"]);
    }
    EXPECT_EQ(probe["r_frame_rate"], std::to_string(info.dwRate / info.dwScale) + "/1");

    const std::vector<Packet> theirs = FfmpegPackets(path, "0:v:0");
    ASSERT_FALSE(theirs.empty());
    EXPECT_EQ(theirs.back().pts + 1, static_cast<long>(info.dwStart + info.dwLength));
    if (oneByOne) {
        EXPECT_EQ(OurPackets(video.s, info), theirs);
    }
    EXPECT_EQ(CopiedPackets(video.s), theirs);
}

class FfmpegAvi : public ::testing::TestWithParam<std::pair<const char*, const char*>> {
protected:
    TempDir dir_;
};

TEST_P(FfmpegAvi, VideoPacketsAndAudioPayloadMatchFfmpeg) {
    const std::string path = dir_ / "source.avi";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=160x120:rate=25:duration=2 "
                       "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=2 " +
                       std::string(GetParam().second) + " -c:a pcm_s16le -ac 2 " + ShellQuote(path)));
    CheckVideo(path);

    Stream audio(path, streamtypeAUDIO);
    ASSERT_NE(audio.s, nullptr);
    const AVISTREAMINFOA info = audio.Info();
    auto probe = Probe(path, "a:0");
    EXPECT_EQ(info.dwSampleSize, U16(audio.Format(), 2) * std::stoul(probe["bits_per_sample"]) / 8);
    EXPECT_EQ(std::to_string(U32(audio.Format(), 4)), probe["sample_rate"]);
    EXPECT_EQ(CopiedPayloadMd5(audio.s, 4096), PayloadMd5(path, "0:a:0"));
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, FfmpegAvi,
    ::testing::Values(std::make_pair("mjpeg", "-c:v mjpeg"),
                      std::make_pair("mpeg4_bframes", "-c:v mpeg4 -bf 2 -g 12"),
                      std::make_pair("h264_bframes", "-c:v libx264 -bf 2 -g 12 -pix_fmt yuv420p"),
                      std::make_pair("rawvideo", "-c:v rawvideo -pix_fmt bgr24"),
                      std::make_pair("huffyuv", "-c:v huffyuv")),
    [](const auto& info) { return std::string(info.param.first); });

TEST(FfmpegDroppedFrames, EmptyFramesKeepTheirPlaces) {
    TempDir dir;
    const std::string path = dir / "dropped.avi";
    // Frames 3, 4, 8 and 12 dropped; ffmpeg writes empty chunks in their places.
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=64x48:rate=10:duration=2 "
                       "-vf \"select='not(eq(n,3)+eq(n,4)+eq(n,8)+eq(n,12))'\" -fps_mode passthrough "
                       "-c:v mjpeg " + ShellQuote(path)));
    const std::vector<Packet> theirs = FfmpegPackets(path, "0:v:0");
    ASSERT_GE(theirs.size(), 5u);
    ASSERT_EQ(theirs[3].pts, 5);  // the gap is there
    CheckVideo(path);
}

struct WaveCase {
    const char* name;
    const char* args;
};

class FfmpegWave : public ::testing::TestWithParam<WaveCase> {};

TEST_P(FfmpegWave, ParametersAndPayloadMatchFfmpeg) {
    TempDir dir;
    const std::string path = dir / "source.wav";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1.3 " + std::string(GetParam().args) +
                       " " + ShellQuote(path)));
    Stream audio(path, streamtypeAUDIO);
    ASSERT_NE(audio.s, nullptr);
    const AVISTREAMINFOA info = audio.Info();
    const Bytes format = audio.Format();
    auto probe = Probe(path, "a:0");
    // For WAVE_FORMAT_EXTENSIBLE ffprobe names the tag of the subformat.
    const bool extensible = U16(format, 0) == 0xFFFE && format.size() >= 40;
    char tag[16];
    std::snprintf(tag, sizeof tag, "0x%04x", extensible ? U16(format, 24) : U16(format, 0));
    EXPECT_EQ(tag, probe["codec_tag"]);
    EXPECT_EQ(std::to_string(U16(format, 2)), probe["channels"]);
    EXPECT_EQ(std::to_string(U32(format, 4)), probe["sample_rate"]);
    EXPECT_EQ(info.dwScale, U16(format, 12));
    if (probe["codec_name"].rfind("pcm_", 0) == 0) {
        EXPECT_EQ(info.dwScale, U16(format, 2) * std::stoul(probe["bits_per_sample"]) / 8);
    }
    EXPECT_EQ(info.dwSampleSize, info.dwScale);
    EXPECT_EQ(info.dwRate, U32(format, 8));
    EXPECT_EQ(info.dwStart, 0u);
    EXPECT_EQ(info.fccType, streamtypeAUDIO);
    EXPECT_GT(info.dwLength, 0u);
    // The copy takes the fallback count at every position: a WAVE file has no chunks of its own.
    EXPECT_EQ(CopiedPayloadMd5(audio.s, 4096), PayloadMd5(path, "0:a:0"));
    EXPECT_EQ(CopiedPayloadMd5(audio.s, 333), PayloadMd5(path, "0:a:0"));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FfmpegWave,
    ::testing::Values(WaveCase{"s16_stereo", "-c:a pcm_s16le -ac 2"}, WaveCase{"u8_mono", "-c:a pcm_u8 -ar 8000"},
                      WaveCase{"s24_6ch_extensible", "-c:a pcm_s24le -ac 6"},
                      WaveCase{"f32_stereo", "-c:a pcm_f32le -ac 2"},
                      WaveCase{"s32_4ch_extensible", "-c:a pcm_s32le -ac 4"},
                      WaveCase{"adpcm_ms", "-c:a adpcm_ms"}, WaveCase{"mulaw", "-c:a pcm_mulaw -ar 8000"},
                      WaveCase{"alaw", "-c:a pcm_alaw -ar 8000"}, WaveCase{"gsm_ms", "-c:a libgsm_ms -ar 8000"},
                      WaveCase{"rf64", "-c:a pcm_s16le -rf64 always"},
                      WaveCase{"metadata_before_data", "-c:a pcm_s16le -metadata title=t -write_bext 1"}),
    [](const auto& info) { return std::string(info.param.name); });

// Past 1 GiB ffmpeg goes on in RIFF 'AVIX' parts with OpenDML indexes; idx1 covers the first part.
TEST(FfmpegOpenDml, ExtendedFileIsReadWhole) {
    TempDir dir;
    const std::string path = dir / "big.avi";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=1280x720:rate=25 -f lavfi -i sine=sample_rate=48000 "
                       "-frames:v 400 -t 16 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le " + ShellQuote(path)));
    ASSERT_GT(std::filesystem::file_size(path), uintmax_t{1} << 30);
    CheckVideo(path, false);
    Stream audio(path, streamtypeAUDIO);
    EXPECT_EQ(CopiedPayloadMd5(audio.s, 4096), PayloadMd5(path, "0:a:0"));
}

}  // namespace
}  // namespace kavrin::test
