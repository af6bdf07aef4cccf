// The writer's own rules, checked on the bytes it leaves: dropped frames, headers and indexes,
// refused writes, room for late streams, and the temporary file that only a complete file leaves.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "frame_placement.h"
#include "media_fixtures.h"
#include "riff.h"
#include "writer/avi_writer.h"
#include "writer_support.h"

namespace kavrin::test {
namespace {

using Bytes = std::vector<unsigned char>;

AVISTREAMINFOA VideoInfo(DWORD start = 0) {
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = FourCC("MJPG");
    info.dwScale = 1, info.dwRate = 25, info.dwStart = start;
    info.dwQuality = 7500, info.wLanguage = 0x411;
    info.dwLength = 999, info.dwSuggestedBufferSize = 123;  // stale: the writer brings these up to date
    info.rcFrame = {0, 0, 32, 16};
    std::strcpy(info.szName, "video");
    return info;
}

Bytes BitmapInfo(int width, int height, const char* compression) {
    Bytes format(40, 0);
    auto put = [&](size_t at, uint32_t v) { std::memcpy(&format[at], &v, 4); };
    put(0, 40), put(4, width), put(8, height), put(12, 1 | 24 << 16), put(16, FourCC(compression));
    return format;
}

AVISTREAMINFOA AudioInfo() {
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeAUDIO;
    info.dwScale = 2, info.dwRate = 16000, info.dwSampleSize = 2;
    return info;
}
const Bytes kPcmMono = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0};

struct Writing {
    PAVIFILE file = nullptr;
    explicit Writing(const std::string& path) {
        EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    }
    PAVISTREAM Stream(AVISTREAMINFOA info, const Bytes& format) {
        PAVISTREAM stream = nullptr;
        EXPECT_EQ(AVIFileCreateStreamA(file, &stream, &info), AVIERR_OK);
        EXPECT_EQ(AVIStreamSetFormat(stream, info.dwStart, const_cast<unsigned char*>(format.data()),
                                     static_cast<LONG>(format.size())),
                  AVIERR_OK);
        return stream;
    }
    HRESULT Close() {
        AVIFileRelease(file);
        file = nullptr;
        return AVIFileGetCloseResult();
    }
    ~Writing() {
        if (file) AVIFileRelease(file);
    }
};

HRESULT Put(PAVISTREAM stream, LONG at, LONG samples, const Bytes& data, DWORD flags = AVIIF_KEYFRAME) {
    return AVIStreamWrite(stream, at, samples, const_cast<unsigned char*>(data.data()),
                          static_cast<LONG>(data.size()), flags, nullptr, nullptr);
}

Bytes Data(size_t size, unsigned char seed) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(seed + i * 7);
    return data;
}

