// Merges ffmpeg-made sources through our reader and writer, and checks the result with ffprobe:
// the streams' parameters, and every packet bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "media_fixtures.h"
#include "writer_support.h"

namespace kavrin::test {
namespace {

// The lines of ffprobe's stream description that must survive a stream copy.
std::string Keys(const std::string& probe, const std::vector<std::string>& keys) {
    std::istringstream in(probe);
    std::string kept;
    for (std::string line; std::getline(in, line);)
        for (const std::string& key : keys)
            if (line.rfind(key + "=", 0) == 0) kept += line + "\n";
    return kept;
}

const std::vector<std::string> kVideoKeys = {"codec_name", "codec_tag_string", "width", "height", "pix_fmt",
                                             "r_frame_rate", "has_b_frames", "nb_frames", "duration_ts"};
const std::vector<std::string> kAudioKeys = {"codec_name", "codec_tag_string", "sample_rate", "channels",
                                             "channel_layout", "bits_per_sample", "sample_fmt", "bit_rate"};

struct Streams {
    AVISTREAMINFOA info = {};
    std::vector<unsigned char> format;
};

Streams OpenThroughReader(const std::string& path, DWORD type) {
    Streams got;
    PAVISTREAM stream = nullptr;
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, path.c_str(), type, 0, OF_READ, nullptr), AVIERR_OK) << path;
    if (!stream) return got;
    AVIStreamInfoA(stream, &got.info, sizeof got.info);
    LONG size = 0;
    AVIStreamReadFormat(stream, 0, nullptr, &size);
    got.format.resize(static_cast<size_t>(size));
    AVIStreamReadFormat(stream, 0, got.format.data(), &size);
    AVIStreamRelease(stream);
    return got;
}

void ExpectSameStream(const std::string& source, const std::string& copy, DWORD type) {
    Streams a = OpenThroughReader(source, type), b = OpenThroughReader(copy, type);
    EXPECT_EQ(FourCCText(a.info.fccHandler), FourCCText(b.info.fccHandler));
    EXPECT_EQ(a.info.dwScale, b.info.dwScale);
    EXPECT_EQ(a.info.dwRate, b.info.dwRate);
    EXPECT_EQ(a.info.dwStart, b.info.dwStart);
    EXPECT_EQ(a.info.dwLength, b.info.dwLength);
    EXPECT_EQ(a.info.dwSampleSize, b.info.dwSampleSize);
    EXPECT_EQ(a.format, b.format);
}

std::vector<unsigned char> WaveData(const std::string& path) {
    std::vector<unsigned char> bytes = ReadBytes(path);
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | uint32_t(bytes[at + 7]) << 24;
        size_t end = std::min(bytes.size(), at + 8 + size);
        if (std::equal(bytes.begin() + at, bytes.begin() + at + 4, "data"))
            return std::vector<unsigned char>(bytes.begin() + at + 8, bytes.begin() + end);
        at = end + (size & 1);
    }
    return {};
}

// The payload of the audio chunks ('01wb') of our file, end to end.
std::vector<unsigned char> AudioChunks(const std::string& path) {
    std::vector<unsigned char> bytes = ReadBytes(path), audio;
    std::vector<RiffNode> riff = WalkRiff(path);
    for (const RiffNode& top : riff)
        if (const RiffNode* movi = top.Find("LIST", FourCC("movi")))
            for (const RiffNode& chunk : movi->children)
                if (chunk.id == FourCC("01wb"))
                    audio.insert(audio.end(), bytes.begin() + chunk.offset + 8,
                                 bytes.begin() + chunk.offset + 8 + chunk.size);
    return audio;
}

struct MergeCase {
    const char* name;
    const char* videoArgs;  // ffmpeg output options for the AVI source
    const char* audioArgs;  // ffmpeg output options for the WAVE source
    const char* videoChunk; // the id our file must give the video chunks
};

class WriterFfmpegMerge : public testing::TestWithParam<MergeCase> {};

