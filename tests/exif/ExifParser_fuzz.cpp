#include "ExifFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzExifParser(data, size);
    return 0;
}