// Writes of several samples, gaps and empty writes become dropped frames where the reader expects
// them, so that a copy through the reader gives back the same file byte for byte.
TEST(WriterLayout, DroppedFramesLandWhereTheReaderGroupsThem) {
    TempDir dir;
    std::string first = dir / "first.avi", copy = dir / "copy.avi";
    {
        Writing w(first);
        PAVISTREAM video = w.Stream(VideoInfo(3), BitmapInfo(32, 16, "MJPG"));
        EXPECT_EQ(Put(video, 3, 2, Data(3, 1)), AVIERR_OK);              // empty, data (odd size)
        EXPECT_EQ(Put(video, 5, 1, Data(10, 2), 0), AVIERR_OK);          // data, not a key frame
        EXPECT_EQ(Put(video, 8, 3, Data(21, 3)), AVIERR_OK);             // gap of 2, data, 2 empties
        EXPECT_EQ(Put(video, 11, 2, Bytes()), AVIERR_OK);                // 2 empties
        EXPECT_EQ(Put(video, 13, 1, Data(40, 4)), AVIERR_OK);
        AVISTREAMINFOA info;
        AVIStreamInfoA(video, &info, sizeof info);
        EXPECT_EQ(info.dwLength, 11u);
        EXPECT_EQ(info.dwSuggestedBufferSize, 40u);
        AVIStreamRelease(video);
        ASSERT_EQ(w.Close(), AVIERR_OK);
    }
    std::vector<RiffNode> riff = WalkRiff(first);
    ASSERT_EQ(riff.size(), 1u);
    const RiffNode* movi = riff[0].Find("LIST", FourCC("movi"));
    ASSERT_NE(movi, nullptr);
    std::vector<uint32_t> sizes;
    for (const RiffNode& chunk : movi->children) {
        EXPECT_EQ(FourCCText(chunk.id), "00dc");
        sizes.push_back(chunk.size);
    }
    EXPECT_EQ(sizes, (std::vector<uint32_t>{0, 3, 10, 0, 0, 21, 0, 0, 0, 0, 40}));

    // idx1: one entry per chunk, offsets from the 'movi' fourcc, sizes and flags as written.
    const RiffNode* idx1 = riff[0].Find("idx1");
    ASSERT_NE(idx1, nullptr);
    ASSERT_EQ(idx1->size, 16 * movi->children.size());
    for (size_t i = 0; i < movi->children.size(); ++i) {
        const RiffNode& chunk = movi->children[i];
        EXPECT_EQ(idx1->U32(16 * i), chunk.id);
        EXPECT_EQ(idx1->U32(16 * i + 4), i == 2 ? 0u : uint32_t(AVIIF_KEYFRAME)) << i;
        EXPECT_EQ(movi->offset + 8 + idx1->U32(16 * i + 8), static_cast<uint64_t>(chunk.offset)) << i;
        EXPECT_EQ(idx1->U32(16 * i + 12), chunk.size) << i;
    }

    // The headers: avih from the stream, strh as created with length and buffer brought up to date.
    const RiffNode* hdrl = riff[0].Find("LIST", FourCC("hdrl"));
    const RiffNode* avih = hdrl->Find("avih");
    EXPECT_EQ(avih->U32(0), 40000u);                          // microseconds per frame
    EXPECT_EQ(avih->U32(12), uint32_t(AVIFILEINFO_HASINDEX));
    EXPECT_EQ(avih->U32(16), 11u);                            // frames
    EXPECT_EQ(avih->U32(24), 1u);                             // streams
    EXPECT_EQ(avih->U32(28), 40u);                            // suggested buffer
    EXPECT_EQ(avih->U32(32), 32u);
    EXPECT_EQ(avih->U32(36), 16u);
    const RiffNode* strl = hdrl->Find("LIST", FourCC("strl"));
    const RiffNode* strh = strl->Find("strh");
    EXPECT_EQ(FourCCText(strh->U32(4)), "MJPG");
    EXPECT_EQ(strh->U16(14), 0x411);
    EXPECT_EQ(strh->U32(28), 3u);      // dwStart kept
    EXPECT_EQ(strh->U32(32), 11u);     // dwLength
    EXPECT_EQ(strh->U32(36), 40u);     // dwSuggestedBufferSize
    EXPECT_EQ(strh->U32(40), 7500u);   // dwQuality
    EXPECT_EQ(strh->U16(52), 32);      // rcFrame right
    EXPECT_EQ(strl->Find("strf")->data, BitmapInfo(32, 16, "MJPG"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(strl->Find("strn")->data.data())), "video");

    // Through our reader into a second file: the same bytes.
    PAVIFILE out = nullptr;
    ASSERT_EQ(AVIFileOpenA(&out, copy.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM source = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&source, first.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    EXPECT_EQ(CopyStreamThrough(out, source), AVIERR_OK);
    AVIStreamRelease(source);
    AVIFileRelease(out);
    ASSERT_EQ(AVIFileGetCloseResult(), AVIERR_OK);
    Bytes a = ReadBytes(first), b = ReadBytes(copy);
    // The copy marks every chunk a key frame; otherwise nothing differs.
    size_t idx1Flags = static_cast<size_t>(idx1->offset) + 8 + 16 * 2 + 4;
    ASSERT_EQ(a.size(), b.size());
    a[idx1Flags] = AVIIF_KEYFRAME;
    EXPECT_TRUE(a == b);

    // ffprobe sees the four frames with data at their positions (empty ones are skipped).
    std::vector<std::string> packets = PacketHashes(first, "0:v");
    ASSERT_EQ(packets.size(), 4u);
}

// A copy writes what it has just read: the reader's note of how many empty frames lead the frame
// with data decides where it goes (also where the writer's own rule would put it elsewhere); a write
// of other memory, or of other counts, follows the rule.
TEST(WriterLayout, NotedPlacementOfTheLatestReadWins) {
    TempDir dir;
    const std::string path = dir / "placed.avi";
    const Bytes first = Data(5, 1), second = Data(7, 2), third = Data(9, 3), fourth = Data(11, 4);
    {
        Writing w(path);
        PAVISTREAM video = w.Stream(VideoInfo(), BitmapInfo(32, 16, "MJPG"));
        avi::NoteFramePlacement({first.data(), 5, 3, 0});  // the stream's first data, 2 empties after it
        EXPECT_EQ(Put(video, 0, 3, first), AVIERR_OK);
        avi::NoteFramePlacement({second.data(), 7, 3, 1});  // an empty on each side
        EXPECT_EQ(Put(video, 3, 3, second), AVIERR_OK);
        EXPECT_EQ(Put(video, 6, 2, third), AVIERR_OK);  // the note is of other memory: data first
        avi::NoteFramePlacement({fourth.data(), 11, 3, 2});
        EXPECT_EQ(Put(video, 8, 2, fourth), AVIERR_OK);  // other sample count: data first
        AVIStreamRelease(video);
        ASSERT_EQ(w.Close(), AVIERR_OK);
    }
    // The chunks as they lie in the file, each frame's size (0: an empty frame).
    std::vector<uint32_t> sizes;
    for (const RiffNode& list : WalkRiff(path))
        if (const RiffNode* movi = list.Find("LIST", FourCC("movi")))
            for (const RiffNode& chunk : movi->children) sizes.push_back(chunk.size);
    EXPECT_EQ(sizes, (std::vector<uint32_t>{5, 0, 0, 0, 7, 0, 9, 0, 11, 0}));
}

TEST(WriterLayout, RefusedWritesLeaveTheStreamAsItWas) {
    TempDir dir;
    std::string path = dir / "out.avi";
    Writing w(path);
    PAVISTREAM video = w.Stream(VideoInfo(), BitmapInfo(8, 8, "MJPG"));
    PAVISTREAM audio = w.Stream(AudioInfo(), kPcmMono);
    ASSERT_EQ(Put(video, 0, 1, Data(10, 1)), AVIERR_OK);
    ASSERT_EQ(Put(audio, 0, 5, Data(10, 2)), AVIERR_OK);

    struct Refusal {
        const char* what;
        PAVISTREAM stream;
        LONG at, samples;
        Bytes data;
        HRESULT expected;
    } refusals[] = {
        {"video before its end", video, 0, 1, Data(4, 3), AVIERR_BADPARAM},
        {"negative position", video, -1, 1, Data(4, 3), AVIERR_BADPARAM},
        {"data without samples", video, 1, 0, Data(4, 3), AVIERR_BADPARAM},
        {"past the last position", video, 0x7FFFFFFF, 2, Data(4, 3), AVIERR_BADPARAM},
        {"audio gap", audio, 9, 2, Data(4, 3), AVIERR_BADPARAM},
        {"audio samples without data", audio, 5, 2, Bytes(), AVIERR_BADPARAM},
    };
    for (const Refusal& r : refusals) EXPECT_EQ(Put(r.stream, r.at, r.samples, r.data), r.expected) << r.what;
    EXPECT_EQ(AVIStreamSetFormat(video, 0, const_cast<unsigned char*>(kPcmMono.data()), 16), AVIERR_UNSUPPORTED);
    Bytes buffer(64);
    LONG bytes = 0, samples = 0;
    EXPECT_EQ(AVIStreamRead(video, 0, 1, buffer.data(), 64, &bytes, &samples), AVIERR_UNSUPPORTED);
    EXPECT_EQ(AVIStreamLength(video), 1);
    EXPECT_EQ(AVIStreamLength(audio), 5);
    EXPECT_EQ(Put(audio, 5, 2, Data(4, 4)), AVIERR_OK);  // the stream goes on where it was
    AVIStreamRelease(video);
    AVIStreamRelease(audio);
    ASSERT_EQ(w.Close(), AVIERR_OK);

    std::vector<RiffNode> riff = WalkRiff(path);
    ASSERT_EQ(riff.size(), 1u);
    const RiffNode* movi = riff[0].Find("LIST", FourCC("movi"));
    ASSERT_EQ(movi->children.size(), 3u);
    EXPECT_EQ(FourCCText(movi->children[1].id), "01wb");
    EXPECT_EQ(riff[0].Find("LIST", FourCC("hdrl"))->All("LIST")[1]->Find("strh")->U32(32), 7u);
}

// A format larger than any reader takes is refused before it costs memory, and the stream can still
// be given a real one.
TEST(WriterLayout, FormatLargerThanReadersTakeIsRefused) {
    TempDir dir;
    const std::string path = dir / "out.avi";
    Writing w(path);
    PAVISTREAM video = nullptr;
    AVISTREAMINFOA info = VideoInfo();
    ASSERT_EQ(AVIFileCreateStreamA(w.file, &video, &info), AVIERR_OK);
    Bytes huge(avi::kMaxFormatBytes + 1, 0);
    EXPECT_EQ(AVIStreamSetFormat(video, 0, huge.data(), static_cast<LONG>(huge.size())), AVIERR_BADSIZE);
    Bytes format = BitmapInfo(8, 8, "MJPG");
    EXPECT_EQ(AVIStreamSetFormat(video, 0, format.data(), static_cast<LONG>(format.size())), AVIERR_OK);
    EXPECT_EQ(Put(video, 0, 1, Data(10, 1)), AVIERR_OK);
    AVIStreamRelease(video);
    ASSERT_EQ(w.Close(), AVIERR_OK);
    PAVISTREAM back = nullptr;
    ASSERT_EQ(AVIStreamOpenFromFileA(&back, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), AVIERR_OK);
    LONG size = 0;
    EXPECT_EQ(AVIStreamReadFormat(back, 0, nullptr, &size), AVIERR_OK);
    EXPECT_EQ(size, static_cast<LONG>(format.size()));
    AVIStreamRelease(back);
}

// Streams may be created after data was written (the merge adds its audio last) until the room kept
// for headers runs out; then creating or formatting a stream is refused and the file still completes.
TEST(WriterLayout, LateStreamsUntilTheHeaderRoomRunsOut) {
    TempDir dir;
    std::string path = dir / "late.avi";
    Writing w(path);
    PAVISTREAM video = w.Stream(VideoInfo(), BitmapInfo(8, 8, "MJPG"));
    ASSERT_EQ(Put(video, 0, 1, Data(100, 1)), AVIERR_OK);
    PAVISTREAM audio = w.Stream(AudioInfo(), kPcmMono);
    ASSERT_EQ(Put(audio, 0, 8, Data(16, 2)), AVIERR_OK);
    Bytes huge(64 * 1024, 1);
    EXPECT_EQ(AVIStreamSetFormat(audio, 0, huge.data(), static_cast<LONG>(huge.size())), AVIERR_UNSUPPORTED);

    std::vector<PAVISTREAM> late;
    HRESULT result = AVIERR_OK;
    while (late.size() < 50) {
        PAVISTREAM stream = nullptr;
        AVISTREAMINFOA info = AudioInfo();
        if ((result = AVIFileCreateStreamA(w.file, &stream, &info)) != AVIERR_OK) break;
        late.push_back(stream);
    }
    EXPECT_EQ(result, AVIERR_BADSIZE);
    EXPECT_GE(late.size(), 2u);
    EXPECT_EQ(AVIStreamSetFormat(late[0], 0, huge.data(), static_cast<LONG>(huge.size())), AVIERR_BADSIZE);
    for (PAVISTREAM stream : late) {
        EXPECT_EQ(AVIStreamSetFormat(stream, 0, const_cast<unsigned char*>(kPcmMono.data()), 16), AVIERR_OK);
        EXPECT_EQ(Put(stream, 0, 2, Data(4, 3)), AVIERR_OK);
        AVIStreamRelease(stream);
    }
    AVIStreamRelease(video);
    AVIStreamRelease(audio);
    ASSERT_EQ(w.Close(), AVIERR_OK);
    std::string probe = RunCommand("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " + ShellQuote(path)).output;
    EXPECT_EQ(std::count(probe.begin(), probe.end(), '\n'), static_cast<long>(2 + late.size()));
}

// Patches of sizes and headers land right wherever the buffer stands: on disk, in the buffer, or
// across its start. Any buffer size gives the same bytes.
TEST(WriterLayout, BufferSizeDoesNotChangeTheBytes) {
    TempDir dir;
    Bytes reference;
    for (size_t bufferSize : {size_t(16), size_t(100), size_t(4096), size_t(0)}) {
        std::string path = dir / ("buffer-" + std::to_string(bufferSize) + ".avi");
        avi::FileIo file;
        ASSERT_TRUE(file.Create(path));
        avi::AviWriter writer(file, bufferSize ? bufferSize : avi::RiffOutput::kDefaultBuffer);
        int video = -1, audio = -1;
        ASSERT_EQ(writer.CreateStream(VideoInfo(), &video), AVIERR_OK);
        Bytes format = BitmapInfo(8, 8, "MJPG");
        ASSERT_EQ(writer.SetFormat(video, format.data(), 40), AVIERR_OK);
        LONG at = 0;
        for (size_t size : {size_t(3), size_t(0), size_t(40000), size_t(1), size_t(77), size_t(100000)}) {
            Bytes data = Data(size, static_cast<unsigned char>(size));
            ASSERT_EQ(writer.Write(video, at, 2, data.data(), static_cast<LONG>(size), AVIIF_KEYFRAME), AVIERR_OK);
            at += 2;
        }
        ASSERT_EQ(writer.CreateStream(AudioInfo(), &audio), AVIERR_OK);
        ASSERT_EQ(writer.SetFormat(audio, kPcmMono.data(), 16), AVIERR_OK);
        Bytes samples = Data(5000, 9);
        ASSERT_EQ(writer.Write(audio, 0, 2500, samples.data(), 5000, AVIIF_KEYFRAME), AVIERR_OK);
        ASSERT_EQ(writer.Complete(), AVIERR_OK);
        file.Close();
        Bytes bytes = ReadBytes(path);
        if (reference.empty()) {
            reference = bytes;
            EXPECT_EQ(WalkRiff(path).size(), 1u);
        } else {
            EXPECT_TRUE(bytes == reference) << "buffer of " << bufferSize << " bytes";
        }
    }
}

// The last hold completes the file, whichever object holds it.
TEST(WriterFile, TheLastReleaseCompletesTheFile) {
    TempDir dir;
    std::string path = dir / "out.avi";
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    AVISTREAMINFOA info = VideoInfo();
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileCreateStreamA(file, &stream, &info), AVIERR_OK);
    Bytes format = BitmapInfo(8, 8, "MJPG");
    AVIStreamSetFormat(stream, 0, format.data(), 40);
    EXPECT_EQ(Put(stream, 0, 1, Data(5, 1)), AVIERR_OK);
    AVIFileRelease(file);  // the stream still holds it
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(Put(stream, 1, 1, Data(5, 2)), AVIERR_OK);
    AVIStreamRelease(stream);
    EXPECT_EQ(AVIFileGetCloseResult(), AVIERR_OK);
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(PacketHashes(path, "0:v").size(), 2u);
}

TEST(WriterFile, TargetReplacedOnlyOnCompletion) {
    TempDir dir;
    std::string target = dir / "out.avi";
    WriteBytes(target, Bytes{'o', 'l', 'd'});
    Writing w(target);
    PAVISTREAM video = w.Stream(VideoInfo(), BitmapInfo(8, 8, "MJPG"));
    ASSERT_EQ(Put(video, 0, 1, Bytes(3 << 20, 9)), AVIERR_OK);  // past the write buffer: bytes on disk
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
    std::vector<std::string> during = FileNames(dir.path());
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[1].rfind("out.avi.kavrin-", 0), 0u) << during[1];  // beside the target
    AVIStreamRelease(video);
    ASSERT_EQ(w.Close(), AVIERR_OK);
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.avi"});
    EXPECT_EQ(PacketHashes(target, "0:v").size(), 1u);
}

