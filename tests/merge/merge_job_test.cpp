// The merge job against a recording media layer: for every outcome, the calls, the one message and
// the releases in their exact order.
#include "merge_job.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// What the fake media layer answers, and everything it was asked, in order.
struct Script {
    HRESULT newFile = AVIERR_OK;
    HRESULT videoOpen = AVIERR_OK;
    int videoCopy = 1;
    HRESULT audioOpen = AVIERR_OK;
    int audioCopy = 1;
    ULONG holdsLeftOnOutput = 0;
    HRESULT closeResult = AVIERR_OK;
    std::vector<std::string> calls;
    CopyObserver* observerSeen = nullptr;
};
Script* script = nullptr;

int outputTag, videoTag, audioTag;
PAVIFILE const kOutput = reinterpret_cast<PAVIFILE>(&outputTag);
PAVISTREAM const kVideo = reinterpret_cast<PAVISTREAM>(&videoTag);
PAVISTREAM const kAudio = reinterpret_cast<PAVISTREAM>(&audioTag);

std::string Name(const void* handle) {
    return handle == kOutput ? "output" : handle == kVideo ? "video" : handle == kAudio ? "audio" : "?";
}
std::string Hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", value);
    return text;
}

MergeMedia RecordingMedia() {
    MergeMedia media;
    media.AVIFileInit = [] { script->calls.push_back("AVIFileInit"); };
    media.AVIFileExit = [] { script->calls.push_back("AVIFileExit"); };
    media.AVIFileOpenA = [](PAVIFILE* file, LPCSTR path, UINT mode, const CLSID* handler) {
        script->calls.push_back(std::string("AVIFileOpenA ") + path + " " + Hex(mode) + (handler ? " handler" : ""));
        *file = script->newFile == AVIERR_OK ? kOutput : nullptr;
        return script->newFile;
    };
    media.AVIStreamOpenFromFileA = [](PAVISTREAM* stream, LPCSTR path, DWORD type, LONG index, UINT mode,
                                      const CLSID* handler) {
        const bool video = type == streamtypeVIDEO;
        script->calls.push_back(std::string("AVIStreamOpenFromFileA ") + path + (video ? " vids " : " auds ") +
                                std::to_string(index) + " " + Hex(mode) + (handler ? " handler" : ""));
        HRESULT result = video ? script->videoOpen : script->audioOpen;
        *stream = result == AVIERR_OK ? (video ? kVideo : kAudio) : nullptr;
        return result;
    };
    media.AVIStreamRelease = [](PAVISTREAM stream) -> ULONG {
        script->calls.push_back("AVIStreamRelease " + Name(stream));
        return 0;
    };
    media.AVIFileRelease = [](PAVIFILE file) {
        script->calls.push_back("AVIFileRelease " + Name(file));
        return script->holdsLeftOnOutput;
    };
    media.AVIFileGetCloseResult = [] { return script->closeResult; };
    media.CopyStream = [](PAVIFILE file, PAVISTREAM source, LONG chunk, CopyObserver* observer) {
        script->calls.push_back("CopyStream " + Name(file) + " " + Name(source) + " " + std::to_string(chunk));
        script->observerSeen = observer;
        return source == kVideo ? script->videoCopy : script->audioCopy;
    };
    return media;
}

MessageSink RecordingSink() {
    return [](const char* text, const char* caption) {
        script->calls.push_back(std::string("Message ") + text + " | " + (caption ? caption : "(application name)"));
    };
}

std::string Message(const char* text, const char* caption = nullptr) {
    return std::string("Message ") + text + " | " + (caption ? caption : "(application name)");
}

const MergeSettings kSettings = {"in.avi", "in.wav", "new.avi", 4096};
const std::string kOpenNew = "AVIFileOpenA new.avi 0x1041";
const std::string kOpenVideo = "AVIStreamOpenFromFileA in.avi vids 0 0x40";
const std::string kOpenAudio = "AVIStreamOpenFromFileA in.wav auds 0 0x40";
const std::string kCopyVideo = "CopyStream output video 4096";
const std::string kCopyAudio = "CopyStream output audio 4096";

