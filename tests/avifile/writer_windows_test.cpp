// A file written by our writer, read back through the system's own avifil32 (Wine's under Wine):
// an independent reader of the streams, their headers, formats and data.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "avifile.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The few calls of the system DLL, declared here: its header is not ours to include.
using InitFn = void(WINAPI*)();
using OpenFn = HRESULT(WINAPI*)(void** stream, LPCSTR path, DWORD type, LONG index, UINT mode, const CLSID* handler);
using InfoFn = HRESULT(WINAPI*)(void* stream, AVISTREAMINFOA* info, LONG size);
using ReadFormatFn = HRESULT(WINAPI*)(void* stream, LONG pos, LPVOID format, LONG* size);
using ReadFn = HRESULT(WINAPI*)(void* stream, LONG start, LONG samples, LPVOID buffer, LONG size, LONG* bytes,
                               LONG* samplesRead);
using ReleaseFn = ULONG(WINAPI*)(void* stream);

struct SystemAvi {
    HMODULE dll = LoadLibraryA("avifil32.dll");
    InitFn init = nullptr, exit = nullptr;
    OpenFn open = nullptr;
    InfoFn info = nullptr;
    ReadFormatFn readFormat = nullptr;
    ReadFn read = nullptr;
    ReleaseFn release = nullptr;

    template <typename T>
    void Get(T& fn, const char* name) {
        fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    }
    SystemAvi() {
        if (!dll) return;
        Get(init, "AVIFileInit"), Get(exit, "AVIFileExit"), Get(open, "AVIStreamOpenFromFileA");
        Get(info, "AVIStreamInfoA"), Get(readFormat, "AVIStreamReadFormat"), Get(read, "AVIStreamRead");
        Get(release, "AVIStreamRelease");
        if (init) init();
    }
    ~SystemAvi() {
        if (exit) exit();
        if (dll) FreeLibrary(dll);
    }
    bool ok() const { return init && exit && open && info && readFormat && read && release; }
};

Bytes Frame(size_t size, int index) {
    Bytes frame(size);
    for (size_t i = 0; i < size; ++i) frame[i] = static_cast<unsigned char>(index * 31 + i);
    return frame;
}

