#include "TrdFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzTrdFile(data, size);
    return 0;
}