struct JobCase {
    const char* name;
    void (*setUp)(Script&);
    MergeOutcome outcome;
    std::vector<std::string> calls;
};

class MergeJobCase : public ::testing::TestWithParam<JobCase> {};

TEST_P(MergeJobCase, CallsMessageAndReleasesInOrder) {
    const JobCase& c = GetParam();
    Script s;
    c.setUp(s);
    script = &s;
    EXPECT_EQ(RunMergeJob(kSettings, RecordingSink(), nullptr, RecordingMedia()), c.outcome);
    script = nullptr;
    EXPECT_EQ(s.calls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, MergeJobCase,
    ::testing::Values(
        JobCase{"NewFileRefused", [](Script& s) { s.newFile = AVIERR_FILEOPEN; }, MergeOutcome::NewFileRefused,
                {"AVIFileInit", kOpenNew, Message(kNewAviFileMessage), "AVIFileExit"}},
        JobCase{"NoVideoStream", [](Script& s) { s.videoOpen = AVIERR_NODATA; }, MergeOutcome::NoVideoStream,
                {"AVIFileInit", kOpenNew, kOpenVideo, Message(kAviFileMessage), "AVIFileRelease output",
                 "AVIFileExit"}},
        JobCase{"VideoCopyFailed", [](Script& s) { s.videoCopy = 0; }, MergeOutcome::VideoCopyFailed,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, Message(kVideoCopyFailedMessage),
                 "AVIFileRelease output", "AVIStreamRelease video", "AVIFileExit"}},
        JobCase{"NoAudioStream", [](Script& s) { s.audioOpen = AVIERR_FILEOPEN; }, MergeOutcome::NoAudioStream,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, "AVIStreamRelease video", kOpenAudio,
                 Message(kWaveFileMessage), "AVIFileRelease output", "AVIFileExit"}},
        JobCase{"AudioCopyFailed", [](Script& s) { s.audioCopy = 0; }, MergeOutcome::AudioCopyFailed,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, "AVIStreamRelease video", kOpenAudio, kCopyAudio,
                 Message(kAudioCopyFailedMessage), "AVIFileRelease output", "AVIStreamRelease audio",
                 "AVIFileExit"}},
        JobCase{"Success", [](Script&) {}, MergeOutcome::Success,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, "AVIStreamRelease video", kOpenAudio, kCopyAudio,
                 "AVIStreamRelease audio", "AVIFileRelease output", "AVIFileExit",
                 Message(kSuccessMessage, kSuccessCaption)}},
        // A positive code is a failure as much as an AVIERR_* one.
        JobCase{"PositiveCodeRefusesNewFile", [](Script& s) { s.newFile = 1; }, MergeOutcome::NewFileRefused,
                {"AVIFileInit", kOpenNew, Message(kNewAviFileMessage), "AVIFileExit"}},
        JobCase{"PositiveCodeMeansNoAudio", [](Script& s) { s.audioOpen = 2; }, MergeOutcome::NoAudioStream,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, "AVIStreamRelease video", kOpenAudio,
                 Message(kWaveFileMessage), "AVIFileRelease output", "AVIFileExit"}},
        // Any non-zero copy result is success.
        JobCase{"CopyResultOtherThanOneIsSuccess",
                [](Script& s) {
                    s.videoCopy = 2;
                    s.audioCopy = -1;
                },
                MergeOutcome::Success,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, "AVIStreamRelease video", kOpenAudio, kCopyAudio,
                 "AVIStreamRelease audio", "AVIFileRelease output", "AVIFileExit",
                 Message(kSuccessMessage, kSuccessCaption)}},
        // The output could not be completed by its last release (a full disk): never success.
        JobCase{"OutputNotCompletedIsAudioFailure", [](Script& s) { s.closeResult = AVIERR_FILEWRITE; },
                MergeOutcome::AudioCopyFailed,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, "AVIStreamRelease video", kOpenAudio, kCopyAudio,
                 "AVIStreamRelease audio", "AVIFileRelease output", "AVIFileExit",
                 Message(kAudioCopyFailedMessage)}},
        JobCase{"OutputStillHeldIsNotCompleted", [](Script& s) { s.holdsLeftOnOutput = 1; },
                MergeOutcome::AudioCopyFailed,
                {"AVIFileInit", kOpenNew, kOpenVideo, kCopyVideo, "AVIStreamRelease video", kOpenAudio, kCopyAudio,
                 "AVIStreamRelease audio", "AVIFileRelease output", "AVIFileExit",
                 Message(kAudioCopyFailedMessage)}}),
    [](const ::testing::TestParamInfo<JobCase>& info) { return std::string(info.param.name); });

