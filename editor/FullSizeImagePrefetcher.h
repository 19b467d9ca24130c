#pragma once

#include <QImage>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace qf {

// Decodes full-size pictures on other cores ahead of a render that asks for
// them in a known order, holding at most `window` of them at a time so that
// memory stays bounded. The render takes each one as it comes to it; a
// picture no worker has started on yet is decoded on the render's thread.
class FullSizeImagePrefetcher {
public:
    // Decodes the picture at an index of the order; called on worker
    // threads, so it must only read what nothing changes meanwhile.
    using Decode = std::function<QImage(qsizetype index)>;

    // The bytes a decode at an index is expected to hold.
    using Estimate = std::function<qint64(qsizetype index)>;

    // At most `window` pictures are decoding or waiting to be taken, and
    // together at most `budget` bytes by the estimate (one at a time when a
    // single one is over it).
    FullSizeImagePrefetcher(QStringList order, Decode decode, int threads, int window, Estimate estimate = {},
                            qint64 budget = 0);
    // Waits for the decodes under way; pictures not taken are dropped.
    ~FullSizeImagePrefetcher();
    FullSizeImagePrefetcher(const FullSizeImagePrefetcher&) = delete;
    FullSizeImagePrefetcher& operator=(const FullSizeImagePrefetcher&) = delete;

    // The next picture of that identity in the order, waiting for its decode
    // (or decoding it now); none when it is not among the pictures left.
    std::optional<QImage> take(const QString& md5);

private:
    enum class State : char { Waiting, Decoding, Ready, Taken };
    void work();

    const QStringList m_order;
    bool roomFor(qsizetype index) const;

    const Decode m_decode;
    const qsizetype m_window;
    const Estimate m_estimate;
    const qint64 m_budget;
    std::vector<qint64> m_bytes; // the estimate of each picture in hand
    qint64 m_bytesInHand = 0;
    std::vector<State> m_states;
    std::vector<QImage> m_images;
    qsizetype m_next = 0;   // the next index to decode
    qsizetype m_inHand = 0; // decoding or ready, not taken
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::thread> m_threads;
};

} // namespace qf
