// libFuzzer target: the AVI reader (seeded with AVI files).
#include "reader_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return kavrin::fuzz::ExerciseReader(data, size);
}
