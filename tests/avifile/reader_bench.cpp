// Times the reads a merge makes of its two sources (no writing): reader_bench SOURCE.avi SOURCE.wav
// [FALLBACK]. Prints seconds and bytes; compare with `cat SOURCE.avi SOURCE.wav > /dev/null`.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "avifile.h"

namespace {

// The copy loop's reads of one stream; returns the bytes read, or -1 on a failure.
long long ReadLikeTheCopy(const char* path, DWORD type, LONG fallback) {
    PAVISTREAM stream = nullptr;
    if (AVIStreamOpenFromFileA(&stream, path, type, 0, OF_SHARE_DENY_NONE, nullptr) != AVIERR_OK) return -1;
    const LONG first = AVIStreamStart(stream), last = first + AVIStreamLength(stream) - 1;
    std::vector<unsigned char> buffer;
    long long total = 0;
    for (LONG pos = first; pos <= last;) {
        LONG bytes = 0, samples = 0;
        if (AVIStreamRead(stream, pos, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples) != AVIERR_OK) break;
        if ((bytes <= 0 || samples <= 0) &&
            AVIStreamRead(stream, pos, fallback, nullptr, 0, &bytes, &samples) != AVIERR_OK)
            break;
        if (bytes <= 0) break;
        buffer.resize(static_cast<size_t>(bytes));
        if (AVIStreamRead(stream, pos, samples, buffer.data(), bytes, &bytes, &samples) != AVIERR_OK || samples <= 0) {
            total = -1;
            break;
        }
        total += bytes;
        pos += samples;
    }
    AVIStreamRelease(stream);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: reader_bench SOURCE.avi SOURCE.wav [FALLBACK]\n");
        return 2;
    }
    const LONG fallback = argc > 3 ? std::atoi(argv[3]) : 4096;
    AVIFileInit();
    const auto start = std::chrono::steady_clock::now();
    const long long video = ReadLikeTheCopy(argv[1], streamtypeVIDEO, fallback);
    const long long audio = ReadLikeTheCopy(argv[2], streamtypeAUDIO, fallback);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    AVIFileExit();
    std::printf("video %lld bytes, audio %lld bytes, %.3f s\n", video, audio, seconds);
    return video < 0 || audio < 0 ? 1 : 0;
}
