// Opening an existing file for reading: its kind is found from its content, not its name.
#include <memory>
#include <new>

#include "factories.h"
#include "parsers.h"
#include "reader.h"
#include "reader_objects.h"
#include "riff.h"

namespace kavrin::avi {

FileKind DetectKind(const unsigned char* header12) {
    const uint32_t riff = Le32(header12), form = Le32(header12 + 8);
    if (riff == kRiff && form == Fourcc('A', 'V', 'I', ' ')) return FileKind::Avi;
    const bool waveContainer = riff == kRiff || riff == kRf64 || riff == kBw64;
    if (waveContainer && form == Fourcc('W', 'A', 'V', 'E')) return FileKind::Wave;
    return FileKind::Unknown;
}

namespace {

HRESULT OpenSource(std::unique_ptr<ByteSource> source, IAVIFile** file) {
    unsigned char header[12];
    if (source->Size() < static_cast<int64_t>(sizeof header)) return AVIERR_BADFORMAT;
    if (!source->ReadExact(0, header, sizeof header)) return AVIERR_FILEREAD;
    FileModel model;
    HRESULT result;
    switch (DetectKind(header)) {
        case FileKind::Avi: result = ParseAvi(*source, model); break;
        case FileKind::Wave: result = ParseWave(*source, model); break;
        default: return AVIERR_BADFORMAT;
    }
    if (result != AVIERR_OK) return result;
    *file = new (std::nothrow) ReaderFile(std::move(source), std::move(model));
    return *file ? AVIERR_OK : AVIERR_MEMORY;
}

// The index of a hostile file is bounded by the file's size, but that may still exceed memory.
template <typename Open>
HRESULT Guarded(Open open) {
    try {
        return open();
    } catch (const std::bad_alloc&) {
        return AVIERR_MEMORY;
    }
}

}  // namespace

HRESULT OpenReaderFile(const char* path, IAVIFile** file) {
    if (!file) return AVIERR_BADPARAM;
    *file = nullptr;
    if (!path) return AVIERR_BADPARAM;
    return Guarded([&] {
        auto source = std::make_unique<FileSource>();
        if (!source->Open(path)) return AVIERR_FILEOPEN;
        return OpenSource(std::move(source), file);
    });
}

HRESULT OpenReaderMemory(const void* data, size_t size, IAVIFile** file) {
    if (!file) return AVIERR_BADPARAM;
    *file = nullptr;
    if (!data && size > 0) return AVIERR_BADPARAM;
    return Guarded([&] { return OpenSource(std::make_unique<MemorySource>(data, size), file); });
}

}  // namespace kavrin::avi
