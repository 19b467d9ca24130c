#include "document/DecodeQueue.h"

#include <gtest/gtest.h>

#include <thread>

using namespace qf;

namespace {

// The batch run in waves: every item that fits is taken, then all of them
// finish. Each wave lists its items in the order taken.
std::vector<std::vector<size_t>> waves(DecodeQueue& queue)
{
    std::vector<std::vector<size_t>> out;
    while (!queue.exhausted() && out.size() < 100) {
        std::vector<size_t> wave;
        while (const std::optional<size_t> item = queue.tryTake())
            wave.push_back(item.value());
        for (size_t item : wave)
            queue.finish(item);
        out.push_back(wave);
    }
    return out;
}

} // namespace

TEST(DecodeQueue, TheShareShrinksAsTheBatchKeepsMore)
{
    constexpr DecodeBudgets budgets{128, 160, 64};
    struct Row {
        const char* what;
        qint64 total; // what the whole batch keeps
        qint64 kept; // what those done keep
        qint64 share;
    };
    const Row rows[] = {
        {"a small batch at its start", 84, 0, 128},
        {"beside what it keeps, within the batch budget", 84, 50, 110},
        {"at its end", 84, 84, 76},
        {"a large batch keeps the whole share", 840, 700, 128},
        {"until its last proxies", 840, 800, 104},
        {"then never less than the least", 840, 840, 64},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DecodeQueue::share(budgets, row.total, row.kept), row.share) << row.what;
    EXPECT_EQ(DecodeQueue::share({128, 160, 500}, 0, 1000), 128) << "a least share above the whole";
}

TEST(DecodeQueue, RunsWhatFitsTheShare)
{
    constexpr DecodeBudgets budgets{128, 160, 64};
    struct Row {
        const char* what;
        std::vector<DecodeCost> costs; // by item, taken in this order
        std::vector<std::vector<size_t>> waves;
    };
    const Row rows[] = {
        {"heavy ones side by side while little is kept", {{56, 1}, {56, 1}, {20, 1}}, {{0, 1}, {2}}},
        {"then one heavy at a time beside what is kept",
         {{60, 40}, {60, 40}, {56, 1}, {56, 1}},
         {{0, 1}, {2}, {3}}},
        {"one larger than any share runs alone", {{500, 1}, {1, 1}, {1, 1}}, {{0}, {1, 2}}},
        {"the smallest from the end while the next heavy one waits",
         {{100, 1}, {100, 1}, {10, 1}, {10, 1}},
         {{0, 3, 2}, {1}}},
        {"costs below nothing count as nothing", {{-5, -5}, {128, 1}}, {{0, 1}}},
    };
    for (const Row& row : rows) {
        std::vector<size_t> order(row.costs.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        DecodeQueue queue(order, row.costs, budgets);
        EXPECT_EQ(waves(queue), row.waves) << row.what;
    }
}

TEST(DecodeQueue, ThreadsWaitingForMemoryAllFinishTheBatch)
{
    // Every item costs more than half the share: only one runs at a time,
    // and the threads that wait for it must all be woken when it is done.
    constexpr size_t items = 40;
    std::vector<size_t> order(items);
    std::vector<DecodeCost> costs(items, DecodeCost{70, 5});
    for (size_t i = 0; i < items; ++i)
        order[i] = i;
    DecodeQueue queue(order, costs, {128, 160, 64});
    std::atomic<int> running = 0;
    std::atomic<int> mostAtOnce = 0;
    std::atomic<size_t> done = 0;
    std::vector<std::jthread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (;;) {
                const DecodeQueue::Taken taken(queue);
                if (!taken.valid())
                    return;
                const int now = ++running;
                mostAtOnce = std::max(mostAtOnce.load(), now);
                std::this_thread::yield();
                --running;
                ++done;
            }
        });
    }
    threads.clear();
    EXPECT_EQ(done.load(), items);
    EXPECT_EQ(mostAtOnce.load(), 1);
}
