#include "model/PanZoomPos.h"

#include "platform/json/JsonValues.h"

#include <algorithm>
#include <cmath>

namespace qf {

namespace {

// Tolerance of the overflow test, so that a window flush with an edge after
// rounding does not count as overflowing.
constexpr double kSlack = 0.000000001;

bool isPositive(double v)
{
    return std::isfinite(v) && v > 0.0;
}

bool isSoundGeometry(QSizeF image, double rw, double rh)
{
    return isPositive(image.width()) && isPositive(image.height()) && isPositive(rw)
        && isPositive(rh) && isPositive(image.width() / image.height()) && isPositive(rw / rh);
}

bool isFinite(const PanZoomPos& p)
{
    return std::isfinite(p.cx()) && std::isfinite(p.cy()) && std::isfinite(p.l());
}

// Distance from a centre coordinate to the nearer edge.
double edgeRoom(double v)
{
    return v <= 0.5 ? v : 1.0 - v;
}

double towardsMiddle(double v)
{
    return (20.0 * v + 0.5) / 21.0;
}

} // namespace

PanZoomPos::PanZoomPos()
    : PanZoomPos(0.5, 0.5, 1.0)
{
}

PanZoomPos::PanZoomPos(double cx, double cy, double l)
    : m_cx(cx)
    , m_cy(cy)
    , m_l(l)
{
}

double PanZoomPos::getLinYDir(QSizeF image, double rw, double rh) const
{
    if (!isSoundGeometry(image, rw, rh))
        return 1.0;
    const double lY = m_l * image.width() / ((rw / rh) * image.height());
    return std::isfinite(lY) ? lY : 1.0;
}

bool PanZoomPos::isOverflowing(QSizeF image, double rw, double rh) const
{
    const double lY = getLinYDir(image, rw, rh);
    return m_cx + m_l / 2 > 1.0 + kSlack || m_cx - m_l / 2 < -kSlack
        || m_cy + lY / 2 > 1.0 + kSlack || m_cy - lY / 2 < -kSlack;
}

bool PanZoomPos::fixToNotOverflow(QSizeF image, double rw, double rh)
{
    if (!isSoundGeometry(image, rw, rh))
        return false;
    const double w = image.width();
    const double h = image.height();
    const double a = rw / rh;

    // Work on a copy: the stored window changes only to finite values.
    PanZoomPos next = *this;
    if (next.m_l < 0)
        next.m_l = (w / h > a) ? a * h / w : 1.0;

    if (!next.isOverflowing(image, rw, rh)) {
        if (isFinite(next))
            *this = next;
        return false;
    }

    double dx = edgeRoom(next.m_cx);
    double dy = edgeRoom(next.m_cy);
    if (dx == 0.0 && dy == 0.0) {
        // A centre on a corner gives no shape to choose an axis by, and moving
        // one axis only would leave a window of no size: move both.
        next.m_cx = towardsMiddle(next.m_cx);
        next.m_cy = towardsMiddle(next.m_cy);
    } else if ((w * 2 * dx) / (h * 2 * dy) > a) {
        next.m_cy = towardsMiddle(next.m_cy);
    } else {
        next.m_cx = towardsMiddle(next.m_cx);
    }

    dx = edgeRoom(next.m_cx);
    dy = edgeRoom(next.m_cy);
    const double mw = w * 2 * dx;
    const double mh = h * 2 * dy;
    if (mw / mh > a)
        next.m_l = 2 * dy * rw * h / (w * rh);
    else
        next.m_l = 2 * dx;

    if (!isFinite(next))
        return false;
    *this = next;
    return true;
}

PanZoomPos PanZoomPos::getInitial(QSizeF image, double rw, double rh)
{
    if (!isSoundGeometry(image, rw, rh))
        return PanZoomPos();
    const double w = image.width();
    const double h = image.height();
    if (w / h > rw / rh) {
        const double l = (h * rw) / (w * rh);
        if (isPositive(l))
            return PanZoomPos(0.5, 0.5, l);
    }
    return PanZoomPos();
}

void PanZoomPos::translate(QSizeF image, double rw, double rh, double xTrans, double yTrans)
{
    if (!isSoundGeometry(image, rw, rh) || !std::isfinite(xTrans) || !std::isfinite(yTrans))
        return;
    const double lY = getLinYDir(image, rw, rh);
    const double dcx = m_l * xTrans / rw;
    const double dcy = yTrans * lY / rh;

    // The lower edge is tested first: a window larger than the image ends
    // flush with the left (bottom) edge.
    const auto clampCentre = [](double c, double extent) {
        if (c - extent / 2 < 0)
            return extent / 2;
        if (c + extent / 2 > 1)
            return 1 - extent / 2;
        return c;
    };
    const double cx = clampCentre(m_cx - dcx, m_l);
    const double cy = clampCentre(m_cy - dcy, lY);
    if (std::isfinite(cx) && std::isfinite(cy)) {
        m_cx = cx;
        m_cy = cy;
    }
}

QJsonObject PanZoomPos::jsonDictionary(const PanZoomPos& pz)
{
    return QJsonObject{{"panzcx", pz.m_cx}, {"panzcy", pz.m_cy}, {"panzl", pz.m_l}};
}

PanZoomPos PanZoomPos::fromJsonDictionary(const QJsonValue& dict)
{
    const auto o = json::toObject(dict);
    if (!o)
        return PanZoomPos(0.5, 0.5, 1.0);
    return PanZoomPos(json::numberOr(*o, u"panzcx", 0.0), json::numberOr(*o, u"panzcy", 0.0),
                      json::numberOr(*o, u"panzl", 0.0));
}

std::optional<PanZoomPos> PanZoomPos::fromFile(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    // Keys the reader does not find (or finds non-finite) read as 0, so a
    // missing width lands in the "not positive" case below.
    const PanZoomPos read = fromJsonDictionary(value);
    if (!(read.m_l > 0))
        return std::nullopt;
    return PanZoomPos(std::clamp(read.m_cx, 0.0, 1.0), std::clamp(read.m_cy, 0.0, 1.0),
                      std::min(read.m_l, 1.0));
}

} // namespace qf
