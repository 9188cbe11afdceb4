#include <windows.h>

#include <vector>

#include "base/Workers.h"
#include "base/WorkersShared.h"

int CoreCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::max(1, int(info.dwNumberOfProcessors));
}

namespace {

DWORD WINAPI DrainQueue(void* queue) {
    static_cast<JobQueue*>(queue)->Drain();
    return 0;
}

}  // namespace

void RunJobs(int threads, int count, const std::function<void(int)>& job) {
    JobQueue queue(count, job);
    std::vector<HANDLE> started;
    for (int i = HelperThreads(threads, count); i > 0; --i)
        if (HANDLE h = CreateThread(nullptr, 0, DrainQueue, &queue, 0, nullptr)) started.push_back(h);
    // A thread that could not start leaves its share to this one.
    queue.Drain();
    for (HANDLE h : started) {
        WaitForSingleObject(h, INFINITE);
        CloseHandle(h);
    }
    queue.Rethrow();
}
