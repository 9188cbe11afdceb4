#include "RenameJournalFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzRenameJournal(data, size);
    return 0;
}
