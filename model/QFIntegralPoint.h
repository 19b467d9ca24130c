#pragma once

#include <QtGlobal>

namespace qf {

// A pair of signed 64-bit integers. In grid computations x counts rows and
// y counts columns.
class QFIntegralPoint {
public:
    QFIntegralPoint() = default;
    QFIntegralPoint(qint64 x, qint64 y)
        : m_x(x)
        , m_y(y)
    {
    }

    qint64 x() const { return m_x; }
    void setX(qint64 x) { m_x = x; }
    qint64 y() const { return m_y; }
    void setY(qint64 y) { m_y = y; }

    friend bool operator==(const QFIntegralPoint&, const QFIntegralPoint&) = default;

private:
    qint64 m_x = 0;
    qint64 m_y = 0;
};

} // namespace qf
