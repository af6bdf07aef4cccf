// Copies one whole stream into a new stream of an AVI file being written, chunk by chunk, untouched.
#pragma once

#include "avifile.h"

// Told of every chunk once it is in the new stream; lets a caller show progress.
class CopyObserver {
public:
    virtual void OnChunkWritten(LONG samples, LONG bytes) = 0;

protected:
    ~CopyObserver() = default;
};

// Copies the source stream's header, its format and every sample into a new stream of `file`.
// fallbackChunkLength is the number of samples asked for where the media layer offers no convenient
// chunk. Returns 1 when the whole stream was copied, 0 on any failure; shows nothing. The caller
// keeps `file` and `source`; the new stream and the buffer are given up before the call returns.
// `observer` (may be NULL) is told of each chunk written.
int CopyStream(PAVIFILE file, PAVISTREAM source, LONG fallbackChunkLength, CopyObserver* observer = nullptr);
