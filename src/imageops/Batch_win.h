// Batch conversion: dialog 1400 and the run over the folder's catalogue. The catalogue is the
// shell's; the shell lends it through these callbacks, so nothing here calls shell code.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imageops/BatchRun.h"

struct BatchHost {
    // The catalogue's names in display order.
    std::vector<std::string> (*EntryNames)() = nullptr;
    // The run's renames and times, so the catalogue (and the current path) follow them.
    void (*Apply)(const std::vector<BatchEntryChange>& changes) = nullptr;
};

// Command 115: opens the dialog (modeless, without owner), or brings it forward.
int OpenBatchDialog(const BatchHost& host);
HWND BatchDialogWindow();

// A journal of an unfinished run in `folder` (ending in its separator): asks whether to undo
// it and does so. `currentName` follows the current file back to its old name. True when the
// folder's names changed.
bool OfferBatchUndo(HWND owner, const char* folder, std::string& currentName);
