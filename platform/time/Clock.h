#pragma once

#include "platform/core/Installable.h"

#include <QtGlobal>

namespace qf {

// Monotonic time for budgets (how long a pass may run). Tests install a
// clock they move by hand; nullptr restores the steady clock.
class Clock : public Installable<Clock> {
public:
    virtual ~Clock() = default;
    virtual qint64 elapsedMilliseconds() = 0; // since an arbitrary fixed start

private:
    friend class Installable<Clock>;
    static Clock& defaultInstance();
};

class ManualClock final : public Clock {
public:
    qint64 elapsedMilliseconds() override { return m_now; }
    void advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 0;
};

using ScopedClock = Clock::Scoped;

} // namespace qf
