#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

namespace qf {

// What a picture's decode costs in memory: what it holds while it runs (the
// decoder's buffers, the picture it gives and what is made of it), and what
// stays once it is done (a proxy kept).
struct DecodeCost {
    qint64 held = 0;
    qint64 kept = 0;
};

// How much a batch's decodes may hold: at most `parallel` at once; and as
// what the done ones keep adds up, less, so that the two together stay
// within `batch`, or within all the batch keeps and `least` beside it where
// that is more, and a large batch keeps its whole share until its end
// nears. A decode larger than its share runs alone.
struct DecodeBudgets {
    qint64 parallel = 0;
    qint64 batch = 0;
    qint64 least = 0;
};

// Hands out a batch's decodes to the threads running them so that their
// memory stays within the budgets without leaving a core idle while a
// decode that fits is left: in the order given (the longest first), and
// while the next one does not fit beside those running, the last ones (the
// shortest).
class DecodeQueue {
public:
    // Items in the order to decode them, and each item's memory, by item.
    DecodeQueue(std::vector<size_t> order, std::vector<DecodeCost> costs, DecodeBudgets budgets);

    // The next item that fits, taken; none when none fits now or none is
    // left (then `exhausted`).
    std::optional<size_t> tryTake();
    // Takes the next item; waits while none fits. One past the last item
    // when none is left.
    size_t take();
    // An item taken is done.
    void finish(size_t item);
    bool exhausted() const;

    // What decodes may hold at once in a batch whose items keep `total`
    // together, when those done keep `kept`.
    static qint64 share(const DecodeBudgets& budgets, qint64 total, qint64 kept);

    // An item taken, given back when done.
    class Taken {
    public:
        explicit Taken(DecodeQueue& queue) : m_queue(queue), m_item(queue.take()) { }
        ~Taken() { m_queue.finish(m_item); }
        Taken(const Taken&) = delete;
        Taken& operator=(const Taken&) = delete;
        // None (false) when there was nothing left to take.
        bool valid() const { return m_item < m_queue.m_order.size(); }
        size_t item() const { return m_item; }

    private:
        DecodeQueue& m_queue;
        size_t m_item;
    };

private:
    // These with the mutex held.
    std::optional<size_t> takeLocked();
    bool fits(size_t item) const;
    qint64 held(size_t item) const;

    const std::vector<size_t> m_order;
    const std::vector<DecodeCost> m_costs;
    const DecodeBudgets m_budgets;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_running = 0;
    qint64 m_held = 0; // by the decodes running
    qint64 m_kept = 0; // by those done
    qint64 m_totalKept = 0; // by them all
    size_t m_front = 0;
    size_t m_back;
};

} // namespace qf