TEST(WriterFile, FolderThatDoesNotExist) {
    TempDir dir;
    PAVIFILE file = reinterpret_cast<PAVIFILE>(1);
    EXPECT_EQ(AVIFileOpenA(&file, (dir / "missing/out.avi").c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_FILEOPEN);
    EXPECT_EQ(file, nullptr);
    EXPECT_TRUE(FileNames(dir.path()).empty());
}

// A write that fails (file size limit, full disk): the failure is reported, the target keeps its old
// content and no temporary file is left.
void ExpectFailedWriteLeavesTargetAlone(const std::string& folder) {
    std::string target = folder + "/out.avi";
    WriteBytes(target, Bytes{'o', 'l', 'd'});
    HRESULT firstFailure = AVIERR_OK;
    {
        Writing w(target);
        PAVISTREAM video = w.Stream(VideoInfo(), BitmapInfo(8, 8, "MJPG"));
        Bytes frame(256 * 1024, 5);
        for (LONG i = 0; i < 40 && firstFailure == AVIERR_OK; ++i) firstFailure = Put(video, i, 1, frame);
        AVIStreamRelease(video);
        EXPECT_EQ(w.Close(), AVIERR_FILEWRITE);
    }
    EXPECT_EQ(firstFailure, AVIERR_FILEWRITE);
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(FileNames(folder), std::vector<std::string>{"out.avi"});
}

TEST(WriterFile, WriteFailureOverFileSizeLimit) {
    TempDir dir;
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 4 << 20;
    auto previous = signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    ExpectFailedWriteLeavesTargetAlone(dir.path());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
}

TEST(WriterFile, WriteFailureOnFullDisk) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempDir dir;
    if (mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=4m") != 0) GTEST_SKIP() << "tmpfs not available";
    ExpectFailedWriteLeavesTargetAlone(dir.path());
    umount(dir.path().c_str());
}

// A crash mid-write leaves the file at the target as it was.
TEST(WriterFile, CrashMidWriteLeavesTargetIntact) {
    TempDir dir;
    std::string target = dir / "out.avi";
    WriteBytes(target, Bytes{'o', 'l', 'd'});
    pid_t child = fork();
    if (child == 0) {
        PAVIFILE file = nullptr;
        AVIFileOpenA(&file, target.c_str(), OF_CREATE | OF_WRITE, nullptr);
        AVISTREAMINFOA info = VideoInfo();
        PAVISTREAM stream = nullptr;
        AVIFileCreateStreamA(file, &stream, &info);
        for (LONG i = 0; i < 20; ++i) Put(stream, i, 1, Bytes(500 * 1024, 1));
        _exit(3);  // no release
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
}

// A merge whose target is its own video source reads the whole source before replacing it.
TEST(WriterFile, SourceNamedAsTargetIsReadWhole) {
    TempDir dir;
    std::string avi = dir / "in.avi", wave = dir / "in.wav";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc=size=64x48:rate=25 -frames:v 30 -c:v mjpeg " + ShellQuote(avi)));
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=sample_rate=22050:duration=1.2 -c:a pcm_s16le " + ShellQuote(wave)));
    std::vector<std::string> video = PacketHashes(avi, "0:v");
    ASSERT_EQ(video.size(), 30u);
    ASSERT_EQ(MergeFiles(avi, wave, avi), AVIERR_OK);
    EXPECT_EQ(PacketHashes(avi, "0:v"), video);
    EXPECT_EQ(PayloadMd5(avi, "0:a"), PayloadMd5(wave, "0:a"));
    EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"in.avi", "in.wav"}));
}

}  // namespace
}  // namespace kavrin::test