std::string TempPath(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

constexpr int kFrames = 12;
constexpr LONG kAudioChunk = 1000, kAudioChunks = 5;

// Our file: MJPG-tagged video (sizes vary, some odd), then 16-bit mono PCM, in the merge's order.
void WriteOurFile(const std::string& path, Bytes& videoFormat, Bytes& audioFormat) {
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    AVISTREAMINFOA video = {};
    video.fccType = streamtypeVIDEO;
    video.fccHandler = mmioFOURCC('M', 'J', 'P', 'G');
    video.dwScale = 1001, video.dwRate = 30000;
    video.rcFrame = {0, 0, 64, 48};
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileCreateStreamA(file, &stream, &video), AVIERR_OK);
    videoFormat.assign(40, 0);
    LONG width = 64, height = 48;
    DWORD compression = video.fccHandler;
    std::memcpy(&videoFormat[0], "\x28\0\0\0", 4);
    std::memcpy(&videoFormat[4], &width, 4), std::memcpy(&videoFormat[8], &height, 4);
    videoFormat[12] = 1, videoFormat[14] = 24;
    std::memcpy(&videoFormat[16], &compression, 4);
    ASSERT_EQ(AVIStreamSetFormat(stream, 0, videoFormat.data(), 40), AVIERR_OK);
    for (int i = 0; i < kFrames; ++i) {
        Bytes frame = Frame(1000 + 37 * i, i);
        ASSERT_EQ(AVIStreamWrite(stream, i, 1, frame.data(), static_cast<LONG>(frame.size()), AVIIF_KEYFRAME,
                                 nullptr, nullptr),
                  AVIERR_OK);
    }
    AVIStreamRelease(stream);

    AVISTREAMINFOA audio = {};
    audio.fccType = streamtypeAUDIO;
    audio.dwScale = 2, audio.dwRate = 22050 * 2, audio.dwSampleSize = 2;
    ASSERT_EQ(AVIFileCreateStreamA(file, &stream, &audio), AVIERR_OK);
    audioFormat = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
    ASSERT_EQ(AVIStreamSetFormat(stream, 0, audioFormat.data(), 16), AVIERR_OK);
    for (LONG i = 0; i < kAudioChunks; ++i) {
        Bytes samples = Frame(kAudioChunk * 2, 100 + i);
        ASSERT_EQ(AVIStreamWrite(stream, i * kAudioChunk, kAudioChunk, samples.data(), kAudioChunk * 2,
                                 AVIIF_KEYFRAME, nullptr, nullptr),
                  AVIERR_OK);
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    ASSERT_EQ(AVIFileGetCloseResult(), AVIERR_OK);
}

TEST(WriterWindows, SystemAvifileReadsOurFile) {
    std::string path = TempPath("kavrin-writer-system.avi");
    Bytes videoFormat, audioFormat;
    ASSERT_NO_FATAL_FAILURE(WriteOurFile(path, videoFormat, audioFormat));

    SystemAvi avi;
    ASSERT_TRUE(avi.ok()) << "avifil32.dll or one of its calls is missing";
    void* streams[3] = {};
    for (LONG i = 0; i < 3; ++i) avi.open(&streams[i], path.c_str(), 0, i, OF_READ | OF_SHARE_DENY_NONE, nullptr);
    ASSERT_NE(streams[0], nullptr);
    ASSERT_NE(streams[1], nullptr);
    EXPECT_EQ(streams[2], nullptr) << "two streams only";

    AVISTREAMINFOA info = {};
    ASSERT_EQ(avi.info(streams[0], &info, sizeof info), 0);
    EXPECT_EQ(info.fccType, streamtypeVIDEO);
    EXPECT_EQ(info.fccHandler, mmioFOURCC('M', 'J', 'P', 'G'));
    EXPECT_EQ(info.dwScale, 1001u);
    EXPECT_EQ(info.dwRate, 30000u);
    EXPECT_EQ(info.dwLength, static_cast<DWORD>(kFrames));
    EXPECT_EQ(info.dwSuggestedBufferSize, 1000u + 37 * (kFrames - 1));
    ASSERT_EQ(avi.info(streams[1], &info, sizeof info), 0);
    EXPECT_EQ(info.fccType, streamtypeAUDIO);
    EXPECT_EQ(info.dwSampleSize, 2u);
    EXPECT_EQ(info.dwLength, static_cast<DWORD>(kAudioChunk * kAudioChunks));

    const Bytes* formats[2] = {&videoFormat, &audioFormat};
    for (int s = 0; s < 2; ++s) {
        Bytes format(256);
        LONG size = static_cast<LONG>(format.size());
        ASSERT_EQ(avi.readFormat(streams[s], 0, format.data(), &size), 0);
        format.resize(static_cast<size_t>(size));
        EXPECT_EQ(format, *formats[s]) << "stream " << s;
    }

    for (int i : {0, 1, 5, kFrames - 1}) {
        Bytes frame(8192);
        LONG bytes = 0, samples = 0;
        ASSERT_EQ(avi.read(streams[0], i, 1, frame.data(), static_cast<LONG>(frame.size()), &bytes, &samples), 0);
        frame.resize(static_cast<size_t>(bytes));
        EXPECT_EQ(frame, Frame(1000 + 37 * i, i)) << "frame " << i;
    }
    Bytes audio(kAudioChunk * 2);
    LONG bytes = 0, samples = 0;
    ASSERT_EQ(avi.read(streams[1], 3 * kAudioChunk, kAudioChunk, audio.data(), kAudioChunk * 2, &bytes, &samples), 0);
    EXPECT_EQ(samples, kAudioChunk);
    EXPECT_EQ(audio, Frame(kAudioChunk * 2, 103));

    for (void* stream : streams)
        if (stream) avi.release(stream);
    DeleteFileA(path.c_str());
}

// The target keeps its old content until the written file is complete, and no temporary is left.
TEST(WriterWindows, TargetReplacedOnCompletion) {
    std::string path = TempPath("kavrin-writer-replace.avi");
    HANDLE old = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(old, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(old, "old", 3, &put, nullptr);
    CloseHandle(old);
    Bytes videoFormat, audioFormat;
    ASSERT_NO_FATAL_FAILURE(WriteOurFile(path, videoFormat, audioFormat));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 10000u);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + ".kavrin-*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    DeleteFileA(path.c_str());
}

}  // namespace
