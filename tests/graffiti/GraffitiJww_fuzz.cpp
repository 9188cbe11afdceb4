#include "GraffitiJwwFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzGraffitiJww(data, size);
    return 0;
}
