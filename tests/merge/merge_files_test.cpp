// The merge job through the real media library on files that ffmpeg makes, checked with ffmpeg.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <map>
#include <memory>

#include "media_fixtures.h"
#include "merge_job.h"

namespace kavrin::test {
namespace {

struct Shown {
    std::string text;
    std::string caption;
};

struct JobRun {
    MergeOutcome outcome;
    std::vector<Shown> messages;
};

JobRun Merge(const std::string& avi, const std::string& wave, const std::string& target, int32_t buffer = 4096) {
    JobRun run;
    run.outcome = RunMergeJob({avi, wave, target, buffer}, [&](const char* text, const char* caption) {
        run.messages.push_back({text, caption ? caption : "(application name)"});
    });
    return run;
}

// The stream properties a player relies on, as ffprobe reports them.
std::string Properties(const std::string& path, const std::string& streamSpec) {
    std::string kept;
    std::istringstream in(ProbeStream(path, streamSpec));
    for (std::string line; std::getline(in, line);)
        for (const char* key : {"codec_name=", "codec_tag_string=", "width=", "height=", "pix_fmt=", "sample_rate=",
                                "channels=", "bits_per_sample=", "block_align=", "r_frame_rate="})
            if (line.rfind(key, 0) == 0) kept += line + "\n";
    return kept;
}

// Sources made once for the whole suite.
class MergeFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        const std::string video = "-f lavfi -i testsrc=size=160x120:rate=25 -t 2 ";
        const std::string tone = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2.3 ";
        ok_ = Ffmpeg(video + "-c:v mjpeg " + At("mjpeg.avi")) &&
              Ffmpeg(video + "-c:v mpeg4 -g 12 -bf 0 " + At("mpeg4.avi")) &&
              Ffmpeg(tone + "-ac 2 -c:a pcm_s16le " + At("stereo.wav")) &&
              Ffmpeg("-f lavfi -i sine=frequency=300:sample_rate=8000:duration=1.9 -c:a pcm_u8 " + At("u8.wav")) &&
              Ffmpeg(tone + "-c:a adpcm_ima_wav " + At("adpcm.wav")) &&
              // Video and audio in one AVI: good as either source.
              Ffmpeg(video + tone + "-c:v mjpeg -c:a pcm_s16le -shortest " + At("both.avi")) &&
              Ffmpeg(tone + "-c:a pcm_s16le " + At("audio-only.avi")) &&
              // Video with no frame to copy: every frame dropped.
              WriteEmptyFramesAvi(At("dropped.avi"), 25);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string At(const std::string& name) { return (*dir_) / name; }

    void SetUp() override {
        ASSERT_TRUE(ok_) << "could not make the sources";
        out_ = std::make_unique<TempDir>();
        for (const char* name : {"mjpeg.avi", "stereo.wav", "both.avi", "dropped.avi", "audio-only.avi"})
            before_[name] = ReadBytes(At(name));
    }
    void TearDown() override {
        for (const auto& [name, bytes] : before_) EXPECT_EQ(ReadBytes(At(name)), bytes) << name << " changed";
    }
    std::string Out(const std::string& name) const { return (*out_) / name; }

    static TempDir* dir_;
    static bool ok_;
    std::unique_ptr<TempDir> out_;
    std::map<std::string, std::vector<unsigned char>> before_;
};
TempDir* MergeFiles::dir_ = nullptr;
bool MergeFiles::ok_ = false;

TEST_F(MergeFiles, CopiesBothStreamsPacketForPacket) {
    const struct {
        const char* avi;
        const char* wave;
        int32_t buffer;
    } cases[] = {
        {"mjpeg.avi", "stereo.wav", 4096}, {"mpeg4.avi", "u8.wav", 4096}, {"mjpeg.avi", "adpcm.wav", 1},
        {"mpeg4.avi", "stereo.wav", 0},    {"both.avi", "both.avi", 333},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.avi) + " + " + c.wave + ", buffer " + std::to_string(c.buffer));
        const std::string target = Out("new.avi");
        JobRun run = Merge(At(c.avi), At(c.wave), target, c.buffer);
        EXPECT_EQ(run.outcome, MergeOutcome::Success);
        ASSERT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(run.messages[0].text, kSuccessMessage);
        EXPECT_EQ(run.messages[0].caption, kSuccessCaption);

        EXPECT_EQ(PacketHashes(target, "0:v:0"), PacketHashes(At(c.avi), "0:v:0"));
        EXPECT_EQ(PayloadMd5(target, "0:a:0"), PayloadMd5(At(c.wave), "0:a:0"));
        EXPECT_EQ(Properties(target, "v:0"), Properties(At(c.avi), "v:0"));
        EXPECT_EQ(Properties(target, "a:0"), Properties(At(c.wave), "a:0"));
        EXPECT_EQ(ProbeStream(target, "v:1") + ProbeStream(target, "a:1"), "") << "exactly one stream of each";
        EXPECT_EQ(FileNames(out_->path()), std::vector<std::string>{"new.avi"}) << "no temporary file left";
    }
}

