// libFuzzer target: the WAVE reader (seeded with WAVE files).
#include "reader_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return kavrin::fuzz::ExerciseReader(data, size);
}
