#include "JpegDecodeFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzJpegDecode(data, size);
    return 0;
}
