#pragma once

#include <functional>

namespace qf {

// Runs `work` on `threads` threads at once, this one included, and returns
// when all have returned. `work` takes its items from a shared queue, so
// when fewer threads can be started (a process limit) those that run do
// all of it. `work` must not throw.
void runOnThreads(int threads, const std::function<void()>& work);

} // namespace qf
