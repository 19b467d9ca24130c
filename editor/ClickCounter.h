#pragma once

#include <QPointF>

namespace qf {

// Counts the clicks of a gesture as the model expects them (2 for a double
// click): a press close in time and place to the previous one continues the
// series. Qt's own double-click event stops at two; the collage's gestures
// want the running count.
class ClickCounter {
public:
    // `intervalMs` is the longest pause between presses of one series and
    // `distance` the farthest a press may be from the previous one.
    ClickCounter(int intervalMs, double distance);
    // Uses the application's style hints.
    ClickCounter();

    // The count of the press at `pos` at time `msecs` (any monotonic clock).
    int press(QPointF pos, qint64 msecs);
    // Forgets the series (the next press counts 1).
    void reset() { m_count = 0; }

private:
    int m_intervalMs;
    double m_distance;
    int m_count = 0;
    QPointF m_lastPos;
    qint64 m_lastMsecs = 0;
};

} // namespace qf
