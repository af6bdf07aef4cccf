// kavrin-bench-copy: the merge's stream copy through the media API, for the benchmark.
//   kavrin-bench-copy VIDEO.avi AUDIO.wav OUT.avi [buffer]   copy both streams as the merge does
//   kavrin-bench-copy --synthetic GIB OUT.avi                write GIB GiB of rawvideo frames
// Prints the chunks written on stdout; exit status 0 only when the file was completed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "avifile.h"

namespace {

long long chunks = 0;

// The copy loop of the merge: header and format unchanged, then chunk by chunk at the source's positions.
bool CopyStream(PAVIFILE out, PAVISTREAM source, LONG fallback) {
    LONG first = AVIStreamStart(source), last = first + AVIStreamLength(source) - 1;
    AVISTREAMINFOA info;
    if (AVIStreamInfoA(source, &info, sizeof info) != 0) return false;
    PAVISTREAM created = nullptr;
    if (AVIFileCreateStreamA(out, &created, &info) != 0) return false;
    LONG bytes = 0, samples = 0;
    // One block for the whole copy, sized to each chunk; it grows only past its largest size so far
    // and its bytes are not cleared (every chunk overwrites them).
    bool ok = AVIStreamReadFormat(source, first, nullptr, &bytes) == 0;
    size_t capacity = ok && bytes > 0 ? static_cast<size_t>(bytes) : 1;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[capacity]);
    ok = ok && AVIStreamReadFormat(source, first, buffer.get(), &bytes) == 0 &&
         AVIStreamSetFormat(created, first, buffer.get(), bytes) == 0;
    for (LONG at = first; ok && at <= last; at += samples) {
        ok = AVIStreamRead(source, at, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples) == 0;
        if (ok && (bytes <= 0 || samples <= 0))
            ok = AVIStreamRead(source, at, fallback, nullptr, 0, &bytes, &samples) == 0;
        ok = ok && bytes > 0;
        if (!ok) break;
        if (static_cast<size_t>(bytes) > capacity) {
            capacity = static_cast<size_t>(bytes);
            buffer.reset(new unsigned char[capacity]);
        }
        ok = AVIStreamRead(source, at, samples, buffer.get(), bytes, &bytes, &samples) == 0 &&
             AVIStreamWrite(created, at, samples, buffer.get(), bytes, AVIIF_KEYFRAME, nullptr, nullptr) == 0 &&
             samples > 0;
        ++chunks;
    }
    AVIStreamRelease(created);
    return ok;
}

bool Merge(const char* video, const char* audio, const char* target, LONG fallback) {
    PAVIFILE out = nullptr;
    if (AVIFileOpenA(&out, target, OF_CREATE | OF_WRITE, nullptr) != 0) return false;
    bool ok = true;
    const std::pair<const char*, DWORD> sources[] = {{video, streamtypeVIDEO}, {audio, streamtypeAUDIO}};
    for (const auto& [path, type] : sources) {
        PAVISTREAM source = nullptr;
        ok = ok && AVIStreamOpenFromFileA(&source, path, type, 0, OF_READ | OF_SHARE_DENY_NONE, nullptr) == 0;
        ok = ok && CopyStream(out, source, fallback);
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
    for (LONG i = 0; ok && i < frames; ++i, ++chunks) {
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
    std::printf("%lld\n", chunks);
    if (!ok) std::fprintf(stderr, "kavrin-bench-copy: failed\n");
    return ok ? 0 : 1;
}
