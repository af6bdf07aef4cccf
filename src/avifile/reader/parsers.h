// The two file kinds the readers know. Each fills a FileModel from a source, or says why it cannot.
#pragma once

#include "byte_source.h"
#include "stream_model.h"

namespace kavrin::avi {

enum class FileKind { Unknown, Avi, Wave };

// The kind told by the first 12 bytes: RIFF 'AVI ', or RIFF/RF64/BW64 'WAVE'.
FileKind DetectKind(const unsigned char* header12);

// AVIERR_OK, AVIERR_BADFORMAT on a damaged or absurd header, AVIERR_FILEREAD on a read error.
HRESULT ParseAvi(const ByteSource& source, FileModel& model);
HRESULT ParseWave(const ByteSource& source, FileModel& model);

}  // namespace kavrin::avi
