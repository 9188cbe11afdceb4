#include "image/PictureCache.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

// Payloads are numbered; each must end exactly once: released by the cache or taken.
std::map<intptr_t, int> g_Released;
void CountRelease(void* payload) { ++g_Released[intptr_t(payload)]; }

struct Fake {
    intptr_t next = 1;
    DecodedPicture Picture(uint64_t bytes) { return {bytes, reinterpret_cast<void*>(next++)}; }
};

constexpr uint64_t kMiB = 1 << 20;

TEST(PictureCache, KeepsTheMostWantedWithinItsBudgetAndThrowsAwayStaleResults) {
    g_Released.clear();
    Fake fake;
    {
        PictureCache cache(250 * kMiB, CountRelease);
        cache.Want({"next", "previous", "after"}, true);
        auto job = cache.NextJob();
        ASSERT_TRUE(job);
        EXPECT_EQ(job->Path, "next");
        EXPECT_TRUE(job->Urgent);
        EXPECT_FALSE(cache.NextJob()) << "one decode at a time";
        cache.Finished(*job, fake.Picture(100 * kMiB));
        job = cache.NextJob();
        EXPECT_EQ(job->Path, "previous");
        EXPECT_FALSE(job->Urgent);
        cache.Finished(*job, fake.Picture(100 * kMiB));
        // The least wanted does not push out what is wanted more.
        job = cache.NextJob();
        EXPECT_EQ(job->Path, "after");
        cache.Finished(*job, fake.Picture(100 * kMiB));
        EXPECT_FALSE(cache.Holds("after"));
        EXPECT_EQ(g_Released[3], 1);
        EXPECT_EQ(cache.HeldBytes(), 200 * kMiB);

        // The user stepped on: "after" is now the most wanted and pushes out "previous".
        cache.Want({"after", "next"}, false);
        EXPECT_EQ(g_Released[2], 1) << "no longer wanted";
        job = cache.NextJob();
        EXPECT_EQ(job->Path, "after");
        cache.Finished(*job, fake.Picture(100 * kMiB));
        EXPECT_TRUE(cache.Holds("after"));

        // A picture larger than the whole budget is never held.
        cache.Want({"huge", "after", "next"}, true);
        job = cache.NextJob();
        cache.Finished(*job, fake.Picture(300 * kMiB));
        EXPECT_FALSE(cache.Holds("huge"));

        // The folder changed while a decode ran: its result is thrown away on arrival.
        cache.Want({"other"}, true);
        job = cache.NextJob();
        ASSERT_TRUE(job);
        cache.Clear();
        EXPECT_EQ(cache.HeldBytes(), 0u);
        EXPECT_TRUE(cache.Running("other"));
        cache.Finished(*job, fake.Picture(kMiB));
        EXPECT_FALSE(cache.Holds("other"));
        EXPECT_FALSE(cache.Busy());

        // A failed decode is not tried again until the folder is read anew.
        cache.Want({"bad", "good"}, false);
        job = cache.NextJob();
        cache.Finished(*job, std::nullopt);
        EXPECT_TRUE(cache.Failed("bad"));
        EXPECT_EQ(cache.NextJob()->Path, "good");
        cache.Finished({"good", cache.Generation(), false}, fake.Picture(kMiB));
        EXPECT_FALSE(cache.NextJob());
        cache.Clear();
        cache.Want({"bad"}, false);
        EXPECT_EQ(cache.NextJob()->Path, "bad");

        // Taken pictures belong to the taker; a kept one stays only while wanted.
        cache.Finished({"bad", cache.Generation(), false}, fake.Picture(kMiB));
        auto taken = cache.Take("bad");
        ASSERT_TRUE(taken);
        EXPECT_FALSE(cache.Take("bad"));
        cache.Keep("bad", *taken);
        cache.Want({"bad"}, false);
        EXPECT_TRUE(cache.Holds("bad"));
        cache.Want({}, false);
        EXPECT_FALSE(cache.Holds("bad"));
    }
    for (intptr_t id = 1; id < fake.next; ++id) EXPECT_EQ(g_Released[id], 1) << "payload " << id;
}

// Random steps of a user and a worker: every payload ends exactly once, the budget holds
// after every step that may add, and nothing unwanted is held after a Want.
TEST(PictureCache, RandomUseNeverLeaksNorOverspends) {
    g_Released.clear();
    Fake fake;
    std::mt19937 rng(18);
    std::map<intptr_t, int> taken;
    {
        const uint64_t budget = 300 * kMiB;
        PictureCache cache(budget, CountRelease);
        std::optional<PictureJob> running;
        std::vector<std::string> lastWant;
        const char* names[] = {"a", "b", "c", "d", "e", "f"};
        for (int step = 0; step < 20000; ++step) {
            switch (rng() % 6) {
            case 0: {
                std::vector<std::string> want;
                for (const char* n : names)
                    if (rng() % 2) want.push_back(n);
                cache.Want(want, rng() % 2);
                lastWant = want;
                EXPECT_LE(cache.HeldBytes(), budget);
                for (const char* n : names)
                    if (cache.Holds(n)) EXPECT_NE(std::find(want.begin(), want.end(), n), want.end());
                break;
            }
            case 1:
                if (!running) running = cache.NextJob();
                break;
            case 2:
                if (running) {
                    if (rng() % 5 == 0)
                        cache.Finished(*running, std::nullopt);
                    else
                        cache.Finished(*running, fake.Picture((1 + rng() % 200) * kMiB));
                    running.reset();
                    EXPECT_LE(cache.HeldBytes(), budget);
                }
                break;
            case 3:
                if (auto p = cache.Take(names[rng() % 6])) {
                    if (rng() % 2) {
                        cache.Keep(names[rng() % 6], *p);
                        cache.Want(lastWant, false);  // as after every shown picture
                    } else
                        ++taken[intptr_t(p->Payload)];
                }
                break;
            case 4:
                if (rng() % 20 == 0) cache.Clear();
                break;
            default: EXPECT_EQ(cache.Busy(), running.has_value()); break;
            }
        }
        if (running) cache.Finished(*running, std::nullopt);
    }
    for (intptr_t id = 1; id < fake.next; ++id) EXPECT_EQ(g_Released[id] + taken[id], 1) << "payload " << id;
}

}  // namespace
