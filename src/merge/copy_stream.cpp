#include "copy_stream.h"

#include <cstdint>
#include <cstdlib>

namespace {

// What one copy holds; given up in this order on every path: the new stream, then the buffer.
struct CopyHoldings {
    PAVISTREAM target = nullptr;
    void* buffer = nullptr;
    LONG bufferSize = 0;  // the bytes the buffer stands for now: every read and check uses this
    LONG capacity = 0;    // the bytes the block really has

    CopyHoldings() = default;
    CopyHoldings(const CopyHoldings&) = delete;
    CopyHoldings& operator=(const CopyHoldings&) = delete;
    ~CopyHoldings() {
        if (target) AVIStreamRelease(target);
        std::free(buffer);
    }

    // Resizes the one buffer to exactly `size` bytes; on no memory the old block stays held.
    // The contents need not survive, so a block that must grow is replaced by a fresh one, and a
    // block large enough already is kept: chunk sizes go up and down all through a stream, and
    // giving the heap back and taking it again for every chunk costs more than the copy itself.
    bool Resize(LONG size) {
        if (size <= capacity) {
            bufferSize = size;
            return true;
        }
        void* grown = std::malloc(static_cast<size_t>(size));
        if (!grown) return false;
        std::free(buffer);
        buffer = grown;
        bufferSize = capacity = size;
        return true;
    }
};

}  // namespace

int CopyStream(PAVIFILE file, PAVISTREAM source, LONG fallbackChunkLength, CopyObserver* observer) {
    const LONG first = AVIStreamStart(source);
    // Bounds and position in 64 bits: a start and a length near the 32-bit limit must not wrap.
    const int64_t last = static_cast<int64_t>(first) + AVIStreamLength(source) - 1;

    AVISTREAMINFOA header;
    if (AVIStreamInfoA(source, &header, sizeof header) != AVIERR_OK) return 0;

    CopyHoldings held;
    PAVISTREAM created = nullptr;
    if (AVIFileCreateStreamA(file, &created, &header) != AVIERR_OK) return 0;
    held.target = created;

    LONG bytes = 0;
    LONG samples = 0;
    if (AVIStreamReadFormat(source, first, nullptr, &bytes) != AVIERR_OK) return 0;
    if (bytes < 0) return 0;
    // A format of size 0 still gets a block of its own.
    held.buffer = std::malloc(bytes > 0 ? static_cast<size_t>(bytes) : 1);
    if (!held.buffer) return 0;
    held.bufferSize = held.capacity = bytes;
    if (AVIStreamReadFormat(source, first, held.buffer, &bytes) != AVIERR_OK) return 0;
    if (bytes < 0 || bytes > held.bufferSize) return 0;  // would read past the block
    if (AVIStreamSetFormat(held.target, first, held.buffer, bytes) != AVIERR_OK) return 0;

    for (int64_t position = first; position <= last;) {
        // A position past the 32-bit range cannot be asked for: the stream cannot be copied whole.
        if (position > INT32_MAX) return 0;
        const LONG at = static_cast<LONG>(position);

        if (AVIStreamRead(source, at, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples) != AVIERR_OK)
            return 0;
        if (bytes <= 0 || samples <= 0) {
            if (AVIStreamRead(source, at, fallbackChunkLength, nullptr, 0, &bytes, &samples) != AVIERR_OK)
                return 0;
        }
        if (bytes <= 0) return 0;
        if (!held.Resize(bytes)) return 0;

        if (AVIStreamRead(source, at, samples, held.buffer, bytes, &bytes, &samples) != AVIERR_OK) return 0;
        // A read that does not move the position would loop for ever; one that claims more bytes
        // than the block holds would have the write read past it.
        if (samples <= 0 || bytes < 0 || bytes > held.bufferSize) return 0;

        if (AVIStreamWrite(held.target, at, samples, held.buffer, bytes, AVIIF_KEYFRAME, nullptr, nullptr) !=
            AVIERR_OK)
            return 0;
        if (observer) observer->OnChunkWritten(samples, bytes);
        position += samples;
    }
    return 1;  // the holdings go: new stream released, then the buffer freed
}
