#include "platform/time/Clock.h"

#include <QElapsedTimer>

namespace qf {

namespace {
class SteadyClock final : public Clock {
public:
    SteadyClock() { m_timer.start(); }
    qint64 elapsedMilliseconds() override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};

Clock* g_installed = nullptr;

SteadyClock& steady()
{
    static SteadyClock clock;
    return clock;
}
} // namespace

Clock& Clock::current()
{
    return g_installed ? *g_installed : steady();
}

void Clock::install(Clock* clock)
{
    g_installed = clock;
}

ScopedClock::ScopedClock(Clock& clock)
    : m_previous(&Clock::current())
{
    Clock::install(&clock);
}

ScopedClock::~ScopedClock()
{
    Clock::install(m_previous);
}

} // namespace qf
