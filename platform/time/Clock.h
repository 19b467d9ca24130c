#pragma once

#include <QtGlobal>

namespace qf {

// Monotonic time for budgets (how long a pass may run). Tests install a
// clock they move by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 elapsedMilliseconds() = 0; // since an arbitrary fixed start

    static Clock& current();
    // Not owned; nullptr restores the steady clock.
    static void install(Clock* clock);
};

class ManualClock final : public Clock {
public:
    qint64 elapsedMilliseconds() override { return m_now; }
    void advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 0;
};

class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* m_previous;
};

} // namespace qf
