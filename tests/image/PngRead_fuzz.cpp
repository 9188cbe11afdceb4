#include "PngReadFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPngRead(data, size);
    return 0;
}
