// WAVE files (RIFF, RF64 and BW64): one audio stream, the first 'fmt ' chunk and the 'data' chunk.
#include <algorithm>
#include <cstring>

#include "parsers.h"
#include "riff.h"

namespace kavrin::avi {
namespace {

constexpr uint32_t kDs64 = Fourcc('d', 's', '6', '4');
constexpr uint32_t kFmt = Fourcc('f', 'm', 't', ' ');
constexpr uint32_t kData = Fourcc('d', 'a', 't', 'a');

// WAVEFORMAT without wBitsPerSample is the smallest format that says what nBlockAlign is.
constexpr uint32_t kMinWaveFormat = 14;

void DescribeStream(StreamModel& stream) {
    const unsigned char* fmt = stream.format.data();
    uint32_t samplesPerSec = Le32(fmt + 4);
    uint32_t avgBytesPerSec = Le32(fmt + 8);
    uint16_t blockAlign = Le16(fmt + 12);
    AVISTREAMINFOA& info = stream.info;
    info.fccType = streamtypeAUDIO;
    info.dwScale = blockAlign;
    // Some writers leave nAvgBytesPerSec 0; the rate is then what PCM would have.
    info.dwRate = avgBytesPerSec ? avgBytesPerSec : samplesPerSec * blockAlign;
    info.dwStart = 0;
    info.dwQuality = 0xFFFFFFFF;
    info.dwSampleSize = blockAlign;
    info.dwSuggestedBufferSize = 0;
}

}  // namespace

HRESULT ParseWave(const ByteSource& source, FileModel& model) {
    const int64_t fileSize = source.Size();
    unsigned char header[12];
    if (!source.ReadExact(0, header, sizeof header)) return AVIERR_BADFORMAT;
    const bool rf64 = Le32(header) == kRf64 || Le32(header) == kBw64;

    StreamModel stream;
    stream.hasHeader = true;
    stream.continuous = true;
    bool haveFormat = false, haveData = false;
    int64_t ds64DataSize = -1;
    int64_t pos = 12;
    while (pos <= fileSize - 8 && !(haveFormat && haveData)) {
        unsigned char chunk[8];
        if (!source.ReadExact(pos, chunk, sizeof chunk)) return AVIERR_FILEREAD;
        const uint32_t id = Le32(chunk);
        const uint32_t size = Le32(chunk + 4);
        const int64_t body = pos + 8;
        const int64_t left = fileSize - body;
        if (id == kDs64 && rf64 && size >= 24 && size <= left) {
            unsigned char ds64[24];
            if (!source.ReadExact(body, ds64, sizeof ds64)) return AVIERR_FILEREAD;
            ds64DataSize = static_cast<int64_t>(std::min<uint64_t>(Le64(ds64 + 8), INT64_MAX));
        } else if (id == kFmt && !haveFormat) {
            if (size < kMinWaveFormat || size > kMaxFormatBytes || size > left) return AVIERR_BADFORMAT;
            stream.format.resize(size);
            if (!source.ReadExact(body, stream.format.data(), size)) return AVIERR_FILEREAD;
            haveFormat = true;
        } else if (id == kData && !haveData) {
            haveData = true;
            stream.dataOffset = body;
            int64_t declared = size;
            if (rf64 && size == 0xFFFFFFFF && ds64DataSize >= 0) declared = ds64DataSize;
            // Streaming writers leave 0 or all ones here, and a cut file claims more than it has:
            // the data then runs to the end of the file.
            const bool open = declared == 0 || (!rf64 && size == 0xFFFFFFFF) || declared > left;
            stream.dataBytes = open ? left : declared;
            if (open) break;
            pos = body + Padded(stream.dataBytes);
            continue;
        }
        if (size > left) break;  // a cut chunk ends the walk
        pos = body + Padded(size);
    }
    if (!haveFormat || !haveData) return AVIERR_BADFORMAT;
    if (Le16(stream.format.data() + 12) == 0) return AVIERR_BADFORMAT;  // nBlockAlign 0: no sample size

    DescribeStream(stream);
    FinishStream(stream);

    AVIFILEINFOA& info = model.info;
    info = {};
    info.dwMaxBytesPerSec = Le32(stream.format.data() + 8);
    info.dwCaps = AVIFILECAPS_CANREAD;
    info.dwStreams = 1;
    info.dwScale = stream.info.dwScale;
    info.dwRate = stream.info.dwRate;
    info.dwLength = stream.info.dwLength;
    std::strcpy(info.szFileType, "WAVE");
    model.isWave = true;
    model.streams.clear();
    model.streams.push_back(std::move(stream));
    return AVIERR_OK;
}

}  // namespace kavrin::avi