TEST_P(WriterFfmpegMerge, StreamsAndEveryPacketSurvive) {
    const MergeCase& c = GetParam();
    TempDir dir;
    std::string avi = dir / "in.avi", wave = dir / "in.wav", out = dir / "out.avi";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=96x64:rate=25 -frames:v 40 " + std::string(c.videoArgs) + " " +
                       ShellQuote(avi)));
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1.7 " + std::string(c.audioArgs) +
                       " " + ShellQuote(wave)));

    ASSERT_EQ(MergeFiles(avi, wave, out), AVIERR_OK);

    EXPECT_EQ(Keys(ProbeStream(out, "v:0"), kVideoKeys), Keys(ProbeStream(avi, "v:0"), kVideoKeys));
    EXPECT_EQ(Keys(ProbeStream(out, "a:0"), kAudioKeys), Keys(ProbeStream(wave, "a:0"), kAudioKeys));
    std::vector<std::string> sourcePackets = PacketHashes(avi, "0:v");
    EXPECT_EQ(sourcePackets.size(), 40u);
    EXPECT_EQ(PacketHashes(out, "0:v"), sourcePackets);
    // The audio bytes: the WAVE's data in whole blocks, as the reader presents it, chunk after chunk.
    std::vector<unsigned char> waveData = WaveData(wave);
    ASSERT_FALSE(waveData.empty());
    Streams audio = OpenThroughReader(wave, streamtypeAUDIO);
    size_t blockAlign = audio.format.size() >= 14 ? (audio.format[12] | audio.format[13] << 8) : 1;
    bool wholeBlocks = waveData.size() % blockAlign == 0;
    waveData.resize(waveData.size() - waveData.size() % blockAlign);
    EXPECT_EQ(AudioChunks(out), waveData);
    // ffmpeg's view of the same payload, where no partial block is left out.
    if (wholeBlocks) {
        EXPECT_EQ(PayloadMd5(out, "0:a"), PayloadMd5(wave, "0:a"));
    }

    ExpectSameStream(avi, out, streamtypeVIDEO);
    ExpectSameStream(wave, out, streamtypeAUDIO);

    std::vector<RiffNode> riff = WalkRiff(out);
    ASSERT_EQ(riff.size(), 1u);
    const RiffNode* movi = riff[0].Find("LIST", FourCC("movi"));
    ASSERT_NE(movi, nullptr);
    ASSERT_FALSE(movi->children.empty());
    EXPECT_EQ(FourCCText(movi->children.front().id), c.videoChunk);
    EXPECT_EQ(FourCCText(movi->children.back().id), "01wb");
}

INSTANTIATE_TEST_SUITE_P(
    Sources, WriterFfmpegMerge,
    testing::Values(MergeCase{"mjpeg_mono16", "-c:v mjpeg", "-ac 1 -c:a pcm_s16le", "00dc"},
                    MergeCase{"mpeg4_bframes_stereo16", "-c:v mpeg4 -bf 2 -g 12", "-ac 2 -c:a pcm_s16le", "00dc"},
                    MergeCase{"rawvideo_stereo8", "-c:v rawvideo -pix_fmt bgr24", "-ac 2 -c:a pcm_u8", "00db"},
                    MergeCase{"mjpeg_stereo24_extensible", "-c:v mjpeg", "-ac 2 -c:a pcm_s24le", "00dc"},
                    MergeCase{"mjpeg_surround_extensible", "-c:v mjpeg", "-af aformat=channel_layouts=5.1 -c:a pcm_s16le", "00dc"},
                    MergeCase{"mjpeg_ima_adpcm", "-c:v mjpeg", "-ac 2 -c:a adpcm_ima_wav", "00dc"},
                    MergeCase{"mjpeg_mp3", "-c:v mjpeg", "-ac 2 -c:a libmp3lame -b:a 128k", "00dc"}),
    [](const testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kavrin::test