TEST_F(MergeFiles, EachFailureWithRealFiles) {
    const struct {
        const char* name;
        std::string avi, wave, target;
        MergeOutcome outcome;
        const char* message;
    } cases[] = {
        {"output folder missing", At("mjpeg.avi"), At("stereo.wav"), Out("no/such/folder/new.avi"),
         MergeOutcome::NewFileRefused, kNewAviFileMessage},
        {"AVI without video", At("audio-only.avi"), At("stereo.wav"), Out("new.avi"), MergeOutcome::NoVideoStream,
         kAviFileMessage},
        {"AVI path missing", Out("missing.avi"), At("stereo.wav"), Out("new.avi"), MergeOutcome::NoVideoStream,
         kAviFileMessage},
        {"video copy fails", At("dropped.avi"), At("stereo.wav"), Out("new.avi"), MergeOutcome::VideoCopyFailed,
         kVideoCopyFailedMessage},
        {"WAVE path without audio", At("mjpeg.avi"), At("mjpeg.avi"), Out("new.avi"), MergeOutcome::NoAudioStream,
         kWaveFileMessage},
        {"WAVE path a folder", At("mjpeg.avi"), Out(""), Out("new.avi"), MergeOutcome::NoAudioStream,
         kWaveFileMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JobRun run = Merge(c.avi, c.wave, c.target);
        EXPECT_EQ(run.outcome, c.outcome);
        ASSERT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(run.messages[0].text, c.message);
        EXPECT_EQ(run.messages[0].caption, "(application name)");
        if (c.outcome == MergeOutcome::NoAudioStream) {  // the video stream is complete in the new file
            EXPECT_EQ(PacketHashes(c.target, "0:v:0"), PacketHashes(At("mjpeg.avi"), "0:v:0"));
        }
        if (c.outcome == MergeOutcome::NewFileRefused) {
            EXPECT_FALSE(FileExists(c.target));
        }
        std::filesystem::remove(Out("new.avi"));
    }
}

// A file that cannot be finished (the file size limit stands in for a full disk) is never reported
// as merged, and nothing takes the target's name.
TEST_F(MergeFiles, OutputThatCannotBeCompletedIsAFailureAndLeavesNothing) {
    const std::string probe = Out("probe.avi");
    ASSERT_EQ(Merge(At("mjpeg.avi"), At("stereo.wav"), probe).outcome, MergeOutcome::Success);
    const auto full = std::filesystem::file_size(probe);
    std::filesystem::remove(probe);
    const auto videoBytes = std::filesystem::file_size(At("mjpeg.avi"));

    // Past the video, short of the end: the writing fails while or after the audio is copied.
    for (rlim_t limit : {static_cast<rlim_t>(full - 100), static_cast<rlim_t>(videoBytes + 20000)}) {
        SCOPED_TRACE("limit " + std::to_string(limit) + " of " + std::to_string(full));
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        JobRun run = Merge(At("mjpeg.avi"), At("stereo.wav"), Out("new.avi"));
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);

        EXPECT_EQ(run.outcome, MergeOutcome::AudioCopyFailed);
        ASSERT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(run.messages[0].text, kAudioCopyFailedMessage);
        EXPECT_EQ(FileNames(out_->path()), std::vector<std::string>{}) << "no broken file, no temporary file";
    }
}

// The output may name a source: the source is read whole before the new file takes its name.
TEST_F(MergeFiles, OutputNamingASourceReplacesItOnlyWhenDone) {
    for (const char* which : {"video", "audio"}) {
        SCOPED_TRACE(std::string("output is the ") + which + " source");
        const std::string avi = Out("v.avi"), wave = Out("a.wav");
        std::filesystem::copy_file(At("mpeg4.avi"), avi);
        std::filesystem::copy_file(At("stereo.wav"), wave);
        const std::string target = std::string(which) == "video" ? avi : wave;

        JobRun run = Merge(avi, wave, target);
        EXPECT_EQ(run.outcome, MergeOutcome::Success);
        EXPECT_EQ(PacketHashes(target, "0:v:0"), PacketHashes(At("mpeg4.avi"), "0:v:0"));
        EXPECT_EQ(PayloadMd5(target, "0:a:0"), PayloadMd5(At("stereo.wav"), "0:a:0"));
        std::filesystem::remove(avi);
        std::filesystem::remove(wave);
        EXPECT_EQ(FileNames(out_->path()), std::vector<std::string>{});
    }
}

TEST_F(MergeFiles, FailedJobNeverReplacesTheSourceItsOutputNames) {
    // Each job fails after the output was opened; the source the output names must survive whole.
    const struct {
        const char* what;
        const char* avi;
        const char* wave;
        bool outputIsVideoSource;
        MergeOutcome outcome;
    } cases[] = {
        {"no video stream", "audio-only.avi", "stereo.wav", true, MergeOutcome::NoVideoStream},
        {"video copy fails", "dropped.avi", "stereo.wav", true, MergeOutcome::VideoCopyFailed},
        {"no audio stream", "mjpeg.avi", "mjpeg.avi", false, MergeOutcome::NoAudioStream},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string avi = Out("v.avi"), wave = Out("a.wav");
        std::filesystem::copy_file(At(c.avi), avi);
        std::filesystem::copy_file(At(c.wave), wave);
        const std::string target = c.outputIsVideoSource ? avi : wave;
        const std::vector<unsigned char> before = ReadBytes(target);

        JobRun run = Merge(avi, wave, target);
        EXPECT_EQ(run.outcome, c.outcome);
        EXPECT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(ReadBytes(target), before) << "the source named as output was replaced";
        EXPECT_EQ(FileNames(out_->path()), (std::vector<std::string>{"a.wav", "v.avi"}));
        std::filesystem::remove(avi);
        std::filesystem::remove(wave);
    }
}

TEST_F(MergeFiles, FailedJobKeepsWhatItWroteUnderANewName) {
    // Elsewhere a failure deletes nothing: the new file keeps the complete video stream.
    const std::string target = Out("new.avi");
    JobRun run = Merge(At("mjpeg.avi"), At("mjpeg.avi"), target);
    EXPECT_EQ(run.outcome, MergeOutcome::NoAudioStream);
    EXPECT_EQ(PacketHashes(target, "0:v:0"), PacketHashes(At("mjpeg.avi"), "0:v:0"));
}

}  // namespace
}  // namespace kavrin::test
