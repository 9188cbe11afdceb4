// The "Jw_win" clipboard block as Win32 holds it: a movable global block the clipboard
// takes over once it is set.
#pragma once
#include <windows.h>

#include <cstdint>

// The registered format "Jw_win" (0 when registration failed).
UINT JwClipboardFormat();
// A movable, zero-filled block of `bytes`; on failure (also when the size does not fit this
// process) "メモリー確保失敗" is shown, owned by `owner`, and null returned.
HGLOBAL AllocJwBlock(HWND owner, uint64_t bytes);
// Opens the clipboard for `window`, empties it and sets the block under "Jw_win" (and the
// metafile as CF_ENHMETAFILE; either may be null): 0, and the clipboard owns them. Otherwise
// both are freed, the reason shown, and −1 returned.
int PutJwClipboard(HWND window, HGLOBAL block, HENHMETAFILE metafile = nullptr);
