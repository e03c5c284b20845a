// Jobs spread over worker threads: the calling thread takes its share and
// reports progress as jobs finish. Where the C++ library has no threads (the
// Windows cross-build), every job runs on the calling thread.
#pragma once

#include <cstddef>
#include <functional>

// Runs job(0) .. job(count - 1) on up to `threads` threads and returns when
// all are done; `done(finished, count)`, when given, is called on the calling
// thread after each job it ran. Jobs must not throw.
void RunJobs(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& job,
             const std::function<void(std::size_t, std::size_t)>& done = {});

// The number of processors, at least 1.
unsigned ProcessorCount();
