#include "editor/FullSizeImagePrefetcher.h"

#include <algorithm>
#include <system_error>

namespace qf {

FullSizeImagePrefetcher::FullSizeImagePrefetcher(QStringList order, Decode decode, int threads, int window,
                                                 Estimate estimate, qint64 budget)
    : m_order(std::move(order))
    , m_decode(std::move(decode))
    , m_window(std::max(1, window))
    , m_estimate(std::move(estimate))
    , m_budget(budget)
    , m_bytes(size_t(m_order.size()), 0)
    , m_states(size_t(m_order.size()), State::Waiting)
    , m_images(size_t(m_order.size()))
{
    if (m_estimate)
        for (qsizetype i = 0; i < m_order.size(); ++i)
            m_bytes[size_t(i)] = std::max<qint64>(0, m_estimate(i));
    const int count = int(std::min<qsizetype>(std::max(1, threads), m_order.size()));
    try {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // Fewer workers (a process limit): take() decodes what none started on.
    }
}

FullSizeImagePrefetcher::~FullSizeImagePrefetcher()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

bool FullSizeImagePrefetcher::roomFor(qsizetype index) const
{
    if (m_inHand == 0)
        return true;
    if (m_inHand >= m_window)
        return false;
    return !m_estimate || m_budget <= 0 || m_bytesInHand + m_bytes[size_t(index)] <= m_budget;
}

void FullSizeImagePrefetcher::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            while (m_next < m_order.size() && m_states[size_t(m_next)] == State::Taken)
                ++m_next; // asked for before its turn: the caller decoded it
            return m_stop || (m_next < m_order.size() && roomFor(m_next));
        });
        if (m_stop)
            return;
        const qsizetype index = m_next++;
        m_states[size_t(index)] = State::Decoding;
        ++m_inHand;
        m_bytesInHand += m_bytes[size_t(index)];
        lock.unlock();
        QImage image;
        try {
            image = m_decode(index);
        } catch (const std::bad_alloc&) {
            // No picture, as for a file that does not decode.
        }
        lock.lock();
        m_images[size_t(index)] = std::move(image);
        m_states[size_t(index)] = State::Ready;
        m_changed.notify_all();
    }
}

std::optional<QImage> FullSizeImagePrefetcher::take(const QString& md5)
{
    std::unique_lock lock(m_mutex);
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_order.size(); ++i) {
        if (m_states[size_t(i)] != State::Taken && m_order[i] == md5) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return std::nullopt;
    if (m_states[size_t(index)] == State::Waiting) {
        // Not started yet: decoded here and now, and the workers skip it.
        m_states[size_t(index)] = State::Taken;
        lock.unlock();
        try {
            return m_decode(index);
        } catch (const std::bad_alloc&) {
            return QImage();
        }
    }
    m_changed.wait(lock, [this, index] { return m_states[size_t(index)] == State::Ready; });
    QImage image = std::move(m_images[size_t(index)]);
    m_images[size_t(index)] = QImage();
    m_states[size_t(index)] = State::Taken;
    --m_inHand;
    m_bytesInHand -= m_bytes[size_t(index)];
    m_changed.notify_all();
    return image;
}

} // namespace qf
