// Fake media objects for the copy's tests: a source stream that answers queries from a small model,
// an output file and the streams created in it, all writing every call into one shared log.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "avifile.h"

namespace kavrin::test {

struct CallLog {
    std::vector<std::string> calls;
    // The call (by its log text's name, e.g. "Read") and its 1-based occurrence that fails, and how.
    std::string failName;
    int failOccurrence = 0;
    HRESULT failCode = AVIERR_OK;

    HRESULT Record(const std::string& name, const std::string& arguments) {
        calls.push_back(name + "(" + arguments + ")");
        int seen = 0;
        for (const std::string& call : calls)
            if (call.compare(0, name.size() + 1, name + "(") == 0) ++seen;
        return name == failName && seen == failOccurrence ? failCode : AVIERR_OK;
    }
};

inline std::string Args(std::initializer_list<long long> values) {
    std::string text;
    for (long long value : values) text += (text.empty() ? "" : ",") + std::to_string(value);
    return text;
}

// The byte a source holds at offset i of the chunk read at a position: lets a test tell chunks apart.
inline uint8_t SourceByte(LONG position, LONG i) { return static_cast<uint8_t>(position * 7 + i); }

// A stream being read. Chunks come from `convenient` (position -> bytes, samples) and, asked for
// n samples, from `fallback` (position, n -> bytes, samples); a data read gives what it was asked,
// unless `dataRead` says otherwise.
class FakeSource : public IAVIStream {
public:
    using Counts = std::pair<LONG, LONG>;  // bytes, samples

    explicit FakeSource(CallLog& log) : log_(log) {
        std::memset(&info, 0, sizeof info);
        info.fccType = streamtypeVIDEO;
        info.dwRate = 25;
        info.dwScale = 1;
        std::strcpy(info.szName, "source");
    }

    AVISTREAMINFOA info;
    std::vector<uint8_t> format = std::vector<uint8_t>(40, 0xF0);
    std::function<Counts(LONG)> convenient = [](LONG position) { return Counts(100 + position % 5, 1); };
    std::function<Counts(LONG, LONG)> fallback = [](LONG, LONG n) { return Counts(2 * n, n); };
    std::function<Counts(LONG, LONG, LONG)> dataRead = [](LONG, LONG samples, LONG bytes) {
        return Counts(bytes, samples);
    };
    LONG refs = 1;

    void Place(LONG start, LONG length) {
        info.dwStart = static_cast<DWORD>(start);
        info.dwLength = static_cast<DWORD>(length);
    }

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT Info(AVISTREAMINFOA* out, LONG size) override {
        HRESULT result = log_.Record("Info", Args({size}));
        if (result == AVIERR_OK) std::memcpy(out, &info, sizeof info);
        return result;
    }
    HRESULT ReadFormat(LONG pos, LPVOID buffer, LONG* size) override {
        HRESULT result = log_.Record("ReadFormat", buffer ? Args({pos, *size}) : Args({pos}) + ",null");
        if (result != AVIERR_OK) return result;
        if (buffer) std::memcpy(buffer, format.data(), std::min<size_t>(format.size(), static_cast<size_t>(*size)));
        *size = static_cast<LONG>(format.size());
        return AVIERR_OK;
    }
    HRESULT SetFormat(LONG, LPVOID, LONG) override { return AVIERR_READONLY; }
    HRESULT Read(LONG start, LONG samples, LPVOID buffer, LONG bufferSize, LONG* bytes,
                 LONG* samplesRead) override {
        if (!buffer) {
            HRESULT result = log_.Record("Read", Args({start, samples}) + ",null," + Args({bufferSize}));
            if (result != AVIERR_OK) return result;
            Counts counts = samples == AVISTREAMREAD_CONVENIENT ? convenient(start) : fallback(start, samples);
            *bytes = counts.first;
            *samplesRead = counts.second;
            return AVIERR_OK;
        }
        HRESULT result = log_.Record("Read", Args({start, samples}) + ",buffer," + Args({bufferSize}));
        if (result != AVIERR_OK) return result;
        auto* out = static_cast<uint8_t*>(buffer);
        for (LONG i = 0; i < bufferSize; ++i) out[i] = SourceByte(start, i);  // ASan: the block is that big
        Counts counts = dataRead(start, samples, bufferSize);
        *bytes = counts.first;
        *samplesRead = counts.second;
        return AVIERR_OK;
    }
    HRESULT Write(LONG, LONG, LPVOID, LONG, DWORD, LONG*, LONG*) override { return AVIERR_READONLY; }

private:
    CallLog& log_;
};

struct WrittenChunk {
    LONG position;
    LONG samples;
    DWORD flags;
    std::vector<uint8_t> data;
};

// A stream created in the output file: keeps what it is given.
class FakeTarget : public IAVIStream {
public:
    explicit FakeTarget(CallLog& log) : log_(log) {}

    AVISTREAMINFOA header{};
    std::vector<uint8_t> format;
    bool formatSet = false;
    std::vector<WrittenChunk> chunks;
    LONG refs = 1;

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        log_.calls.push_back("Release(target)");
        return --refs;
    }
    HRESULT Info(AVISTREAMINFOA* out, LONG) override {
        *out = header;
        return AVIERR_OK;
    }
    HRESULT ReadFormat(LONG, LPVOID, LONG*) override { return AVIERR_UNSUPPORTED; }
    HRESULT SetFormat(LONG pos, LPVOID buffer, LONG size) override {
        HRESULT result = log_.Record("SetFormat", Args({pos, size}));
        if (result != AVIERR_OK) return result;
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        format.assign(bytes, bytes + size);
        formatSet = true;
        return AVIERR_OK;
    }
    HRESULT Read(LONG, LONG, LPVOID, LONG, LONG*, LONG*) override { return AVIERR_UNSUPPORTED; }
    HRESULT Write(LONG start, LONG samples, LPVOID buffer, LONG bufferSize, DWORD flags, LONG* samplesWritten,
                  LONG* bytesWritten) override {
        HRESULT result = log_.Record("Write", Args({start, samples, bufferSize, flags}) +
                                                  (samplesWritten || bytesWritten ? ",out" : ",null"));
        if (result != AVIERR_OK) return result;
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        chunks.push_back({start, samples, flags, std::vector<uint8_t>(bytes, bytes + bufferSize)});
        return AVIERR_OK;
    }

private:
    CallLog& log_;
};

// The output file: makes FakeTargets and keeps them for inspection after the copy let them go.
class FakeOutput : public IAVIFile {
public:
    explicit FakeOutput(CallLog& log) : log_(log) {}

    std::vector<std::unique_ptr<FakeTarget>> streams;
    LONG refs = 1;

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT Info(AVIFILEINFOA*, LONG) override { return AVIERR_UNSUPPORTED; }
    HRESULT GetStream(IAVIStream**, DWORD, LONG) override { return AVIERR_NODATA; }
    HRESULT CreateStream(IAVIStream** stream, AVISTREAMINFOA* info) override {
        HRESULT result = log_.Record("CreateStream", info->szName);
        if (result != AVIERR_OK) return result;
        streams.push_back(std::make_unique<FakeTarget>(log_));
        streams.back()->header = *info;
        *stream = streams.back().get();
        return AVIERR_OK;
    }

private:
    CallLog& log_;
};

}  // namespace kavrin::test
