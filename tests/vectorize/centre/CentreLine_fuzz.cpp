#include "CentreLineFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzCentreLine(data, size);
    return 0;
}
