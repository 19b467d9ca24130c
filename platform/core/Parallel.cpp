#include "platform/core/Parallel.h"

#include <system_error>
#include <thread>
#include <vector>

namespace qf {

void runOnThreads(int threads, const std::function<void()>& work)
{
    std::vector<std::jthread> helpers;
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked: the ones started and this one do the rest.
    }
    work();
}

} // namespace qf
