#include "merge_job.h"

const char kNewAviFileMessage[] =
    "実行できませんでした。: New AVI File\nファイル名（拡張子を含める）を\n再度、確認後、実行してください";
const char kAviFileMessage[] =
    "実行できませんでした。: AVI File\nファイル名（拡張子を含める）を\n再度、確認後、実行してください";
const char kVideoCopyFailedMessage[] = "実行できませんでした。: Error 1";
const char kWaveFileMessage[] =
    "実行できませんでした。: WAVE File\nファイル名（拡張子を含める）を\n再度、確認後、実行してください";
const char kAudioCopyFailedMessage[] = "実行できませんでした。: Error 2";
const char kSuccessMessage[] = "ファイルの合成に成功しました";
const char kSuccessCaption[] = "確認";

int32_t EffectiveWaveBuffer(int32_t waveBuffer) { return waveBuffer <= 0 ? kDefaultWaveBuffer : waveBuffer; }

// The order of messages and releases below is the point of this function: on failure the message
// comes while the output file is still open, then the output file goes before the source stream;
// on success everything is closed and the media layer shut down before the message.
MergeOutcome RunMergeJob(const MergeSettings& settings, const MessageSink& show, CopyObserver* observer,
                         const MergeMedia& media) {
    // The dialog has already applied the rule; a caller that has not must not ask for 0 samples.
    const LONG chunk = EffectiveWaveBuffer(settings.waveBuffer);
    PAVIFILE output = nullptr;
    PAVISTREAM source = nullptr;

    // A failed job leaves what it wrote under the new name, except where that name is one of the
    // sources: the source stays, and the unfinished output is thrown away.
    auto releaseFailedOutput = [&] {
        if (media.AVIFileNamesSameFile(settings.newAviPath.c_str(), settings.aviPath.c_str()) ||
            media.AVIFileNamesSameFile(settings.newAviPath.c_str(), settings.wavePath.c_str()))
            media.AVIFileAbandon(output);
        media.AVIFileRelease(output);
    };
    // Every failure once the output is open: the message, the output, the source if one is open,
    // then the media layer.
    auto fail = [&](const char* message, MergeOutcome outcome, PAVISTREAM openSource) {
        show(message, nullptr);
        releaseFailedOutput();
        if (openSource) media.AVIStreamRelease(openSource);
        media.AVIFileExit();
        return outcome;
    };

    media.AVIFileInit();

    if (media.AVIFileOpenA(&output, settings.newAviPath.c_str(), OF_CREATE | OF_SHARE_DENY_NONE | OF_WRITE,
                           nullptr) != AVIERR_OK) {
        show(kNewAviFileMessage, nullptr);
        media.AVIFileExit();
        return MergeOutcome::NewFileRefused;
    }

    if (media.AVIStreamOpenFromFileA(&source, settings.aviPath.c_str(), streamtypeVIDEO, 0, OF_SHARE_DENY_NONE,
                                     nullptr) != AVIERR_OK)
        return fail(kAviFileMessage, MergeOutcome::NoVideoStream, nullptr);
    if (media.CopyStream(output, source, chunk, observer) == 0)
        return fail(kVideoCopyFailedMessage, MergeOutcome::VideoCopyFailed, source);
    media.AVIStreamRelease(source);
    source = nullptr;

    if (media.AVIStreamOpenFromFileA(&source, settings.wavePath.c_str(), streamtypeAUDIO, 0, OF_SHARE_DENY_NONE,
                                     nullptr) != AVIERR_OK)
        return fail(kWaveFileMessage, MergeOutcome::NoAudioStream, nullptr);
    if (media.CopyStream(output, source, chunk, observer) == 0)
        return fail(kAudioCopyFailedMessage, MergeOutcome::AudioCopyFailed, source);

    media.AVIStreamRelease(source);
    // The file is completed by this last release; only then can it be found unfinished (a full
    // disk, say). Such a file never takes its name, and the job must not claim success for it:
    // the audio copy wrote last, so its failure message stands.
    const ULONG holdsLeft = media.AVIFileRelease(output);
    const bool completed = holdsLeft == 0 && media.AVIFileGetCloseResult() == AVIERR_OK;
    media.AVIFileExit();
    if (!completed) {
        show(kAudioCopyFailedMessage, nullptr);
        return MergeOutcome::AudioCopyFailed;
    }
    show(kSuccessMessage, kSuccessCaption);
    return MergeOutcome::Success;
}
