#include "TraceInputFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzTraceInput(data, size);
    return 0;
}
