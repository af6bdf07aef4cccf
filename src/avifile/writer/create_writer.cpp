// Starting a new AVI file (placeholder until the writer lands).
#include "factories.h"

namespace kavrin::avi {

HRESULT CreateWriterFile(const char* path, IAVIFile** file) {
    if (file) *file = nullptr;
    if (!path || !file) return AVIERR_BADPARAM;
    return AVIERR_UNSUPPORTED;
}

}  // namespace kavrin::avi
