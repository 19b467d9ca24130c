#pragma once

#include <QImage>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qf {

// The pictures of a render drawn in bands, each decoded once: on worker
// threads ahead of the bands, in the order the bands first need them, and
// held until the last band that draws it lets it go. What is held ahead
// stays within a memory budget; a band that needs a picture no worker has
// begun decodes it itself.
class BandPictures {
public:
    // Decodes picture `index`; called on worker threads and on the bands'
    // threads, so it must only read what nothing changes meanwhile.
    using Decode = std::function<QImage(qsizetype index)>;
    // The bytes a decode of picture `index` is expected to hold while it
    // runs; a decoded picture then counts its own bytes.
    using Estimate = std::function<qint64(qsizetype index)>;

    // `uses[i]`: how many times picture i will be taken and released.
    BandPictures(std::vector<int> uses, Decode decode, Estimate estimate, int threads, qint64 budget);
    // Waits for the decodes under way; what is held is dropped.
    ~BandPictures();
    BandPictures(const BandPictures&) = delete;
    BandPictures& operator=(const BandPictures&) = delete;

    // The picture, waiting for its decode or decoding it now.
    QImage take(qsizetype index);
    // One use of the picture is over; after the last it is dropped.
    void release(qsizetype index);

private:
    enum class State : char { Waiting, Decoding, Ready, Dropped };
    void work();
    bool roomFor(qsizetype index) const;
    void store(qsizetype index, QImage image);
    QImage decode(qsizetype index);

    const Decode m_decode;
    const qint64 m_budget;
    std::vector<int> m_uses;
    std::vector<qint64> m_bytes;
    std::vector<State> m_states;
    std::vector<QImage> m_images;
    qsizetype m_next = 0;   // the next picture a worker looks at
    qint64 m_bytesHeld = 0; // decoding or ready, by the estimates
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::thread> m_threads;
};

} // namespace qf
