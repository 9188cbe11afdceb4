// The line store in JWW's two forms: the coordinate text file (millimetres on paper) and
// the "Jw_win" clipboard block (one CDataSen a line, ×0.01 then ×10 by the record writer).
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "jww/JwwFormat.h"
#include "vectorize/LineStore.h"

// The block's size: 49 bytes for every endpoint plus 200, in 64 bits so that a full store
// cannot wrap it; the caller checks it against what it can allocate.
uint64_t VectorBlockBytes(const LineStore& store);

// Writes the header (reference 0,0, all scales N, the line count) and a record per line at
// out, which the caller has zero-filled. Returns the bytes used, or 0 when they do not fit.
size_t BuildVectorBlock(const LineStore& store, int32_t dpi, int32_t scale, uint8_t* out, size_t capacity);

// The text file's bytes, handed to `put` in pieces of about 64 KiB; `progress` gets 1..100
// as the lines go. False as soon as `put` fails.
bool WriteVectorText(const LineStore& store, int32_t dpi, int32_t scale,
                     const std::function<bool(const char*, size_t)>& put,
                     const std::function<void(int percent)>& progress = {});
