// What both RunJobs implementations share: the queue of job numbers and the thread count.
#pragma once
#include <algorithm>
#include <atomic>
#include <functional>

#include "base/Workers.h"

class JobQueue {
public:
    JobQueue(int count, const std::function<void(int)>& job) : count_(count), job_(job) {}
    void Drain() {
        for (int i; (i = next_.fetch_add(1)) < count_;) job_(i);
    }

private:
    std::atomic<int> next_{0};
    const int count_;
    const std::function<void(int)>& job_;
};

// Threads to start besides the calling one.
inline int HelperThreads(int threads, int count) {
    const int wanted = threads > 0 ? threads : CoreCount();
    return std::max(0, std::min(wanted, count) - 1);
}