TEST(MergeJob, WaveBufferIsTheFallbackOfBothCopiesAndZeroOrBelowMeans4096) {
    const struct {
        int32_t given;
        LONG used;
    } cases[] = {{7, 7}, {INT32_MAX, INT32_MAX}, {0, 4096}, {-1, 4096}, {INT32_MIN, 4096}};
    for (const auto& c : cases) {
        Script s;
        script = &s;
        MergeSettings settings = kSettings;
        settings.waveBuffer = c.given;
        RunMergeJob(settings, RecordingSink(), nullptr, RecordingMedia());
        script = nullptr;
        const std::string chunk = " " + std::to_string(c.used);
        EXPECT_EQ(s.calls[3], "CopyStream output video" + chunk) << "given " << c.given;
        EXPECT_EQ(s.calls[6], "CopyStream output audio" + chunk) << "given " << c.given;
        EXPECT_EQ(EffectiveWaveBuffer(c.given), c.used);
    }
}

TEST(MergeJob, PathsGoToTheMediaLayerAsTheyAreAndTheObserverToBothCopies) {
    struct : CopyObserver {
        void OnChunkWritten(LONG, LONG) override {}
    } observer;
    Script s;
    script = &s;
    // Code page 932 bytes, one with 0x5C as its second byte, must not be touched.
    const MergeSettings settings = {"\x83\x5C.avi", "", "dir\\\x95\x5C.avi", 4096};
    RunMergeJob(settings, RecordingSink(), &observer, RecordingMedia());
    script = nullptr;
    EXPECT_EQ(s.calls[1], "AVIFileOpenA dir\\\x95\x5C.avi 0x1041");
    EXPECT_EQ(s.calls[2], "AVIStreamOpenFromFileA \x83\x5C.avi vids 0 0x40");
    EXPECT_EQ(s.calls[5], "AVIStreamOpenFromFileA  auds 0 0x40") << "an empty path is the media layer's to judge";
    EXPECT_EQ(s.observerSeen, &observer);
}

// The texts as the user reads them; in the Windows build they are code page 932 bytes.
TEST(MergeJob, OutcomeTexts) {
    EXPECT_STREQ(kNewAviFileMessage,
                 "実行できませんでした。: New AVI File\nファイル名（拡張子を含める）を\n再度、確認後、実行してください");
    EXPECT_STREQ(kAviFileMessage,
                 "実行できませんでした。: AVI File\nファイル名（拡張子を含める）を\n再度、確認後、実行してください");
    EXPECT_STREQ(kWaveFileMessage,
                 "実行できませんでした。: WAVE File\nファイル名（拡張子を含める）を\n再度、確認後、実行してください");
    EXPECT_STREQ(kVideoCopyFailedMessage, "実行できませんでした。: Error 1");
    EXPECT_STREQ(kAudioCopyFailedMessage, "実行できませんでした。: Error 2");
    EXPECT_STREQ(kSuccessMessage, "ファイルの合成に成功しました");
#ifdef _WIN32
    EXPECT_STREQ(kSuccessCaption, "\x8A\x6D\x94\x46");
#else
    EXPECT_STREQ(kSuccessCaption, "\xE7\xA2\xBA\xE8\xAA\x8D");
#endif
}

}  // namespace
