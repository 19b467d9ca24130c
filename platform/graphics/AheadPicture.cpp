#include "platform/graphics/AheadPicture.h"

#include <QThread>
#include <QThreadPool>

#include <deque>
#include <new>

namespace qf {

namespace {

// The queue the helpers work through. Helpers are started as pictures are
// queued and end when they find it empty; threads are kept in the pool, so
// starting one costs a wake-up, never a new thread.
class Helpers {
public:
    Helpers()
    {
        m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        m_pool.setExpiryTimeout(-1);
    }

    void queue(std::shared_ptr<AheadPicture> picture, const std::function<void(AheadPicture&)>& make)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(picture));
            if (m_running >= m_pool.maxThreadCount() || m_running >= qsizetype(m_queue.size()))
                return;
            ++m_running;
        }
        if (!m_pool.tryStart([this, make] { work(make); })) {
            const std::lock_guard lock(m_mutex);
            --m_running;
        }
    }

private:
    void work(const std::function<void(AheadPicture&)>& make)
    {
        for (;;) {
            std::shared_ptr<AheadPicture> next;
            {
                const std::lock_guard lock(m_mutex);
                if (m_queue.empty()) {
                    --m_running;
                    return;
                }
                next = std::move(m_queue.front());
                m_queue.pop_front();
            }
            make(*next);
        }
    }

    std::mutex m_mutex;
    std::deque<std::shared_ptr<AheadPicture>> m_queue;
    int m_running = 0;
    QThreadPool m_pool; // last: it ends, waiting for its threads, before what they use
};

Helpers& helpers()
{
    static Helpers all;
    return all;
}

} // namespace

AheadPicture::AheadPicture(std::function<QImage()> make)
    : m_make(std::move(make))
{
}

void AheadPicture::queue(const std::shared_ptr<AheadPicture>& picture)
{
    helpers().queue(picture, [](AheadPicture& p) { p.make(); });
}

void AheadPicture::make()
{
    int expected = Queued;
    if (!m_state.compare_exchange_strong(expected, Making))
        return;
    QImage picture;
    // A picture that finds no memory is left null: the taker draws without it.
    try {
        picture = m_make();
    } catch (const std::bad_alloc&) {
        picture = QImage();
    }
    m_make = nullptr; // what it read goes with it
    const std::lock_guard lock(m_mutex);
    m_picture = std::move(picture);
    m_state = Made;
    m_made.notify_all();
}

QImage AheadPicture::take()
{
    make();
    std::unique_lock lock(m_mutex);
    m_made.wait(lock, [this] { return m_state != Making; });
    return m_state == Made ? m_picture : QImage();
}

void AheadPicture::cancel()
{
    int expected = Queued;
    if (m_state.compare_exchange_strong(expected, Cancelled))
        m_make = nullptr;
}

} // namespace qf
