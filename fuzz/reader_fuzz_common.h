// What both reader fuzz targets do with an input: open it from memory and walk every call a merge
// makes, checking the promises of the API on the way. A broken promise traps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "avifile.h"
#include "reader/reader.h"

namespace kavrin::fuzz {

inline void Check(bool promise) {
    if (!promise) __builtin_trap();
}

// Reads at pos as the copy does: a convenient query, a fallback query, then the data.
inline bool CopyStep(IAVIStream* stream, LONG pos, LONG fallback, std::vector<unsigned char>& buffer, LONG& advanced) {
    LONG bytes = -1, samples = -1;
    if (stream->Read(pos, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples) != AVIERR_OK) return false;
    Check(bytes >= 0 && samples >= 0);
    if (bytes <= 0 || samples <= 0) {
        if (stream->Read(pos, fallback, nullptr, 0, &bytes, &samples) != AVIERR_OK) return false;
        Check(bytes >= 0 && samples >= 0 && samples <= fallback);
    }
    if (bytes <= 0) return false;
    buffer.resize(static_cast<size_t>(bytes));
    LONG gotBytes = -1, gotSamples = -1;
    if (stream->Read(pos, samples, buffer.data(), bytes, &gotBytes, &gotSamples) != AVIERR_OK) return false;
    // The data read gives what the query promised.
    Check(gotBytes == bytes && gotSamples == samples);
    advanced = gotSamples;
    return gotSamples > 0;
}

inline void ExerciseStream(IAVIStream* stream) {
    AVISTREAMINFOA info;
    Check(stream->Info(&info, sizeof info) == AVIERR_OK);
    LONG formatSize = -1;
    Check(stream->ReadFormat(info.dwStart, nullptr, &formatSize) == AVIERR_OK && formatSize >= 0);
    std::vector<unsigned char> format(static_cast<size_t>(formatSize) + 1);
    LONG got = formatSize;
    Check(stream->ReadFormat(info.dwStart, format.data(), &got) == AVIERR_OK && got == formatSize);

    const int64_t first = info.dwStart, last = first + static_cast<int64_t>(info.dwLength) - 1;
    Check(last < INT32_MAX);
    std::vector<unsigned char> buffer;
    int steps = 0;
    for (int64_t pos = first; pos <= last && steps < 4000; ++steps) {
        LONG advanced = 0;
        if (!CopyStep(stream, static_cast<LONG>(pos), 4096, buffer, advanced)) break;
        pos += advanced;
    }
    // Odd requests at a few positions: single samples, small counts, a huge count, a tight buffer.
    const int64_t stride = info.dwLength / 16 + 1;
    for (int64_t pos = first - 1; pos <= last + 1; pos += stride) {
        for (LONG n : {1, 2, 7, 0x7FFFFFFF, 0, -5}) {
            LONG bytes = -1, samples = -1;
            HRESULT result = stream->Read(static_cast<LONG>(pos), n, nullptr, 0, &bytes, &samples);
            if (result != AVIERR_OK) continue;
            Check(bytes >= 0 && samples >= 0 && (n <= 0 || samples <= n));
            Check(bytes <= (info.dwSampleSize ? (16 << 20) + static_cast<int64_t>(info.dwSampleSize) : INT32_MAX));
            if (bytes > 1) {
                buffer.resize(static_cast<size_t>(bytes));
                LONG small = bytes - 1, gotBytes = -1, gotSamples = -1;
                result = stream->Read(static_cast<LONG>(pos), n, buffer.data(), small, &gotBytes, &gotSamples);
                Check(result != AVIERR_OK || (gotBytes <= small && gotSamples <= samples));
            }
        }
    }
    Check(stream->Write(first, 1, buffer.data(), 0, 0, nullptr, nullptr) == AVIERR_READONLY);
}

inline int ExerciseReader(const uint8_t* data, size_t size) {
    IAVIFile* file = nullptr;
    if (avi::OpenReaderMemory(data, size, &file) != AVIERR_OK) {
        Check(file == nullptr);
        return 0;
    }
    AVIFILEINFOA fileInfo;
    Check(file->Info(&fileInfo, sizeof fileInfo) == AVIERR_OK);
    for (LONG n = 0; n < 8; ++n) {
        IAVIStream* stream = nullptr;
        if (file->GetStream(&stream, 0, n) != AVIERR_OK) break;
        ExerciseStream(stream);
        stream->Release();
    }
    file->Release();
    return 0;
}

}  // namespace kavrin::fuzz
