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
} // namespace

Clock& Clock::defaultInstance()
{
    static SteadyClock clock;
    return clock;
}

} // namespace qf
