// kavrin-bench-copy: the merge's stream copy (CopyStream) through the media API, for the benchmark.
//   kavrin-bench-copy VIDEO.avi AUDIO.wav OUT.avi [buffer]   copy both streams as the merge does
//   kavrin-bench-copy --synthetic GIB OUT.avi                write GIB GiB of rawvideo frames
// Prints the chunks written on stdout; exit status 0 only when the file was completed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "avifile.h"
#include "copy_stream.h"

namespace {

// Counts the chunks the copies write.
class ChunkCounter final : public CopyObserver {
public:
    void OnChunkWritten(LONG, LONG) override { ++chunks; }
    long long chunks = 0;
};
ChunkCounter counter;

bool Merge(const char* video, const char* audio, const char* target, LONG fallback) {
    PAVIFILE out = nullptr;
    if (AVIFileOpenA(&out, target, OF_CREATE | OF_WRITE, nullptr) != 0) return false;
    bool ok = true;
    const std::pair<const char*, DWORD> sources[] = {{video, streamtypeVIDEO}, {audio, streamtypeAUDIO}};
    for (const auto& [path, type] : sources) {
        PAVISTREAM source = nullptr;
        ok = ok && AVIStreamOpenFromFileA(&source, path, type, 0, OF_READ | OF_SHARE_DENY_NONE, nullptr) == 0;
        ok = ok && CopyStream(out, source, fallback, &counter) == 1;
        AVIStreamRelease(source);
    }
    AVIFileRelease(out);
    return ok && AVIFileGetCloseResult() == 0;
}

// Large output without an encoder: 1280x720 rawvideo frames, each marked with its number.
bool Synthetic(double gib, const char* target) {
    const int width = 1280, height = 720;
    const LONG frameBytes = width * height * 3;
    const LONG frames = static_cast<LONG>(gib * (1 << 30) / frameBytes) + 1;
    PAVIFILE out = nullptr;
    if (AVIFileOpenA(&out, target, OF_CREATE | OF_WRITE, nullptr) != 0) return false;
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1, info.dwRate = 25;
    info.rcFrame = {0, 0, width, height};
    PAVISTREAM video = nullptr;
    bool ok = AVIFileCreateStreamA(out, &video, &info) == 0;
    unsigned char format[40] = {40};
    std::memcpy(format + 4, &width, 4), std::memcpy(format + 8, &height, 4);
    format[12] = 1, format[14] = 24;
    ok = ok && AVIStreamSetFormat(video, 0, format, sizeof format) == 0;
    std::vector<unsigned char> frame(static_cast<size_t>(frameBytes), 0x80);
    for (LONG i = 0; ok && i < frames; ++i, ++counter.chunks) {
        std::memcpy(frame.data(), &i, sizeof i);
        ok = AVIStreamWrite(video, i, 1, frame.data(), frameBytes, AVIIF_KEYFRAME, nullptr, nullptr) == 0;
    }
    AVIStreamRelease(video);
    AVIFileRelease(out);
    return ok && AVIFileGetCloseResult() == 0;
}

}  // namespace

int main(int argc, char** argv) {
    AVIFileInit();
    bool ok;
    if (argc == 4 && std::strcmp(argv[1], "--synthetic") == 0) {
        ok = Synthetic(std::atof(argv[2]), argv[3]);
    } else if (argc == 4 || argc == 5) {
        LONG fallback = argc == 5 ? std::atoi(argv[4]) : 0;
        ok = Merge(argv[1], argv[2], argv[3], fallback > 0 ? fallback : 4096);
    } else {
        std::fprintf(stderr, "usage: %s VIDEO.avi AUDIO.wav OUT.avi [buffer] | --synthetic GIB OUT.avi\n", argv[0]);
        return 2;
    }
    AVIFileExit();
    std::printf("%lld\n", counter.chunks);
    if (!ok) std::fprintf(stderr, "kavrin-bench-copy: failed\n");
    return ok ? 0 : 1;
}
