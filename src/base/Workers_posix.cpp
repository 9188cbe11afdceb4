#include <atomic>
#include <thread>
#include <vector>

#include "base/Workers.h"
#include "base/WorkersShared.h"

int CoreCount() { return std::max(1, int(std::thread::hardware_concurrency())); }

void RunJobs(int threads, int count, const std::function<void(int)>& job) {
    JobQueue queue(count, job);
    const int helpers = HelperThreads(threads, count);
    std::vector<std::thread> started;
    for (int i = 0; i < helpers; ++i) started.emplace_back([&queue] { queue.Drain(); });
    queue.Drain();
    for (std::thread& t : started) t.join();
    queue.Rethrow();
}
