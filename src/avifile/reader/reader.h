// Entry points of the readers beside the factory in factories.h.
#pragma once

#include <cstddef>

#include "avifile.h"

namespace kavrin::avi {

// Opens AVI or WAVE bytes held in memory (copied), as OpenReaderFile opens a file: for tests and
// fuzzing. On success *file holds one reference.
HRESULT OpenReaderMemory(const void* data, size_t size, IAVIFile** file);

}  // namespace kavrin::avi
