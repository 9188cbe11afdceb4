#include "exif/ShotTime.h"

#include <utility>

namespace {

constexpr int64_t kTicksPerDay = 864000000000LL;

}  // namespace

bool ShotTimeToUtc(int64_t local, const UtcToLocal& toLocal, int64_t& utc) {
    if (local < 2 * kTicksPerDay) return false;
    int64_t before = 0, after = 0;
    if (!toLocal(local - kTicksPerDay, before) || !toLocal(local + kTicksPerDay, after)) return false;
    const int64_t offsetBefore = before - (local - kTicksPerDay);
    const int64_t offsetAfter = after - (local + kTicksPerDay);
    // With the earlier instant first, the first candidate that reads back as `local` is the
    // first occurrence.
    int64_t candidates[2] = {local - offsetBefore, local - offsetAfter};
    if (candidates[1] < candidates[0]) std::swap(candidates[0], candidates[1]);
    for (int64_t c : candidates) {
        int64_t back = 0;
        if (toLocal(c, back) && back == local) {
            utc = c;
            return true;
        }
    }
    utc = local - offsetBefore;
    return true;
}
