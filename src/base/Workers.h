// Runs independent pieces of work on the machine's cores. Jobs must write only their own
// results; which thread runs which job is left to chance, so nothing may depend on it.
#pragma once
#include <functional>

int CoreCount();

// Calls job(0) .. job(count - 1), each once, on up to `threads` threads (0 = CoreCount(),
// 1 = the calling thread alone), and returns when all have run.
void RunJobs(int threads, int count, const std::function<void(int job)>& job);
