// What both RunJobs implementations share: the queue of job numbers and the thread count.
#pragma once
#include <algorithm>
#include <atomic>
#include <functional>
#include <new>
#include <stdexcept>

#include "base/Workers.h"

// A job that throws stops the rest; the calling thread rethrows once all threads are back,
// so an exception never ends the process from a worker.
class JobQueue {
public:
    JobQueue(int count, const std::function<void(int)>& job) : count_(count), job_(job) {}
    void Drain() {
        for (int i; failure_.load() == kNone && (i = next_.fetch_add(1)) < count_;) {
            try {
                job_(i);
            } catch (const std::bad_alloc&) {
                failure_.store(kNoMemory);
            } catch (...) {
                failure_.store(kOther);
            }
        }
    }
    void Rethrow() const {
        if (failure_.load() == kNoMemory) throw std::bad_alloc();
        if (failure_.load() == kOther) throw std::runtime_error("a job failed");
    }

private:
    enum { kNone, kNoMemory, kOther };
    std::atomic<int> next_{0};
    std::atomic<int> failure_{kNone};
    const int count_;
    const std::function<void(int)>& job_;
};

// Threads to start besides the calling one.
inline int HelperThreads(int threads, int count) {
    const int wanted = threads > 0 ? threads : CoreCount();
    return std::max(0, std::min(wanted, count) - 1);
}
