#include "editor/BandPictures.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace qf {

BandPictures::BandPictures(std::vector<int> uses, Decode decode, Estimate estimate, int threads, qint64 budget)
    : m_decode(std::move(decode))
    , m_budget(budget)
    , m_uses(std::move(uses))
    , m_bytes(m_uses.size(), 0)
    , m_states(m_uses.size(), State::Waiting)
    , m_images(m_uses.size())
{
    for (size_t i = 0; i < m_uses.size(); ++i) {
        if (estimate)
            m_bytes[i] = std::max<qint64>(0, estimate(qsizetype(i)));
        if (m_uses[i] <= 0)
            m_states[i] = State::Dropped;
    }
    const int count = int(std::min<size_t>(size_t(std::max(0, threads)), m_uses.size()));
    try {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // Fewer workers (a process limit): the bands decode what none began.
    }
}

BandPictures::~BandPictures()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

bool BandPictures::roomFor(qsizetype index) const
{
    return m_bytesHeld == 0 || m_bytesHeld + m_bytes[size_t(index)] <= m_budget;
}

QImage BandPictures::decode(qsizetype index)
{
    try {
        return m_decode(index);
    } catch (const std::bad_alloc&) {
        return {}; // drawn as a picture that does not decode
    }
}

// With the lock held.
void BandPictures::store(qsizetype index, QImage image)
{
    const size_t i = size_t(index);
    if (m_uses[i] <= 0) { // every band that wanted it is done already
        m_states[i] = State::Dropped;
        m_bytesHeld -= m_bytes[i];
    } else {
        // From now on it holds its picture alone, often much less than the
        // decode's estimate (the decoder's buffers, a larger step averaged
        // down): the rest of the budget goes to the next decodes.
        const qint64 held = image.sizeInBytes();
        m_bytesHeld += held - m_bytes[i];
        m_bytes[i] = held;
        m_images[i] = std::move(image);
        m_states[i] = State::Ready;
    }
    m_changed.notify_all();
}

void BandPictures::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            while (m_next < qsizetype(m_states.size()) && m_states[size_t(m_next)] != State::Waiting)
                ++m_next; // begun by a band, or no longer wanted
            return m_stop || (m_next < qsizetype(m_states.size()) && roomFor(m_next));
        });
        if (m_stop)
            return;
        const qsizetype index = m_next++;
        m_states[size_t(index)] = State::Decoding;
        m_bytesHeld += m_bytes[size_t(index)];
        lock.unlock();
        QImage image = decode(index);
        lock.lock();
        store(index, std::move(image));
    }
}

QImage BandPictures::take(qsizetype index)
{
    if (index < 0 || size_t(index) >= m_states.size())
        return {};
    std::unique_lock lock(m_mutex);
    const size_t i = size_t(index);
    switch (m_states[i]) {
    case State::Waiting: {
        m_states[i] = State::Decoding;
        m_bytesHeld += m_bytes[i];
        lock.unlock();
        QImage image = decode(index);
        lock.lock();
        store(index, image);
        return image;
    }
    case State::Decoding:
        m_changed.wait(lock, [this, i] { return m_states[i] != State::Decoding; });
        return m_images[i];
    case State::Ready:
        return m_images[i];
    case State::Dropped:
        break;
    }
    // Taken more often than it was counted: decoded again, not kept.
    lock.unlock();
    return decode(index);
}

void BandPictures::release(qsizetype index)
{
    if (index < 0 || size_t(index) >= m_states.size())
        return;
    std::lock_guard lock(m_mutex);
    const size_t i = size_t(index);
    if (--m_uses[i] > 0)
        return;
    if (m_states[i] == State::Ready) {
        m_images[i] = QImage();
        m_bytesHeld -= m_bytes[i];
        m_states[i] = State::Dropped;
    } else if (m_states[i] == State::Waiting) {
        m_states[i] = State::Dropped;
    }
    // One decoding is dropped as it is stored.
    m_changed.notify_all();
}

} // namespace qf
