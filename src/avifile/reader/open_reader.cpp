// Opening an existing file for reading: its kind is found from its content.
#include "factories.h"

namespace kavrin::avi {

HRESULT OpenReaderFile(const char* path, IAVIFile** file) {
    if (file) *file = nullptr;
    if (!path || !file) return AVIERR_BADPARAM;
    return AVIERR_UNSUPPORTED;
}

}  // namespace kavrin::avi
