#include "JwwReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzJwwReader(data, size);
    return 0;
}
