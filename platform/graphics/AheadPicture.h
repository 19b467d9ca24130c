#pragma once

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace qf {

// A picture made on another core while the caller goes on, taken when the
// caller needs it. Helper threads take queued pictures in order; a picture
// no helper has begun when it is taken is made by the taker, so a machine
// too busy to lend a core costs the hand-over and nothing more.
class AheadPicture {
public:
    // `make` runs on any thread, once at most: it must own all it reads.
    explicit AheadPicture(std::function<QImage()> make);

    // Hands the picture to the helpers.
    static void queue(const std::shared_ptr<AheadPicture>& picture);

    // The picture (null when it could not be made), made on this thread
    // when no helper has begun it.
    QImage take();

    // A picture no longer wanted: left unmade unless a helper has begun it.
    void cancel();

private:
    enum State { Queued, Making, Made, Cancelled };
    // Makes the picture unless someone else has begun it or it was cancelled.
    void make();

    std::function<QImage()> m_make;
    std::atomic<int> m_state{Queued};
    std::mutex m_mutex;
    std::condition_variable m_made;
    QImage m_picture;
};

} // namespace qf
