// Dropped frames end to end: the merge's own stream copy reads a source with empty frames and the
// writer makes a new file; ffmpeg must find every frame of the source at the same place in it.
#include <gtest/gtest.h>

#include <algorithm>

#include "copy_stream.h"
#include "media_fixtures.h"
#include "reader_support.h"

namespace kavrin::test {
namespace {

// Copies the source's video stream into a new file with the merge's CopyStream; 1 on success.
int CopyVideo(const std::string& source, const std::string& target) {
    PAVISTREAM stream = nullptr;
    if (AVIStreamOpenFromFileA(&stream, source.c_str(), streamtypeVIDEO, 0, OF_SHARE_DENY_NONE, nullptr) != AVIERR_OK)
        return -1;
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, target.c_str(), OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) {
        AVIStreamRelease(stream);
        return -1;
    }
    const int copied = CopyStream(file, stream, 4096);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    return copied == 1 && AVIFileGetCloseResult() == AVIERR_OK ? 1 : 0;
}

TEST(MergeDroppedFrames, FfmpegCaptureWithGaps) {
    TempDir dir;
    const std::string source = dir / "gaps.avi", target = dir / "new.avi";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=64x48:rate=10:duration=3 "
                       "-vf \"select='not(eq(n,1)+eq(n,3)+eq(n,4)+eq(n,8)+eq(n,12)+eq(n,13)+eq(n,14))'\" "
                       "-fps_mode passthrough -c:v mjpeg " + ShellQuote(source)));
    ASSERT_EQ(CopyVideo(source, target), 1);
    const auto theirs = PacketHashes(source, "0:v:0");
    ASSERT_GT(theirs.size(), 10u);
    EXPECT_EQ(PacketHashes(target, "0:v:0"), theirs);
}

// Runs of empty frames at the start, right after the first frame, after later frames and at the end:
// ffmpeg does not write a leading run, so the sources are made by hand.
TEST(MergeDroppedFrames, RunsAnywhere) {
    for (const std::string pattern : {"EEDDEEEDDEDEE", "DEEDDEEEDE", "EDEE"}) {
        SCOPED_TRACE(pattern);
        TempDir dir;
        SyntheticAvi layout;
        SyntheticStream video;
        video.format = VideoFormat(32, 24, "KVRN");  // no codec: ffmpeg only copies
        for (size_t i = 0; i < pattern.size(); ++i)
            video.chunks.push_back(pattern[i] == 'E' ? Bytes() : Filled(200 + i, static_cast<unsigned char>(i)));
        layout.streams = {video};
        const std::string source = dir / "runs.avi", target = dir / "new.avi";
        WriteBytes(source, BuildAvi(layout));
        ASSERT_EQ(CopyVideo(source, target), 1);
        const auto theirs = PacketHashes(source, "0:v:0");
        ASSERT_EQ(theirs.size(), static_cast<size_t>(std::count(pattern.begin(), pattern.end(), 'D')));
        EXPECT_EQ(PacketHashes(target, "0:v:0"), theirs);

        PAVISTREAM copied = nullptr;
        ASSERT_EQ(AVIStreamOpenFromFileA(&copied, target.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
        EXPECT_EQ(AVIStreamLength(copied), static_cast<LONG>(pattern.size()));
        for (LONG pos = 0; pos < static_cast<LONG>(pattern.size()); ++pos) {
            LONG bytes = -1, samples = -1;
            ASSERT_EQ(AVIStreamRead(copied, pos, 1, nullptr, 0, &bytes, &samples), AVIERR_OK);
            EXPECT_EQ(bytes, static_cast<LONG>(video.chunks[pos].size())) << "frame " << pos;
        }
        AVIStreamRelease(copied);
    }
}

}  // namespace
}  // namespace kavrin::test
