#include "document/DecodeQueue.h"

#include <algorithm>

namespace qf {

DecodeQueue::DecodeQueue(std::vector<size_t> order, std::vector<DecodeCost> costs, DecodeBudgets budgets)
    : m_order(std::move(order)), m_costs(std::move(costs)), m_budgets(budgets), m_back(m_order.size())
{
    for (size_t item : m_order)
        if (item < m_costs.size())
            m_totalKept += std::max<qint64>(m_costs[item].kept, 0);
}

qint64 DecodeQueue::share(const DecodeBudgets& budgets, qint64 total, qint64 kept)
{
    const qint64 least = std::min(budgets.least, budgets.parallel);
    return std::clamp(std::max(budgets.batch, total + least) - kept, least, budgets.parallel);
}

qint64 DecodeQueue::held(size_t item) const
{
    return item < m_costs.size() ? std::max<qint64>(m_costs[item].held, 0) : 0;
}

bool DecodeQueue::fits(size_t item) const
{
    return m_running == 0 || m_held + held(item) <= share(m_budgets, m_totalKept, m_kept);
}

std::optional<size_t> DecodeQueue::takeLocked()
{
    if (m_front >= m_back)
        return std::nullopt;
    size_t item = m_order[m_front];
    if (fits(item)) {
        ++m_front;
    } else {
        item = m_order[m_back - 1];
        if (!fits(item))
            return std::nullopt;
        --m_back;
    }
    ++m_running;
    m_held += held(item);
    return item;
}

std::optional<size_t> DecodeQueue::tryTake()
{
    std::lock_guard lock(m_mutex);
    return takeLocked();
}

size_t DecodeQueue::take()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_front >= m_back)
            return m_order.size(); // more calls than items: nothing to do
        if (const std::optional<size_t> item = takeLocked())
            return *item;
        m_changed.wait(lock);
    }
}

void DecodeQueue::finish(size_t item)
{
    if (item >= m_order.size())
        return;
    {
        std::lock_guard lock(m_mutex);
        --m_running;
        m_held -= held(item);
        if (item < m_costs.size())
            m_kept += std::max<qint64>(m_costs[item].kept, 0);
    }
    m_changed.notify_all();
}

bool DecodeQueue::exhausted() const
{
    std::lock_guard lock(m_mutex);
    return m_front >= m_back;
}

} // namespace qf
