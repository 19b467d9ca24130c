#include "editor/ClickCounter.h"

#include <QGuiApplication>
#include <QStyleHints>

#include <cmath>

namespace qf {

ClickCounter::ClickCounter(int intervalMs, double distance)
    : m_intervalMs(intervalMs)
    , m_distance(distance)
{
}

ClickCounter::ClickCounter()
    : ClickCounter(QGuiApplication::styleHints()->mouseDoubleClickInterval(),
                   QGuiApplication::styleHints()->mouseDoubleClickDistance())
{
}

int ClickCounter::press(QPointF pos, qint64 msecs)
{
    const qint64 pause = msecs - m_lastMsecs;
    const QPointF moved = pos - m_lastPos;
    const bool continues = m_count > 0 && pause >= 0 && pause <= m_intervalMs
        && std::hypot(moved.x(), moved.y()) <= m_distance;
    m_count = continues ? m_count + 1 : 1;
    m_lastPos = pos;
    m_lastMsecs = msecs;
    return m_count;
}

} // namespace qf
