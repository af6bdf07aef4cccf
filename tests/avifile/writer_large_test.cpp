// Files past 1 GiB and past 4 GiB (OpenDML), written through the API from synthetic rawvideo frames
// and PCM audio in the merge's order (all video, then the audio stream created and written), then
// read back by ffprobe, frame by frame, and by our own reader.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "media_fixtures.h"
#include "writer_support.h"

namespace kavrin::test {
namespace {

struct LargeCase {
    const char* name;
    int width, height;
    int frames;
    int64_t atLeast;  // bytes the file must pass
};

AVISTREAMINFOA VideoHeader(int width, int height) {
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = 25;
    info.rcFrame = {0, 0, width, height};
    return info;
}

std::vector<unsigned char> BitmapFormat(int width, int height) {
    std::vector<unsigned char> format(40, 0);
    auto put = [&](size_t at, uint32_t v) { std::memcpy(&format[at], &v, 4); };
    put(0, 40), put(4, width), put(8, height), put(12, 1 | 24 << 16), put(20, width * height * 3);
    return format;
}

std::vector<unsigned char> PcmFormat() {  // 44.1 kHz 16-bit stereo
    return {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
}

class WriterLargeFile : public testing::TestWithParam<LargeCase> {};

TEST_P(WriterLargeFile, OpenDmlFileReadWithEveryFrame) {
    const LargeCase& c = GetParam();
    TempDir dir;
    std::string out = dir / "large.avi";
    const size_t frameBytes = static_cast<size_t>(c.width) * c.height * 3;
    const LONG audioChunk = 4096, audioChunks = c.frames * 44100 / 25 / audioChunk;

    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, out.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM video = nullptr, audio = nullptr;
    AVISTREAMINFOA videoInfo = VideoHeader(c.width, c.height);
    ASSERT_EQ(AVIFileCreateStreamA(file, &video, &videoInfo), AVIERR_OK);
    std::vector<unsigned char> format = BitmapFormat(c.width, c.height);
    ASSERT_EQ(AVIStreamSetFormat(video, 0, format.data(), static_cast<LONG>(format.size())), AVIERR_OK);
    std::vector<unsigned char> frame(frameBytes);  // each: its number, zeros, its number % 251
    for (int i = 0; i < c.frames; ++i) {
        std::memcpy(frame.data(), &i, sizeof i);
        frame[frameBytes - 1] = static_cast<unsigned char>(i % 251);
        ASSERT_EQ(AVIStreamWrite(video, i, 1, frame.data(), static_cast<LONG>(frameBytes), AVIIF_KEYFRAME, nullptr,
                                 nullptr),
                  AVIERR_OK);
    }
    AVIStreamRelease(video);
    AVISTREAMINFOA audioInfo = {};
    audioInfo.fccType = streamtypeAUDIO;
    audioInfo.dwScale = 4, audioInfo.dwRate = 44100 * 4, audioInfo.dwSampleSize = 4;
    ASSERT_EQ(AVIFileCreateStreamA(file, &audio, &audioInfo), AVIERR_OK);
    format = PcmFormat();
    ASSERT_EQ(AVIStreamSetFormat(audio, 0, format.data(), static_cast<LONG>(format.size())), AVIERR_OK);
    std::vector<unsigned char> samples(audioChunk * 4, 7);
    for (LONG i = 0; i < audioChunks; ++i)
        ASSERT_EQ(AVIStreamWrite(audio, i * audioChunk, audioChunk, samples.data(), audioChunk * 4, AVIIF_KEYFRAME,
                                 nullptr, nullptr),
                  AVIERR_OK);
    AVIStreamRelease(audio);
    AVIFileRelease(file);
    ASSERT_EQ(AVIFileGetCloseResult(), AVIERR_OK);
    EXPECT_GT(static_cast<int64_t>(std::filesystem::file_size(out)), c.atLeast);

    // The OpenDML structure: AVIX extensions, super indexes, standard indexes, dmlh, idx1 in the first RIFF.
    std::vector<RiffNode> riff = WalkRiff(out);
    ASSERT_GE(riff.size(), 2u);
    EXPECT_EQ(FourCCText(riff[0].type), "AVI ");
    EXPECT_NE(riff[0].Find("idx1"), nullptr);
    for (size_t i = 1; i < riff.size(); ++i) {
        EXPECT_EQ(FourCCText(riff[i].type), "AVIX");
        EXPECT_EQ(riff[i].Find("idx1"), nullptr);
        EXPECT_LE(riff[i].size, uint32_t(1) << 31);
    }
    const RiffNode* hdrl = riff[0].Find("LIST", FourCC("hdrl"));
    ASSERT_NE(hdrl, nullptr);
    const RiffNode* dmlh = hdrl->Find("LIST", FourCC("odml")) ? hdrl->Find("LIST", FourCC("odml"))->Find("dmlh")
                                                              : nullptr;
    ASSERT_NE(dmlh, nullptr);
    EXPECT_EQ(dmlh->U32(0), static_cast<uint32_t>(c.frames));
    uint32_t firstRiffFrames = 0;
    for (const RiffNode& chunk : riff[0].Find("LIST", FourCC("movi"))->children)
        firstRiffFrames += chunk.id == FourCC("00db");
    EXPECT_EQ(hdrl->Find("avih")->U32(16), firstRiffFrames);
    size_t indexed = 0;
    for (const RiffNode* strl : hdrl->All("LIST")) {
        if (strl->type != FourCC("strl")) continue;
        const RiffNode* indx = strl->Find("indx");
        ASSERT_NE(indx, nullptr);
        for (uint32_t e = 0; e < indx->U32(4); ++e) {  // every entry names an ix## chunk
            uint64_t at = indx->U64(24 + 16 * e);
            bool found = false;
            for (const RiffNode& top : riff)
                for (const RiffNode& chunk : top.Find("LIST", FourCC("movi"))->children)
                    found = found || (static_cast<uint64_t>(chunk.offset) == at && (chunk.id & 0xFFFF) == ('i' | 'x' << 8));
            EXPECT_TRUE(found) << "super index entry " << e << " at " << at;
            ++indexed;
        }
    }
    EXPECT_GE(indexed, riff.size());

    // ffprobe reads every frame and every audio packet, in order.
    CommandResult probe = RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=pts,size -of csv=p=0 " +
                                     ShellQuote(out));
    std::istringstream lines(probe.output);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        if (line != std::to_string(count) + "," + std::to_string(frameBytes)) {
            ADD_FAILURE() << "packet " << count << ": " << line;
            break;
        }
    EXPECT_EQ(count, c.frames);
    CommandResult audioBytes = RunCommand("ffprobe -v error -select_streams a:0 -show_entries packet=size -of csv=p=0 " +
                                          ShellQuote(out) + " | awk '{s+=$1} END {print s}'");
    EXPECT_EQ(audioBytes.output, std::to_string(int64_t(audioChunks) * audioChunk * 4) + "\n");

    // Our reader finds the same, and the last frame's data where it belongs.
    PAVISTREAM back = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&back, out.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    EXPECT_EQ(AVIStreamLength(back), c.frames);
    LONG bytes = 0, got = 0;
    std::vector<unsigned char> last(frameBytes);
    EXPECT_EQ(AVIStreamRead(back, c.frames - 1, 1, last.data(), static_cast<LONG>(frameBytes), &bytes, &got), AVIERR_OK);
    int index = -1;
    std::memcpy(&index, last.data(), sizeof index);
    EXPECT_EQ(index, c.frames - 1);
    EXPECT_EQ(last[frameBytes - 1], (c.frames - 1) % 251);
    AVIStreamRelease(back);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WriterLargeFile,
                         testing::Values(LargeCase{"past_1GiB", 320, 240, 5600, int64_t(1) << 30},
                                         LargeCase{"past_4GiB", 1280, 720, 1600, int64_t(1) << 32}),
                         [](const testing::TestParamInfo<LargeCase>& info) { return std::string(info.param.name); });

// Many small chunks: a RIFF also ends when its index is full, which keeps the index in memory small.
TEST(WriterManyChunks, RiffEndsWhenItsIndexIsFull) {
    TempDir dir;
    std::string out = dir / "many.avi";
    const LONG frames = 600000;
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, out.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM video = nullptr;
    AVISTREAMINFOA info = VideoHeader(2, 1);
    ASSERT_EQ(AVIFileCreateStreamA(file, &video, &info), AVIERR_OK);
    std::vector<unsigned char> format = BitmapFormat(2, 1);
    ASSERT_EQ(AVIStreamSetFormat(video, 0, format.data(), 40), AVIERR_OK);
    unsigned char pixel[6] = {};
    for (LONG i = 0; i < frames; ++i) {
        std::memcpy(pixel, &i, sizeof i);
        ASSERT_EQ(AVIStreamWrite(video, i, 1, pixel, 6, AVIIF_KEYFRAME, nullptr, nullptr), AVIERR_OK);
    }
    AVIStreamRelease(video);
    AVIFileRelease(file);
    ASSERT_EQ(AVIFileGetCloseResult(), AVIERR_OK);

    std::vector<RiffNode> riff = WalkRiff(out);
    ASSERT_EQ(riff.size(), 2u);
    EXPECT_EQ(riff[0].Find("idx1")->size, 16u * 512 * 1024);
    CommandResult count = RunCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                     "stream=nb_read_packets -of csv=p=0 " + ShellQuote(out));
    EXPECT_EQ(count.output, std::to_string(frames) + "\n");
    PAVISTREAM back = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&back, out.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    EXPECT_EQ(AVIStreamLength(back), frames);
    LONG bytes = 0, got = 0, index = -1;
    EXPECT_EQ(AVIStreamRead(back, frames - 1, 1, pixel, 6, &bytes, &got), AVIERR_OK);
    std::memcpy(&index, pixel, sizeof index);
    EXPECT_EQ(index, frames - 1);
    AVIStreamRelease(back);
}

}  // namespace
}  // namespace kavrin::test
