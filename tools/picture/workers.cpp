#include "tools/picture/workers.h"

#include <algorithm>
#include <atomic>
#include <vector>

#ifdef _GLIBCXX_HAS_GTHREADS
#include <thread>
#endif

#ifdef _WIN32
#include <windows.h>
#endif

void RunJobs(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& job,
             const std::function<void(std::size_t, std::size_t)>& done) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    const auto work = [&](bool report) {
        for (std::size_t i = next++; i < count; i = next++) {
            job(i);
            const std::size_t total = ++finished;
            if (report && done) done(total, count);
        }
    };
#ifdef _GLIBCXX_HAS_GTHREADS
    std::vector<std::thread> helpers;
    const std::size_t extra = std::min<std::size_t>(std::max(threads, 1u) - 1, count > 0 ? count - 1 : 0);
    for (std::size_t i = 0; i < extra; ++i) helpers.emplace_back(work, false);
    work(true);
    for (std::thread& helper : helpers) helper.join();
#else
    (void)threads;
    work(true);
#endif
    if (done) done(count, count);
}

unsigned ProcessorCount() {
#ifdef _GLIBCXX_HAS_GTHREADS
    return std::max(std::thread::hardware_concurrency(), 1u);
#elif defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::max<unsigned>(info.dwNumberOfProcessors, 1u);
#else
    return 1;
#endif
}
