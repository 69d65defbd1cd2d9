#include "picture/work_threads.h"

#include <cstdlib>
#include <thread>

CoreTuning core_tuning = {
    0,     uint64_t{1} << 16, size_t{2} << 20, STEP_COPY_MACHINE, size_t{1} << 20, nullptr,
    false, uint64_t{1} << 20};

int Work_threads()
{
    int n = core_tuning.threads;
    if (n == 0) {
        // The one setting the programs read from the environment: for
        // measurements, never needed to use them.
        const char *text = std::getenv("VOKA_THREADS");
        n = text ? std::atoi(text) : 0;
    }
    if (n <= 0) {
        unsigned cores = std::thread::hardware_concurrency();
        n = cores > 2 ? static_cast<int>(cores) : 2;
    }
    return n < WORK_THREADS_MAX ? n : WORK_THREADS_MAX;
}
