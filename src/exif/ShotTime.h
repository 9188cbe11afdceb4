// The shooting time is a wall-clock reading without a zone: turning it into the UTC instant
// that file times hold needs the zone's rules for that date, and a fixed answer for the hour
// that the summer-time changes skip or repeat.
#pragma once
#include <cstdint>
#include <functional>

// UTC instant -> local wall-clock reading, both in 100 ns ticks since 1601; false when the
// zone rules cannot say.
using UtcToLocal = std::function<bool(int64_t utc, int64_t& local)>;

// The instant whose local reading is `local`. A reading that occurs twice (the clocks go back)
// is taken as the first, and a reading that never occurs (the clocks go forward) with the
// offset in force before the change: either way, the offset before the change. The zone's
// offsets are sampled a day either side, so changes closer than two days apart are not seen.
bool ShotTimeToUtc(int64_t local, const UtcToLocal& toLocal, int64_t& utc);
