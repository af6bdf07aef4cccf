// The readers in the Windows build: files whose names are Japanese in code page 932, opened
// through the ANSI file calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "avifile.h"
#include "reader_support.h"

namespace kavrin::test {
namespace {

class JapaneseNames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u) << "these tests need the Japanese code page";
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        folder_ = std::string(temp) + "カヴリン読み取り" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    }
    void TearDown() override {
        for (const std::string& file : written_) DeleteFileA(file.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = folder_ + "\\" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        DWORD put = 0;
        EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
        CloseHandle(file);
        written_.push_back(path);
        return path;
    }
    std::string folder_;
    std::vector<std::string> written_;
};

Bytes ReadOne(PAVISTREAM stream, LONG pos, LONG n, LONG* samples) {
    LONG bytes = 0;
    EXPECT_EQ(AVIStreamRead(stream, pos, n, nullptr, 0, &bytes, samples), AVIERR_OK);
    Bytes data(static_cast<size_t>(bytes));
    EXPECT_EQ(AVIStreamRead(stream, pos, *samples, data.data(), bytes, &bytes, samples), AVIERR_OK);
    return data;
}

TEST_F(JapaneseNames, AviAndWaveOpenAndRead) {
    SyntheticAvi layout;
    SyntheticStream video;
    video.format = VideoFormat(16, 16, "MJPG");
    for (int i = 0; i < 5; ++i) video.chunks.push_back(i == 3 ? Bytes() : Filled(60 + i, static_cast<unsigned char>(i)));
    layout.streams = {video};
    layout.index = IndexKind::OpenDml;
    const std::string avi = Write("ソース動画.avi", BuildAvi(layout));

    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&stream, avi.c_str(), streamtypeVIDEO, 0, OF_SHARE_DENY_NONE, nullptr), AVIERR_OK);
    AVISTREAMINFOA info;
    ASSERT_EQ(AVIStreamInfoA(stream, &info, sizeof info), AVIERR_OK);
    ASSERT_EQ(info.dwLength, 5u);
    std::vector<CopiedChunk> writes;
    ASSERT_TRUE(CopyLoop(stream, 4096, writes));
    EXPECT_EQ(FramesFromWrites(writes), video.chunks);
    AVIStreamRelease(stream);

    Riff wave;
    const size_t riff = wave.Begin("RIFF", "WAVE");
    wave.Chunk("fmt ", WaveFormat(1, 2, 8000, 16, 4));
    const Bytes data = Filled(4000, 7);
    wave.Chunk("data", data);
    wave.End(riff);
    const std::string wav = Write("音声ファイル.wav", wave.bytes);
    ASSERT_EQ(AVIStreamOpenFromFileA(&stream, wav.c_str(), streamtypeAUDIO, 0, OF_SHARE_DENY_NONE, nullptr), AVIERR_OK);
    LONG samples = 0;
    EXPECT_EQ(ReadOne(stream, 0, 1000, &samples), data);
    EXPECT_EQ(samples, 1000);
    AVIStreamRelease(stream);

    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, (folder_ + "\\無い.avi").c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
              AVIERR_FILEOPEN);
}

}  // namespace
}  // namespace kavrin::test
