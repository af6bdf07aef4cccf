// One merge: a new AVI file from the first video stream of one file and the first audio stream of
// another, with exactly one outcome message. Portable: the caller supplies the way to show it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "avifile.h"
#include "copy_stream.h"

// The four values the user edits and the job consumes. Paths are ANSI bytes, handed on unchanged.
struct MergeSettings {
    std::string aviPath;     // source of the video stream
    std::string wavePath;    // source of the audio stream
    std::string newAviPath;  // the file to create
    int32_t waveBuffer = 0;  // samples per chunk where the media layer offers none; 0 or below: 4096
};

constexpr int32_t kDefaultWaveBuffer = 4096;

// The wave buffer size a job uses: the value itself, or 4096 when it is 0 or below.
int32_t EffectiveWaveBuffer(int32_t waveBuffer);

// The outcome texts, in the program's ANSI code page (932 in the Windows build, UTF-8 natively).
extern const char kNewAviFileMessage[];
extern const char kAviFileMessage[];
extern const char kVideoCopyFailedMessage[];  // "...: Error 1"
extern const char kWaveFileMessage[];
extern const char kAudioCopyFailedMessage[];  // "...: Error 2"
extern const char kSuccessMessage[];
extern const char kSuccessCaption[];

enum class MergeOutcome {
    NewFileRefused,
    NoVideoStream,
    VideoCopyFailed,
    NoAudioStream,
    AudioCopyFailed,
    Success,
};

// Shows one message box: caption NULL means the application name. The owner is the sink's business.
using MessageSink = std::function<void(const char* text, const char* caption)>;

// The media calls of a job. Each defaults to the real one; tests put recording fakes in their place.
struct MergeMedia {
    void (*AVIFileInit)() = ::AVIFileInit;
    void (*AVIFileExit)() = ::AVIFileExit;
    HRESULT (*AVIFileOpenA)(PAVIFILE*, LPCSTR, UINT, const CLSID*) = ::AVIFileOpenA;
    HRESULT (*AVIStreamOpenFromFileA)(PAVISTREAM*, LPCSTR, DWORD, LONG, UINT, const CLSID*) =
        ::AVIStreamOpenFromFileA;
    ULONG (*AVIStreamRelease)(PAVISTREAM) = ::AVIStreamRelease;
    ULONG (*AVIFileRelease)(PAVIFILE) = ::AVIFileRelease;
    HRESULT (*AVIFileGetCloseResult)() = ::AVIFileGetCloseResult;
    int (*CopyStream)(PAVIFILE, PAVISTREAM, LONG, CopyObserver*) = ::CopyStream;
    BOOL (*AVIFileNamesSameFile)(LPCSTR, LPCSTR) = ::AVIFileNamesSameFile;
    HRESULT (*AVIFileAbandon)(PAVIFILE) = ::AVIFileAbandon;
};

// Runs one merge with the given settings, shows its one outcome message through `show` and returns
// the outcome. `observer` (may be NULL) hears of every chunk of both copies.
MergeOutcome RunMergeJob(const MergeSettings& settings, const MessageSink& show, CopyObserver* observer = nullptr,
                         const MergeMedia& media = MergeMedia());
