#include "PlaceholderPhotos.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

// Close-ups and lights: the scenes where a camera's depth of field, bloom and
// bokeh do most of the work. Every random number is drawn in its own
// statement: the order in which a compiler evaluates function arguments is
// not fixed, and the pictures must be the same from every build.

namespace qf::tools {
namespace {

constexpr double kPi = 3.14159265358979323846;

QColor mix(const QColor& a, const QColor& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor faded(QColor c, double alpha)
{
    c.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return c;
}

// The colour under more or less light: 1 is unchanged.
QColor lit(const QColor& c, double light)
{
    const auto channel = [light](int v) { return std::clamp(int(std::lround(v * light)), 0, 255); };
    return QColor(channel(c.red()), channel(c.green()), channel(c.blue()), c.alpha());
}

QColor hsv(int h, int s, int v, int a = 255)
{
    return QColor::fromHsv(((h % 360) + 360) % 360, std::clamp(s, 0, 255), std::clamp(v, 0, 255), a);
}

QPointF randomPoint(PhotoRandom& random, const QRectF& area)
{
    const double x = random(area.left(), area.right());
    const double y = random(area.top(), area.bottom());
    return {x, y};
}

QImage transparentLayer(QSize size)
{
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

QImage blackLayer(QSize size)
{
    QImage layer(size, QImage::Format_RGB32);
    layer.fill(Qt::black);
    return layer;
}

void paintLayer(QImage& image, const QImage& layer, double blur = 0.0, double opacity = 1.0,
                QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver)
{
    QPainter p(&image);
    p.setCompositionMode(mode);
    p.setOpacity(opacity);
    p.drawImage(0, 0, blur > 0.0 ? softened(layer, blur) : layer);
}

// A layer far out of focus need not be painted at full size: it is painted
// at a quarter of the size, blurred there and scaled up.
template <typename Paint>
void paintOutOfFocus(QImage& image, double blur, double opacity, Paint paint)
{
    constexpr double k = 0.25;
    QImage small = transparentLayer(QSize(int(std::ceil(image.width() * k)), int(std::ceil(image.height() * k))));
    {
        QPainter p(&small);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.scale(k, k);
        paint(p);
    }
    small = softened(small, blur * k);
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(opacity);
    p.drawImage(QRectF(0, 0, small.width() / k, small.height() / k), small);
}

// Coarse noise in two octaves, smoothly scaled up and laid over: surfaces get
// the uneven light of real things without a per-pixel pass at full size.
void mottle(QImage& image, PhotoRandom& random, int cells, double strength, QRectF area = {})
{
    const QRectF target = area.isNull() ? QRectF(image.rect()) : area;
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setCompositionMode(QPainter::CompositionMode_Overlay);
    for (int octave = 0; octave < 2; ++octave) {
        const int across = std::max(2, cells << (octave * 2));
        const int down = std::max(2, int(across * target.height() / target.width()));
        QImage noise(across, down, QImage::Format_RGB32);
        for (int y = 0; y < down; ++y)
            for (int x = 0; x < across; ++x) {
                const int v = 128 + int((random.unit() - 0.5) * 250.0);
                noise.setPixel(x, y, qRgb(v, v, v));
            }
        p.setOpacity(strength / (octave + 1));
        p.drawImage(target, noise);
    }
}

// Lights spill into their surroundings in a lens: the layer of lights, blurred
// at two sizes, added onto the picture.
void bloom(QImage& image, const QImage& lights, double radius, double strength)
{
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    p.setOpacity(std::min(1.0, strength));
    p.drawImage(0, 0, softened(lights, radius));
    p.setOpacity(std::min(1.0, strength * 0.55));
    p.drawImage(0, 0, softened(lights, radius * 5));
}

// A soft light source washed over the picture (screen blend).
void glow(QImage& image, QPointF centre, double radius, const QColor& colour, double strength)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Screen);
    QRadialGradient g(centre, radius);
    g.setColorAt(0.0, faded(colour, strength));
    g.setColorAt(0.25, faded(colour, strength * 0.55));
    g.setColorAt(0.6, faded(colour, strength * 0.15));
    g.setColorAt(1.0, faded(colour, 0.0));
    p.fillRect(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius).intersected(QRectF(image.rect())), g);
}

// Sharp near the focus line, growing out of focus away from it: the blurred
// copy is drawn through a gradient mask running from `sharp` to `blurred`.
void focusFalloff(QImage& image, double radius, QPointF sharp, QPointF blurred)
{
    QImage soft = softened(image, radius).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter m(&soft);
        m.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QLinearGradient mask(sharp, blurred);
        mask.setColorAt(0.0, QColor(0, 0, 0, 0));
        mask.setColorAt(1.0, QColor(0, 0, 0, 255));
        m.fillRect(soft.rect(), mask);
    }
    paintLayer(image, soft);
}

// Ghosts of a bright source across the lens, on the line through the centre.
void lensFlare(QImage& image, QPointF sun, const QColor& tint, double strength)
{
    const double w = image.width(), h = image.height(), s = std::min(w, h) / 1080.0;
    const QPointF axis = QPointF(w / 2.0, h / 2.0) - sun;
    struct Ghost {
        double along, radius, strength;
        QColor colour;
    };
    const Ghost ghosts[] = {
        {0.45, 26, 0.35, mix(tint, QColor(255, 255, 255), 0.4)},
        {0.8, 70, 0.16, QColor(140, 220, 160)},
        {1.1, 16, 0.45, tint},
        {1.35, 120, 0.09, QColor(150, 170, 255)},
        {1.6, 40, 0.22, QColor(255, 150, 110)},
        {1.95, 85, 0.12, tint},
    };
    for (const Ghost& ghost : ghosts)
        drawBokeh(image, sun + axis * ghost.along, ghost.radius * s, ghost.colour, ghost.strength * strength);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Screen);
    p.translate(sun);
    p.scale(w * 0.55, 7 * s);
    QRadialGradient streak(QPointF(), 1.0);
    streak.setColorAt(0.0, faded(tint, 0.7 * strength));
    streak.setColorAt(0.3, faded(tint, 0.2 * strength));
    streak.setColorAt(1.0, faded(tint, 0.0));
    p.setPen(Qt::NoPen);
    p.setBrush(streak);
    p.drawEllipse(QPointF(), 1.0, 1.0);
}

// Thin banks of cloud: each a loose train of soft puffs, shaded from `dark`
// to `bright`, so that no outline reads as a drawn shape.
void cloudBanks(QImage& image, PhotoRandom& random, const QRectF& area, const QColor& dark, const QColor& bright, double alpha,
                int count)
{
    const double s = std::min(image.width(), image.height()) / 1080.0;
    QImage clouds = transparentLayer(image.size());
    {
        QPainter c(&clouds);
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(Qt::NoPen);
        for (int i = 0; i < count; ++i) {
            const QPointF at = randomPoint(random, area);
            const double length = random(0.15, 0.45) * image.width();
            const double thick = random(5, 16) * s;
            for (int k = 0; k < 22; ++k) {
                const double along = random(-0.5, 0.5) * length;
                const double lift = random(-1.5, 1.5) * thick;
                const double puff = thick * random(0.4, 1.6);
                const double light = random(0.1, 0.8);
                // Thinner towards the ends of the bank.
                const double taper = 1.0 - std::abs(along) / length;
                c.setBrush(faded(mix(dark, bright, light), alpha * (0.4 + 0.6 * taper)));
                c.drawEllipse(at + QPointF(along, lift), puff * random(2, 6), puff * taper + thick * 0.2);
            }
        }
    }
    paintLayer(image, clouds, 9 * s);
}

// ---- City: a skyline at dusk ------------------------------------------------

void drawCity(QImage& image, int variant, PhotoRandom& random)
{
    const double w = image.width(), h = image.height(), s = std::min(w, h) / 1080.0;
    const bool portrait = h > w;
    const int mood = (variant * 2 + variant / 3) % 3;
    const bool water = variant % 2 == 0;
    const bool dreamy = variant % 4 == 3;
    struct Sky {
        QColor top, middle, horizon, glow;
    };
    const Sky skies[] = {
        {QColor(16, 34, 86), QColor(48, 84, 150), QColor(236, 156, 104), QColor(255, 170, 96)},
        {QColor(36, 28, 84), QColor(140, 80, 138), QColor(255, 150, 88), QColor(255, 118, 60)},
        {QColor(10, 16, 40), QColor(30, 42, 82), QColor(104, 78, 90), QColor(220, 130, 80)},
    };
    const Sky& sky = skies[mood];
    const double horizon = h * (water ? (portrait ? 0.68 : 0.62) : (portrait ? 0.8 : 0.76));
    const double sunX = w * (0.2 + 0.3 * (variant % 3)) + random(-0.08, 0.08) * w;

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QLinearGradient skyFill(0, 0, 0, horizon);
    skyFill.setColorAt(0.0, sky.top);
    skyFill.setColorAt(0.6, sky.middle);
    skyFill.setColorAt(1.0, sky.horizon);
    p.fillRect(image.rect(), skyFill);
    p.end();
    glow(image, QPointF(sunX, horizon), w * 0.7, sky.glow, mood == 2 ? 0.4 : 0.55);

    // Thin clouds catching the last light from below.
    cloudBanks(image, random, QRectF(-0.1 * w, 0.06 * h, 1.2 * w, horizon * 0.6), lit(sky.middle, 0.9), sky.glow,
               mood == 2 ? 0.18 : 0.5, random.integer(3, 6));
    mottle(image, random, 10, 0.12, QRectF(0, 0, w, horizon));

    QImage lights = blackLayer(image.size());
    p.begin(&image);
    p.setPen(Qt::NoPen);
    QPainter lp(&lights);
    lp.setPen(Qt::NoPen);
    // Three rows of buildings, the farther ones lighter in the haze and with
    // smaller windows.
    for (int row = 0; row < 3; ++row) {
        const double depth = row / 2.0;
        const QColor body = mix(mix(sky.horizon, sky.middle, 0.6), QColor(8, 10, 20), 0.45 + 0.47 * depth);
        const double pitchX = (4 + 4 * depth) * s, pitchY = (6 + 5 * depth) * s;
        const double minHeight = (0.06 + 0.06 * depth) * horizon;
        const double maxHeight = (portrait ? 0.6 : 0.42) * horizon * (0.7 + 0.55 * depth);
        double x = random(-60, 0) * s;
        while (x < w) {
            const double bw = random(30 + 50 * depth, 80 + 110 * depth) * s;
            double height = minHeight + (maxHeight - minHeight) * std::pow(random.unit(), 1.5);
            if (random.chance(0.1))
                height *= 1.5;
            const double top = horizon - height;
            const double gap = random.chance(0.3) ? random(2, 20) * s : 0.0;
            const int style = random.integer(0, 6); // 0-3 windows in a grid, 4-5 glass, 6 floors in bands
            p.setRenderHint(QPainter::Antialiasing, true);
            QLinearGradient face(0, top, 0, horizon);
            if (style == 4 || style == 5) {
                // Glass holds the sky's colour at the top.
                face.setColorAt(0.0, mix(body, sky.middle, 0.55 - 0.25 * depth));
                face.setColorAt(0.5, mix(body, sky.horizon, 0.2));
                face.setColorAt(1.0, lit(body, 0.6));
            } else {
                face.setColorAt(0.0, lit(body, 1.2));
                face.setColorAt(1.0, lit(body, 0.7));
            }
            p.setBrush(face);
            p.drawRect(QRectF(x, top, bw, height));
            // The side turned from the afterglow is darker.
            const double side = bw * random(0.2, 0.4);
            p.fillRect(QRectF(sunX > x + bw / 2 ? x + bw - side : x, top, side, height), faded(QColor(0, 0, 10), 0.3));
            p.fillRect(QRectF(x, top, bw, 1.5 * s), faded(sky.glow, 0.25 * (1 - depth) + 0.1));
            const double crown = random.unit();
            if (crown < 0.25) {
                const double mast = random(20, 80) * s;
                p.fillRect(QRectF(x + bw / 2 - 1.2 * s, top - mast, 2.4 * s, mast), lit(body, 0.9));
                lp.setBrush(QColor(255, 60, 50));
                lp.drawEllipse(QPointF(x + bw / 2, top - mast), 2.5 * s, 2.5 * s);
            } else if (crown < 0.5) {
                const double setback = bw * random(0.12, 0.3);
                const double raise = random(20, 70) * s;
                p.setBrush(lit(body, 1.05));
                p.drawRect(QRectF(x + setback, top - raise, bw - 2 * setback, raise));
            } else if (crown < 0.6) {
                QPolygonF spire;
                spire << QPointF(x + bw * 0.3, top) << QPointF(x + bw / 2, top - bw * 0.7) << QPointF(x + bw * 0.7, top);
                p.setBrush(lit(body, 1.1));
                p.drawPolygon(spire);
            }
            p.setRenderHint(QPainter::Antialiasing, false);
            const double share = random(0.2, 0.6);
            const int hue = random.integer(26, 44);
            const int cols = int((bw - pitchX) / pitchX), rows = int((height - pitchY) / pitchY);
            const double dim = 0.75 + 0.25 * depth;
            const auto lightPane = [&](const QRectF& pane, double roll) {
                const int value = int(random.integer(140, 255) * dim);
                const bool cool = random.chance(0.12);
                const QColor colour = cool ? hsv(205, 50, value) : hsv(hue + int(roll * 14), 140 + int(roll * 60), value);
                p.fillRect(pane, colour);
                lp.fillRect(pane, lit(colour, 0.45));
            };
            if (style <= 3) {
                // Windows: whole floors lit in offices, a scatter in flats.
                for (int r = 0; r < rows; ++r) {
                    const bool floorLit = random.chance(0.08);
                    for (int col = 0; col < cols; ++col) {
                        const QRectF pane(x + pitchX * (0.75 + col), top + pitchY * (0.7 + r), pitchX * 0.55, pitchY * 0.55);
                        const double roll = random.unit();
                        if (floorLit || roll < share)
                            lightPane(pane, roll);
                        else
                            p.fillRect(pane, faded(mix(sky.middle, sky.horizon, roll), 0.08 + 0.08 * depth));
                    }
                }
            } else if (style <= 5) {
                // Mullions on the glass, and a few offices still lit.
                for (double mx = x + pitchX; mx < x + bw; mx += pitchX * 1.5)
                    p.fillRect(QRectF(mx, top, 1.0 * s, height), faded(QColor(0, 0, 0), 0.25));
                for (int r = 0; r < rows; r += 2) {
                    if (!random.chance(0.4))
                        continue;
                    const double from = random(0, 0.6) * bw;
                    const double span = random(0.15, 0.5) * bw;
                    lightPane(QRectF(x + from, top + pitchY * (0.7 + r), std::min(span, bw - from - 2 * s), pitchY * 0.6), random.unit());
                }
            } else {
                for (int r = 0; r < rows; ++r) {
                    const QRectF band(x + pitchX * 0.5, top + pitchY * (0.7 + r), bw - pitchX, pitchY * 0.4);
                    if (random.chance(share + 0.15))
                        lightPane(band, random.unit());
                    else
                        p.fillRect(band, faded(sky.middle, 0.1));
                }
            }
            x += bw + gap;
        }
        // Haze between the rows.
        QLinearGradient haze(0, horizon - 0.5 * horizon, 0, horizon);
        haze.setColorAt(0.0, faded(sky.horizon, 0.0));
        haze.setColorAt(1.0, faded(mix(sky.horizon, sky.middle, 0.5), 0.35 - 0.12 * row));
        p.fillRect(QRectF(0, 0, w, horizon), haze);
    }
    // Lamps along the waterfront or the street.
    p.setRenderHint(QPainter::Antialiasing, true);
    lp.setRenderHint(QPainter::Antialiasing, true);
    const double lampSpacing = random(36, 60) * s;
    for (double lx = random(0, 30) * s; lx < w; lx += lampSpacing) {
        const QPointF lamp(lx, horizon - 6 * s);
        p.setBrush(QColor(255, 236, 200));
        p.drawEllipse(lamp, 2.2 * s, 2.2 * s);
        lp.setBrush(QColor(255, 170, 80));
        lp.drawEllipse(lamp, 4.5 * s, 4.5 * s);
    }

    // Below the skyline: a river mirroring it, or a street.
    if (water) {
        p.end();
        lp.end();
        const double depthBelow = h - horizon;
        const auto mirrorOf = [&](const QImage& source, double darken) {
            const QImage strip = source.copy(QRect(0, int(horizon - depthBelow), int(w), int(depthBelow))).mirrored(false, true);
            // Ripples stretch reflections downwards: blur mostly vertically.
            QImage smeared = strip.scaled(int(w / 3), std::max(2, int(depthBelow / 14)), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .scaled(strip.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QPainter d(&smeared);
            d.fillRect(smeared.rect(), faded(QColor(0, 4, 14), darken));
            return smeared;
        };
        const QImage river = mirrorOf(image, 0.4);
        const QImage riverLights = mirrorOf(lights, 0.3);
        p.begin(&image);
        p.drawImage(QPointF(0, horizon), river);
        lp.begin(&lights);
        lp.drawImage(QPointF(0, horizon), riverLights);
        // Ripples: thin dark and light strokes across the water.
        p.setRenderHint(QPainter::Antialiasing, true);
        for (int i = 0; i < 260; ++i) {
            const double y = horizon + depthBelow * std::pow(random.unit(), 1.6);
            const double x = random(-0.1, 1.0) * w;
            const double length = random(40, 260) * s * (0.4 + (y - horizon) / depthBelow);
            const bool dark = random.chance(0.6);
            p.fillRect(QRectF(x, y, length, (1.0 + 2.0 * (y - horizon) / depthBelow) * s),
                       dark ? faded(QColor(0, 0, 8), 0.35) : faded(sky.glow, 0.12));
        }
        p.fillRect(QRectF(0, horizon - 1.5 * s, w, 3 * s), faded(QColor(0, 0, 0), 0.5));
    } else {
        QLinearGradient street(0, horizon, 0, h);
        street.setColorAt(0.0, QColor(44, 38, 46));
        street.setColorAt(1.0, QColor(16, 16, 20));
        p.fillRect(QRectF(0, horizon, w, h - horizon), street);
        // Cars in a long exposure: red tail lights going away, white head
        // lights coming, drawn as streaks across the road.
        p.setBrush(Qt::NoBrush);
        lp.setBrush(Qt::NoBrush);
        const int trails = random.integer(8, 14);
        for (int i = 0; i < trails; ++i) {
            const double lane = random.unit();
            const bool coming = lane > 0.5;
            const double y0 = horizon + (h - horizon) * (0.08 + 0.5 * lane);
            const double y1 = y0 + random(-0.04, 0.12) * (h - horizon);
            const double bend = random(-0.06, 0.06) * h;
            QPainterPath trail;
            trail.moveTo(-0.05 * w, y0);
            trail.cubicTo(QPointF(0.35 * w, y0 + bend), QPointF(0.65 * w, y1 - bend), QPointF(1.05 * w, y1));
            const QColor colour = coming ? QColor(255, 240, 210) : QColor(255, 60, 40);
            const double width = (1.5 + 3.5 * lane) * s;
            p.setPen(QPen(mix(colour, QColor(255, 255, 255), 0.3), width));
            p.drawPath(trail);
            lp.setPen(QPen(lit(colour, 0.8), width * 2.5));
            lp.drawPath(trail);
        }
        p.setPen(Qt::NoPen);
        lp.setPen(Qt::NoPen);
    }
    p.end();
    lp.end();
    bloom(image, lights, 4 * s, 0.9);
    if (!water)
        mottle(image, random, 16, 0.18, QRectF(0, horizon, w, h - horizon));
    if (dreamy)
        image = softened(image, 16 * s);

    // Street lights and cars out of focus in front.
    const int discs = dreamy ? 40 : (water ? 0 : 26);
    for (int i = 0; i < discs; ++i) {
        const double y = dreamy ? random(0.3, 1.0) * h : random(horizon - 0.05 * h, h + 0.05 * h);
        const double x = random(-0.05, 1.05) * w;
        const double radius = random(dreamy ? 30 : 18, dreamy ? 95 : 70) * s;
        const double kind = random.unit();
        const QColor colour = kind < 0.55 ? QColor(255, 180, 90) : kind < 0.75 ? QColor(255, 236, 200) : kind < 0.9 ? QColor(240, 60, 50) : QColor(120, 180, 255);
        const double strength = random(0.25, 0.6);
        drawBokeh(image, QPointF(x, y), radius, colour, strength);
    }
    finishLikeAPhoto(image, random, 4.0, 0.45);
}

// ---- People, as silhouettes --------------------------------------------------

enum class Pose { Standing, Walking, Jumping, Riding };

// A figure as a few soft shapes, feet at the origin. The parts are kept apart
// (not one path) so that overlapping shapes never cancel out under a fill
// rule. No face, no fingers: a silhouette reads as people, detail would not.
using Silhouette = std::vector<QPainterPath>;

void addLimb(Silhouette& parts, QPointF a, QPointF b, double wa, double wb)
{
    const QPointF d = b - a;
    const double length = std::max(1e-6, std::hypot(d.x(), d.y()));
    const QPointF n(-d.y() / length, d.x() / length);
    QPainterPath path;
    path.moveTo(a + n * (wa / 2));
    path.lineTo(b + n * (wb / 2));
    path.lineTo(b - n * (wb / 2));
    path.lineTo(a - n * (wa / 2));
    path.closeSubpath();
    parts.push_back(path);
    QPainterPath joint;
    joint.addEllipse(b, wb / 2, wb / 2);
    parts.push_back(joint);
}

Silhouette figure(double H, bool child, bool longHair, bool dress, Pose pose, QPointF leftHand, QPointF rightHand)
{
    Silhouette parts;
    const double lift = pose == Pose::Jumping ? -0.14 * H : 0.0;
    const QPointF up(0, lift);
    const double head = child ? 0.082 * H : 0.06 * H;
    const double shoulderY = (child ? -0.75 : -0.815) * H + lift;
    const double waistY = (child ? -0.56 : -0.62) * H + lift;
    const double hipY = (child ? -0.45 : -0.5) * H + lift;
    const double sw = (child ? 0.1 : dress ? 0.088 : 0.102) * H;
    const double waist = (child ? 0.075 : dress ? 0.058 : 0.075) * H;
    const double hip = (child ? 0.08 : dress ? 0.085 : 0.078) * H;

    // Legs: thigh, calf and a small foot.
    const double stride = pose == Pose::Walking ? 0.11 * H : 0.035 * H;
    for (int side = -1; side <= 1; side += 2) {
        const QPointF hipJoint(side * 0.042 * H, hipY);
        QPointF knee, ankle;
        if (pose == Pose::Riding) {
            knee = QPointF(side * 0.15 * H, hipY + 0.04 * H);
            ankle = QPointF(side * 0.13 * H, hipY + 0.3 * H);
        } else if (pose == Pose::Jumping) {
            knee = QPointF(side * 0.09 * H, hipY + 0.17 * H);
            ankle = QPointF(side * 0.05 * H - 0.06 * H, hipY + 0.34 * H);
        } else if (pose == Pose::Walking && side > 0) {
            knee = QPointF(stride * 0.55, hipY * 0.5 + 0.01 * H);
            ankle = QPointF(stride * 0.95, -0.035 * H);
        } else {
            const double reach = pose == Pose::Walking ? -stride : side * stride;
            knee = QPointF(reach * 0.5, hipY * 0.52);
            ankle = QPointF(reach, -0.03 * H);
        }
        addLimb(parts, hipJoint, knee, 0.082 * H, 0.055 * H);
        addLimb(parts, knee, ankle, 0.055 * H, 0.034 * H);
        QPainterPath foot;
        foot.addEllipse(ankle + QPointF(0.022 * H, 0.012 * H), 0.04 * H, 0.02 * H);
        parts.push_back(foot);
    }
    // Torso: round shoulders, a waist, then hips or a skirt's flare.
    QPainterPath torso;
    torso.moveTo(-sw, shoulderY + 0.035 * H);
    // Shoulders slope up to the neck.
    torso.cubicTo(QPointF(-sw * 0.98, shoulderY - 0.002 * H), QPointF(-0.05 * H, shoulderY - 0.012 * H), QPointF(0, shoulderY - 0.03 * H));
    torso.cubicTo(QPointF(0.05 * H, shoulderY - 0.012 * H), QPointF(sw * 0.98, shoulderY - 0.002 * H), QPointF(sw, shoulderY + 0.035 * H));
    torso.cubicTo(QPointF(sw * 0.98, shoulderY + 0.12 * H), QPointF(waist, waistY - 0.04 * H), QPointF(waist, waistY));
    if (dress) {
        const double hem = hipY + (child ? 0.17 : 0.24) * H;
        torso.cubicTo(QPointF(waist * 1.2, waistY + 0.08 * H), QPointF(hip * 1.5, hem - 0.06 * H), QPointF(hip * 1.75, hem));
        torso.quadTo(QPointF(0, hem + 0.015 * H), QPointF(-hip * 1.75, hem));
        torso.cubicTo(QPointF(-hip * 1.5, hem - 0.06 * H), QPointF(-waist * 1.2, waistY + 0.08 * H), QPointF(-waist, waistY));
    } else {
        torso.quadTo(QPointF(hip, hipY - 0.04 * H), QPointF(hip, hipY + 0.02 * H));
        torso.lineTo(-hip, hipY + 0.02 * H);
        torso.quadTo(QPointF(-hip, hipY - 0.04 * H), QPointF(-waist, waistY));
    }
    torso.cubicTo(QPointF(-waist, waistY - 0.04 * H), QPointF(-sw * 0.98, shoulderY + 0.12 * H), QPointF(-sw, shoulderY + 0.035 * H));
    torso.closeSubpath();
    parts.push_back(torso);
    // Neck and head, the head turned a little.
    addLimb(parts, QPointF(0, shoulderY), QPointF(0.004 * H, shoulderY - 0.05 * H), 0.042 * H, 0.038 * H);
    const QPointF headAt(0.006 * H, shoulderY - 0.035 * H - head);
    QPainterPath skull;
    skull.addEllipse(headAt, head * 0.86, head);
    parts.push_back(skull);
    if (!longHair) {
        // Short hair: a little volume on top, so the head is no perfect egg.
        QPainterPath crop;
        crop.addEllipse(headAt + QPointF(-head * 0.08, -head * 0.22), head * 0.9, head * 0.82);
        parts.push_back(crop);
        QPainterPath ears;
        ears.addEllipse(headAt + QPointF(-head * 0.86, head * 0.1), head * 0.13, head * 0.22);
        ears.addEllipse(headAt + QPointF(head * 0.86, head * 0.1), head * 0.13, head * 0.22);
        parts.push_back(ears);
    } else {
        QPainterPath hair;
        if (child) {
            hair.addEllipse(headAt + QPointF(0, head * 0.3), head * 1.05, head * 0.95);
        } else {
            hair.moveTo(headAt + QPointF(-head * 0.88, -head * 0.2));
            hair.cubicTo(headAt + QPointF(-head * 1.1, head * 1.2), headAt + QPointF(-head * 1.15, head * 1.9),
                         headAt + QPointF(-head * 0.6, head * 2.5));
            hair.lineTo(headAt + QPointF(head * 0.6, head * 2.5));
            hair.cubicTo(headAt + QPointF(head * 1.15, head * 1.9), headAt + QPointF(head * 1.1, head * 1.2),
                         headAt + QPointF(head * 0.88, -head * 0.2));
            hair.closeSubpath();
        }
        parts.push_back(hair);
    }
    // Arms with a bend at the elbow.
    for (int side = -1; side <= 1; side += 2) {
        const QPointF shoulder(side * (sw - 0.022 * H), shoulderY + 0.03 * H);
        const QPointF hand = (side < 0 ? leftHand : rightHand) + up;
        const QPointF mid = (shoulder + hand) / 2 + QPointF(side * 0.025 * H, 0.01 * H);
        addLimb(parts, shoulder, mid, 0.05 * H, 0.04 * H);
        addLimb(parts, mid, hand, 0.04 * H, 0.03 * H);
        QPainterPath palm;
        palm.addEllipse(hand + QPointF(0, 0.01 * H), 0.017 * H, 0.023 * H);
        parts.push_back(palm);
    }
    return parts;
}

struct Person {
    double x, height;
    bool child, longHair, dress;
    Pose pose;
};

void fillSilhouette(QPainter& p, const Silhouette& parts, const QTransform& at, const QBrush& brush)
{
    // A thin outline in the same paint closes the seams where the parts meet.
    p.save();
    p.setPen(QPen(brush, 1.2));
    p.setBrush(brush);
    for (const QPainterPath& part : parts)
        p.drawPath(at.map(part));
    p.restore();
}

// ---- Fair: a big wheel at dusk ---------------------------------------------

QPointF onCircle(QPointF centre, double radius, double angle)
{
    return centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
}

// Bulbs along a hanging wire between two posts.
std::vector<QPointF> catenary(QPointF from, QPointF to, double sag, double spacing)
{
    std::vector<QPointF> points;
    const double length = std::hypot(to.x() - from.x(), to.y() - from.y());
    const int count = std::max(2, int(length / spacing));
    for (int i = 0; i <= count; ++i) {
        const double t = double(i) / count;
        points.push_back(from + (to - from) * t + QPointF(0, sag * 4 * t * (1 - t)));
    }
    return points;
}

void drawFair(QImage& image, int variant, PhotoRandom& random)
{
    const double w = image.width(), h = image.height(), s = std::min(w, h) / 1080.0;
    const bool portrait = h > w;
    const int mood = variant % 3;
    const bool bulbsInFront = variant % 3 == 1;
    const bool wheelBehind = variant == 4 || variant == 7;
    const QColor skyTop[] = {QColor(30, 40, 100), QColor(22, 44, 92), QColor(12, 16, 44)};
    const QColor skyLow[] = {QColor(246, 150, 120), QColor(250, 186, 120), QColor(120, 70, 110)};
    const double ground = h * (portrait ? 0.84 : 0.82);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient skyFill(0, 0, 0, ground);
    skyFill.setColorAt(0.0, skyTop[mood]);
    skyFill.setColorAt(0.65, mix(skyTop[mood], skyLow[mood], 0.55));
    skyFill.setColorAt(1.0, skyLow[mood]);
    p.fillRect(image.rect(), skyFill);
    p.end();
    mottle(image, random, 8, 0.1);

    const int scale = variant / 3;
    const double radius = (portrait ? 0.44 * w : 0.38 * h) * (1.0 + 0.35 * scale) * (wheelBehind ? 0.85 : 1.0);
    const double cxShare[] = {0.55, 0.38, 0.5, 0.66, 0.45, 0.6, 0.3, 0.62, 0.58};
    const QPointF hub(w * cxShare[variant % 9], ground - radius * 1.12);
    const int spokes = 16 + 4 * (variant % 3);
    const double turn = random(0, kPi);
    const QColor metal = mix(skyTop[mood], QColor(10, 10, 16), 0.6);

    QImage lights = blackLayer(image.size());
    QPainter lp(&lights);
    lp.setRenderHint(QPainter::Antialiasing);
    lp.setPen(Qt::NoPen);
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Legs and structure.
    // Legs: two lattice girders each, splayed to the ground.
    for (int side = -1; side <= 1; side += 2) {
        const QPointF foot(hub.x() + side * radius * 0.55, ground + 4 * s);
        const QPointF inner(hub.x() + side * radius * 0.4, ground + 4 * s);
        p.setPen(QPen(metal, 5 * s, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(hub, foot);
        p.drawLine(hub, inner);
        p.setPen(QPen(metal, 1.6 * s));
        for (int k = 1; k < 12; ++k) {
            const double t0 = k / 12.0, t1 = (k + 1) / 12.0;
            p.drawLine(hub + (foot - hub) * t0, hub + (inner - hub) * t1);
        }
    }
    p.setPen(QPen(metal, 4 * s));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(hub, radius, radius);
    p.drawEllipse(hub, radius * 0.92, radius * 0.92);
    p.setPen(QPen(metal, 1.8 * s));
    for (int i = 0; i < spokes; ++i) {
        const double a = turn + 2 * kPi * i / spokes;
        p.drawLine(hub, onCircle(hub, radius * 0.92, a));
        p.drawLine(onCircle(hub, radius * 0.92, a), onCircle(hub, radius, a + kPi / spokes));
        p.drawLine(onCircle(hub, radius, a + kPi / spokes), onCircle(hub, radius * 0.92, a + 2 * kPi / spokes));
    }
    // Bulbs: warm white, or the colours running round the wheel.
    const int scheme = (variant + 1) % 3;
    const auto bulbColour = [&](double angle, int index) {
        if (scheme == 0)
            return QColor(255, 224, 170);
        if (scheme == 1)
            return hsv(int(angle * 180 / kPi * 2 + variant * 40), 150, 255);
        const QColor pair[] = {QColor(255, 90, 120), QColor(120, 200, 255), QColor(255, 220, 120)};
        return pair[index % 3];
    };
    p.setPen(Qt::NoPen);
    const int rimBulbs = 140;
    for (int i = 0; i < rimBulbs; ++i) {
        const double a = turn + 2 * kPi * i / rimBulbs;
        const QColor c = bulbColour(a, i / 4);
        for (const double r : {radius, radius * 0.92}) {
            const QPointF at = onCircle(hub, r, a);
            p.setBrush(mix(c, QColor(255, 255, 255), 0.6));
            p.drawEllipse(at, 2.4 * s, 2.4 * s);
            lp.setBrush(c);
            lp.drawEllipse(at, 3.4 * s, 3.4 * s);
        }
    }
    for (int i = 0; i < spokes; ++i) {
        const double a = turn + 2 * kPi * i / spokes;
        const QColor c = bulbColour(a, i);
        for (double r = radius * 0.12; r < radius * 0.9; r += 14 * s) {
            const QPointF at = onCircle(hub, r, a);
            p.setBrush(mix(c, QColor(255, 255, 255), 0.5));
            p.drawEllipse(at, 1.8 * s, 1.8 * s);
            lp.setBrush(c);
            lp.drawEllipse(at, 2.8 * s, 2.8 * s);
        }
    }
    lp.setBrush(QColor(140, 110, 80));
    lp.drawEllipse(hub, radius * 0.05, radius * 0.05);
    p.setBrush(metal);
    p.drawEllipse(hub, radius * 0.07, radius * 0.07);
    p.setBrush(QColor(255, 236, 200));
    p.drawEllipse(hub, radius * 0.025, radius * 0.025);
    // Gondolas hang below their pins.
    const QColor cabins[] = {QColor(200, 60, 60), QColor(60, 120, 200), QColor(230, 180, 60), QColor(70, 160, 110)};
    for (int i = 0; i < spokes; ++i) {
        const double a = turn + 2 * kPi * i / spokes;
        const QPointF pin = onCircle(hub, radius, a);
        const double cw = radius * 0.1, ch = radius * 0.11;
        p.setPen(QPen(metal, 1.5 * s));
        p.drawLine(pin, pin + QPointF(0, 4 * s));
        p.setPen(Qt::NoPen);
        const QRectF cabin(pin.x() - cw / 2, pin.y() + 2 * s, cw, ch);
        QLinearGradient shade(cabin.topLeft(), cabin.topRight());
        const QColor c = lit(cabins[i % 4], 0.55);
        shade.setColorAt(0.0, lit(c, 1.3));
        shade.setColorAt(1.0, lit(c, 0.6));
        p.setBrush(shade);
        p.drawRoundedRect(cabin, cw * 0.25, cw * 0.25);
        p.fillRect(QRectF(cabin.left() + cw * 0.15, cabin.top() + ch * 0.2, cw * 0.7, ch * 0.3), QColor(255, 214, 150, 200));
        lp.fillRect(QRectF(cabin.left() + cw * 0.15, cabin.top() + ch * 0.2, cw * 0.7, ch * 0.3), QColor(120, 90, 50));
    }

    // Stalls along the ground under striped awnings, lit from inside.
    QImage stalls = transparentLayer(image.size());
    {
        QPainter st(&stalls);
        st.setRenderHint(QPainter::Antialiasing);
        st.setPen(Qt::NoPen);
        double x = random(-80, 0) * s;
        const QColor stripes[][2] = {{QColor(200, 40, 50), QColor(240, 230, 220)},
                                     {QColor(40, 90, 170), QColor(240, 230, 220)},
                                     {QColor(230, 160, 40), QColor(200, 60, 50)}};
        int k = variant;
        while (x < w) {
            const double sw = random(140, 260) * s;
            const double sh = random(70, 120) * s;
            const double top = ground - sh;
            QLinearGradient inside(0, top, 0, ground);
            inside.setColorAt(0.0, QColor(255, 200, 120));
            inside.setColorAt(1.0, QColor(120, 60, 30));
            st.setBrush(inside);
            st.drawRect(QRectF(x, top, sw, sh));
            const auto& pair = stripes[k++ % 3];
            const int n = 8;
            for (int i = 0; i < n; ++i) {
                QPolygonF roof;
                roof << QPointF(x + sw / 2, top - sh * 0.55) << QPointF(x - 8 * s + (sw + 16 * s) * i / n, top + 6 * s)
                     << QPointF(x - 8 * s + (sw + 16 * s) * (i + 1) / n, top + 6 * s);
                st.setBrush(lit(pair[i % 2], 0.75));
                st.drawPolygon(roof);
            }
            for (int i = 0; i <= 10; ++i) {
                const QPointF at(x + sw * i / 10, top + 8 * s);
                st.setBrush(QColor(255, 240, 200));
                st.drawEllipse(at, 2.5 * s, 2.5 * s);
                lp.setBrush(QColor(255, 190, 110));
                lp.drawEllipse(at, 5 * s, 5 * s);
            }
            x += sw + random(10, 60) * s;
        }
        // People walking between the stalls, dark against the light.
        for (int i = 0; i < 16; ++i) {
            const double px = random(0, w);
            const double ph = random(70, 120) * s;
            const bool child = random.chance(0.2);
            const bool woman = random.chance(0.5);
            const bool walking = random.chance(0.6);
            const double swing = random(-0.05, 0.05);
            const Silhouette body = figure(child ? ph * 0.6 : ph, child, woman, woman && walking, walking ? Pose::Walking : Pose::Standing,
                                           QPointF(-0.15 + swing, -0.43) * ph, QPointF(0.15 - swing, -0.43) * ph);
            fillSilhouette(st, body, QTransform::fromTranslate(px, ground + 2 * s), QColor(22, 16, 22));
        }
    }
    p.end();
    paintLayer(image, stalls, 3 * s);
    p.begin(&image);
    QLinearGradient dirt(0, ground, 0, h);
    dirt.setColorAt(0.0, QColor(120, 80, 56));
    dirt.setColorAt(0.25, QColor(60, 42, 38));
    dirt.setColorAt(1.0, QColor(18, 14, 16));
    p.fillRect(QRectF(0, ground, w, h - ground), dirt);
    // Strings of bulbs from the wheel's legs out of the picture.
    for (int line = 0; line < 3; ++line) {
        const QPointF from(hub.x() + (line - 1) * radius * 0.4, hub.y() + radius * 0.3);
        const QPointF to(line == 1 ? w * 1.05 : -0.05 * w, ground - random(40, 200) * s);
        const auto bulbs = catenary(from, to, random(20, 80) * s, 22 * s);
        QPainterPath wire;
        wire.moveTo(bulbs.front());
        for (const QPointF& b : bulbs)
            wire.lineTo(b);
        p.setPen(QPen(faded(metal, 0.7), 1.2 * s));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wire);
        p.setPen(Qt::NoPen);
        for (std::size_t i = 0; i < bulbs.size(); ++i) {
            const QColor c = scheme == 0 ? QColor(255, 210, 140) : bulbColour(double(i), int(i));
            p.setBrush(mix(c, QColor(255, 255, 255), 0.6));
            p.drawEllipse(bulbs[i], 2.6 * s, 2.6 * s);
            lp.setBrush(c);
            lp.drawEllipse(bulbs[i], 4 * s, 4 * s);
        }
    }
    p.end();
    lp.end();
    mottle(image, random, 20, 0.15, QRectF(0, ground, w, h - ground));
    bloom(image, lights, 4 * s, 1.0);
    glow(image, QPointF(w * 0.5, ground), w * 0.7, skyLow[mood], 0.25);
    // Visitors right in front of the lens, far out of focus.
    if (!wheelBehind)
        paintOutOfFocus(image, 20 * s, 0.95, [&](QPainter& c) {
            const int count = random.integer(1, 3);
            for (int i = 0; i < count; ++i) {
                const double px = random(0, w);
                const double ph = random(0.7, 1.0) * h;
                const Silhouette body = figure(ph, false, random.chance(0.5), false, Pose::Standing, QPointF(-0.15, -0.43) * ph,
                                               QPointF(0.15, -0.43) * ph);
                fillSilhouette(c, body, QTransform::fromTranslate(px, h + ph * 0.55), QColor(14, 10, 14));
            }
        });

    if (wheelBehind)
        image = softened(image, 12 * s);
    if (bulbsInFront || wheelBehind) {
        // A string of bulbs close to the lens, far out of focus.
        const QPointF from(-0.05 * w, random(0.05, 0.25) * h);
        const QPointF to(1.05 * w, random(0.05, 0.3) * h);
        const auto bulbs = catenary(from, to, random(0.1, 0.25) * h, (wheelBehind ? 120 : 150) * s);
        for (std::size_t i = 0; i < bulbs.size(); ++i) {
            const QColor c = scheme == 0 ? QColor(255, 200, 120) : bulbColour(double(i) * 0.7, int(i));
            if (wheelBehind) {
                // In focus: a glass bulb with its own glow.
                glow(image, bulbs[i], 110 * s, c, 0.55);
                QPainter b(&image);
                b.setRenderHint(QPainter::Antialiasing);
                b.setPen(Qt::NoPen);
                QRadialGradient glass(bulbs[i] + QPointF(0, 14 * s), 16 * s);
                glass.setColorAt(0.0, QColor(255, 255, 245));
                glass.setColorAt(0.5, mix(c, QColor(255, 255, 255), 0.5));
                glass.setColorAt(1.0, faded(c, 0.6));
                b.setBrush(QColor(30, 30, 30));
                b.drawRect(QRectF(bulbs[i].x() - 6 * s, bulbs[i].y() - 8 * s, 12 * s, 12 * s));
                b.setBrush(glass);
                b.drawEllipse(bulbs[i] + QPointF(0, 14 * s), 11 * s, 15 * s);
            } else {
                const double r = random(40, 70) * s;
                drawBokeh(image, bulbs[i], r, c, 0.55);
            }
        }
    }
    finishLikeAPhoto(image, random, 4.0, 0.45);
}

// ---- Balloons ---------------------------------------------------------------

void drawBalloon(QPainter& p, QPointF centre, double r, const QColor& colour, double tilt, bool shadow, double stringLength,
                 double sway)
{
    p.save();
    p.translate(centre);
    p.rotate(tilt);
    p.setPen(Qt::NoPen);
    if (shadow) {
        QRadialGradient g(QPointF(0.25 * r, 0.35 * r), 1.5 * r);
        g.setColorAt(0.0, QColor(0, 0, 0, 60));
        g.setColorAt(1.0, QColor(0, 0, 0, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(0.25 * r, 0.35 * r), 1.5 * r, 1.5 * r);
    }
    // The string first, behind the knot.
    QPainterPath string;
    string.moveTo(0, 1.2 * r);
    string.cubicTo(QPointF(sway * r, 1.2 * r + stringLength * 0.35), QPointF(-sway * r, 1.2 * r + stringLength * 0.7),
                   QPointF(sway * 0.5 * r, 1.2 * r + stringLength));
    p.setPen(QPen(QColor(240, 240, 240, 200), std::max(1.0, r * 0.012)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(string);
    p.setPen(Qt::NoPen);

    QPainterPath body;
    body.moveTo(0, -1.12 * r);
    body.cubicTo(QPointF(1.32 * r, -1.12 * r), QPointF(1.3 * r, 0.55 * r), QPointF(0.1 * r, 1.1 * r));
    body.lineTo(-0.1 * r, 1.1 * r);
    body.cubicTo(QPointF(-1.3 * r, 0.55 * r), QPointF(-1.32 * r, -1.12 * r), QPointF(0, -1.12 * r));
    QRadialGradient shade(QPointF(0, 0), 1.3 * r, QPointF(-0.4 * r, -0.5 * r));
    shade.setColorAt(0.0, mix(colour, QColor(255, 255, 255), 0.45));
    shade.setColorAt(0.3, colour);
    shade.setColorAt(0.78, lit(colour, 0.68));
    shade.setColorAt(0.92, lit(colour, 0.6));
    shade.setColorAt(1.0, lit(colour, 0.82));
    p.setBrush(shade);
    p.drawPath(body);
    // Light through the skin shows at the bottom, opposite the highlight.
    QRadialGradient through(QPointF(0.3 * r, 0.6 * r), 0.7 * r);
    through.setColorAt(0.0, faded(mix(colour, QColor(255, 255, 200), 0.35), 0.45));
    through.setColorAt(1.0, faded(colour, 0.0));
    p.setBrush(through);
    p.drawPath(body);
    // Knot.
    QPolygonF knot;
    knot << QPointF(-0.05 * r, 1.08 * r) << QPointF(0.05 * r, 1.08 * r) << QPointF(0.1 * r, 1.22 * r) << QPointF(-0.1 * r, 1.22 * r);
    p.setBrush(lit(colour, 0.7));
    p.drawPolygon(knot);
    // The window's reflection: a bright soft spot and a sharper core.
    p.save();
    p.translate(-0.42 * r, -0.55 * r);
    p.rotate(-35);
    QRadialGradient spot(QPointF(), 0.32 * r);
    spot.setColorAt(0.0, QColor(255, 255, 255, 235));
    spot.setColorAt(0.4, QColor(255, 255, 255, 120));
    spot.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(spot);
    p.scale(1.0, 0.55);
    p.drawEllipse(QPointF(), 0.32 * r, 0.32 * r);
    p.restore();
    QRadialGradient rim(QPointF(0.55 * r, 0.35 * r), 0.25 * r);
    rim.setColorAt(0.0, QColor(255, 255, 255, 70));
    rim.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(rim);
    p.drawEllipse(QPointF(0.55 * r, 0.35 * r), 0.25 * r, 0.25 * r);
    p.restore();
}

void drawBalloons(QImage& image, int variant, PhotoRandom& random)
{
    const double w = image.width(), h = image.height(), s = std::min(w, h) / 1080.0;
    const bool portrait = h > w;
    const QColor palettes[][4] = {
        {QColor(236, 110, 150), QColor(110, 200, 180), QColor(164, 130, 216), QColor(250, 176, 112)},
        {QColor(214, 36, 48), QColor(36, 86, 206), QColor(246, 196, 34), QColor(52, 164, 76)},
        {QColor(214, 164, 76), QColor(244, 238, 230), QColor(236, 176, 176), QColor(204, 134, 116)},
        {QColor(36, 56, 136), QColor(196, 200, 212), QColor(104, 166, 226), QColor(236, 236, 240)},
        {QColor(246, 104, 86), QColor(26, 152, 164), QColor(246, 186, 46), QColor(196, 56, 146)},
    };
    const QColor* palette = palettes[variant % 5];
    const int backdrop = variant % 3; // a wall lit from a window, the open sky, a wall in warm light
    const bool sky = backdrop == 1;

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const bool lightFromLeft = variant % 2 == 0;
    if (sky) {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0.0, QColor(70, 140, 220));
        g.setColorAt(1.0, QColor(190, 222, 246));
        p.fillRect(image.rect(), g);
        for (int i = 0; i < 9; ++i) {
            const QPointF at = randomPoint(random, QRectF(-0.1 * w, 0.3 * h, 1.2 * w, 0.8 * h));
            const double r = random(120, 300) * s;
            QRadialGradient cloud(at, r);
            cloud.setColorAt(0.0, QColor(255, 255, 255, 200));
            cloud.setColorAt(1.0, QColor(255, 255, 255, 0));
            p.setBrush(cloud);
            p.drawEllipse(at, r * 1.6, r);
        }
    } else {
        const QColor walls[] = {QColor(250, 232, 224), QColor(232, 240, 246), QColor(252, 240, 212), QColor(236, 230, 246)};
        const QColor wall = walls[(variant / 3 + variant) % 4];
        QLinearGradient g(lightFromLeft ? 0 : w, 0, lightFromLeft ? w : 0, h);
        g.setColorAt(0.0, lit(wall, 1.05));
        g.setColorAt(1.0, lit(wall, backdrop == 2 ? 0.62 : 0.78));
        p.fillRect(image.rect(), g);
        // The window's light falling on the wall.
        p.save();
        p.translate(lightFromLeft ? w * 0.2 : w * 0.8, h * 0.35);
        p.rotate(lightFromLeft ? -18 : 18);
        p.fillRect(QRectF(-0.2 * w, -0.45 * h, 0.4 * w, 0.9 * h), QColor(255, 250, 235, backdrop == 2 ? 90 : 60));
        p.restore();
    }
    p.end();
    image = softened(image, 30 * s);
    mottle(image, random, 12, sky ? 0.04 : 0.1);
    for (int i = 0; i < (sky ? 6 : 16); ++i) {
        const QPointF at = randomPoint(random, QRectF(0, 0, w, h));
        const double r = random(20, 60) * s;
        drawBokeh(image, at, r, backdrop == 2 ? QColor(255, 210, 150) : QColor(255, 255, 255), 0.35);
    }

    // Balloons farther back, out of focus.
    const QPointF cluster(w * (portrait ? 0.5 : (variant % 2 ? 0.6 : 0.42)), h * (portrait ? 0.36 : 0.42));
    const double unit = std::min(w, h);
    paintOutOfFocus(image, 14 * s, 0.9, [&](QPainter& b) {
        const int count = random.integer(5, 9);
        for (int i = 0; i < count; ++i) {
            const QPointF at = randomPoint(random, QRectF(-0.05 * w, -0.05 * h, 1.1 * w, 0.8 * h));
            const double r = random(0.05, 0.09) * unit;
            const QColor c = palette[random.integer(0, 3)];
            const double tilt = random(-20, 20);
            drawBalloon(b, at, r, c, tilt, false, 0.9 * h, 0.3);
        }
    });

    // The bunch in focus.
    const int count = random.integer(4, 7);
    struct Placed {
        QPointF at;
        double r;
    };
    std::vector<Placed> placed;
    for (int i = 0; i < count * 4 && int(placed.size()) < count; ++i) {
        const double r = random(0.1, 0.15) * unit * (portrait ? 1.1 : 1.0);
        const double dx = random(-1, 1) * unit * 0.32;
        const double dy = random(-1, 1) * unit * (portrait ? 0.4 : 0.25);
        const QPointF at = cluster + QPointF(dx, dy);
        // Balloons touch but do not sink far into one another.
        const bool clash = std::any_of(placed.begin(), placed.end(), [&](const Placed& o) {
            return std::hypot(o.at.x() - at.x(), o.at.y() - at.y()) < (o.r + r) * 0.8;
        });
        if (!clash)
            placed.push_back({at, r});
    }
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.r < b.r; });
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const QColor c = palette[(i + std::size_t(variant)) % 4];
        const double tilt = random(-14, 14);
        const double sway = random(-0.5, 0.5);
        drawBalloon(p, placed[i].at, placed[i].r, c, tilt, !sky, h, sway);
    }
    p.end();

    // Confetti in the air: small pieces in focus, large ones right at the lens.
    const QColor confettiColours[] = {palette[0], palette[1], palette[2], palette[3], QColor(255, 215, 90), QColor(255, 255, 255)};
    const auto confetti = [&](QPainter& c, int pieces, double lo, double hi) {
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(Qt::NoPen);
        for (int i = 0; i < pieces; ++i) {
            const QPointF at = randomPoint(random, QRectF(0, 0, w, h));
            const double size = random(lo, hi) * s;
            const double angle = random(0, 180);
            const double flip = random(0.2, 1.0);
            const QColor col = confettiColours[random.integer(0, 5)];
            c.save();
            c.translate(at);
            c.rotate(angle);
            c.scale(1.0, flip);
            QLinearGradient g(-size, 0, size, 0);
            g.setColorAt(0.0, lit(col, 1.15));
            g.setColorAt(1.0, lit(col, 0.75));
            c.setBrush(g);
            if (i % 3 == 0)
                c.drawEllipse(QPointF(), size * 0.6, size * 0.6);
            else
                c.drawRect(QRectF(-size * 0.4, -size * 0.7, size * 0.8, size * 1.4));
            c.restore();
        }
    };
    {
        QPainter c(&image);
        confetti(c, 90, 7, 14);
    }
    paintOutOfFocus(image, 22 * s, 1.0, [&](QPainter& c) {
        confetti(c, 12, 30, 60);
        // One balloon right at the lens, cut by the frame.
        const QPointF at(variant % 2 ? -0.02 * w : 1.02 * w, random(0.6, 0.95) * h);
        drawBalloon(c, at, 0.22 * unit, palette[(variant + 2) % 4], 10, false, h, 0.2);
    });
    glow(image, QPointF(lightFromLeft ? 0 : w, 0), 0.9 * w, QColor(255, 244, 220), 0.35);
    finishLikeAPhoto(image, random, 3.5, 0.3);
}

// ---- Flowers ----------------------------------------------------------------

struct FlowerKind {
    int petals, rings;
    double width;
    int tip; // 0 round, 1 notched, 2 pointed
    double centre;
    QColor inner, colour, tip_, vein, centreColour;
    bool stamens;
};

QPainterPath petalPath(double length, double width, int tip)
{
    QPainterPath path;
    path.moveTo(0, 0);
    path.cubicTo(QPointF(length * 0.25, -width * 0.9), QPointF(length * 0.7, -width * 1.05), QPointF(length * 0.95, -width * 0.4));
    if (tip == 1) {
        path.quadTo(QPointF(length * 0.98, -width * 0.2), QPointF(length * 0.9, 0));
        path.quadTo(QPointF(length * 0.98, width * 0.2), QPointF(length * 0.95, width * 0.4));
    } else if (tip == 2) {
        path.quadTo(QPointF(length * 0.99, -width * 0.15), QPointF(length * 1.03, 0));
        path.quadTo(QPointF(length * 0.99, width * 0.15), QPointF(length * 0.95, width * 0.4));
    } else {
        path.quadTo(QPointF(length * 1.05, 0), QPointF(length * 0.95, width * 0.4));
    }
    path.cubicTo(QPointF(length * 0.7, width * 1.05), QPointF(length * 0.25, width * 0.9), QPointF(0, 0));
    return path;
}

void drawFlower(QPainter& p, QPointF centre, double radius, const FlowerKind& kind, double lightAngle, double tilt,
                PhotoRandom& random, bool detailed)
{
    const double s = radius / 300.0;
    p.save();
    p.translate(centre);
    p.scale(1.0, tilt);
    p.setPen(Qt::NoPen);
    const double start = random(0, 2 * kPi);
    QGradientStops veinStops;
    const bool fanned = kind.petals * kind.rings <= 16;
    if (detailed && fanned) {
        // A lighter midrib along the axis, darker rays every few degrees.
        constexpr int rays = 100;
        const QColor vein = faded(kind.vein, 0.16), clear = faded(kind.vein, 0.0);
        veinStops.append({0.0, QColor(255, 255, 255, 35)});
        veinStops.append({0.006, clear});
        for (int i = 1; i < rays; ++i) {
            const double at = double(i) / rays;
            veinStops.append({at - 0.002, clear});
            veinStops.append({at, vein});
            veinStops.append({at + 0.002, clear});
        }
        veinStops.append({0.994, clear});
        veinStops.append({1.0, QColor(255, 255, 255, 35)});
    }
    for (int ring = 0; ring < kind.rings; ++ring) {
        const double reach = radius * (1.0 - 0.2 * ring);
        const int n = kind.petals;
        for (int i = 0; i < n; ++i) {
            const double jitter = random(-0.06, 0.06);
            const double angle = start + (i + 0.5 * ring) * 2 * kPi / n + jitter;
            const double length = reach * random(0.9, 1.04);
            const double width = length * kind.width * random(0.9, 1.1) * (1.0 + 0.15 * ring);
            const double light = 0.84 + 0.24 * std::cos(angle - lightAngle);
            const QPainterPath petal = petalPath(length, width, kind.tip);
            // The petals above cast soft shadows on those below.
            p.save();
            p.translate(QPointF(-std::cos(lightAngle), -std::sin(lightAngle)) * (5.0 * s));
            p.rotate(angle * 180 / kPi);
            p.fillPath(petal, QColor(0, 0, 0, 38));
            p.restore();
            p.save();
            p.rotate(angle * 180 / kPi);
            QLinearGradient along(0, 0, length, 0);
            along.setColorAt(0.0, lit(kind.inner, light));
            along.setColorAt(0.4, lit(kind.colour, light));
            along.setColorAt(1.0, lit(kind.tip_, light));
            p.fillPath(petal, along);
            // Curved across: darker towards the edges.
            QLinearGradient across(0, -width, 0, width);
            across.setColorAt(0.0, QColor(0, 0, 0, 50));
            across.setColorAt(0.3, QColor(0, 0, 0, 0));
            across.setColorAt(0.55, QColor(255, 255, 255, 30));
            across.setColorAt(0.75, QColor(0, 0, 0, 0));
            across.setColorAt(1.0, QColor(0, 0, 0, 60));
            p.fillPath(petal, across);
            if (detailed && fanned) {
                // Veins fan out from the base: fine rays of a conical
                // gradient, one fill instead of a stroke per vein.
                QConicalGradient veins(QPointF(-length * 0.05, 0), 0);
                veins.setStops(veinStops);
                p.fillPath(petal, veins);
            } else if (detailed) {
                // Narrow petals: veins running along them.
                QLinearGradient veins(0, 0, 0, 5.0 * s);
                veins.setSpread(QGradient::RepeatSpread);
                veins.setColorAt(0.0, faded(kind.vein, 0.0));
                veins.setColorAt(0.5, faded(kind.vein, 0.14));
                veins.setColorAt(1.0, faded(kind.vein, 0.0));
                p.fillPath(petal, veins);
            }
            p.restore();
        }
    }
    // The heart of the flower: a domed disc of florets lit from one side.
    const double heart = radius * kind.centre;
    const QPointF toLight(std::cos(lightAngle), std::sin(lightAngle));
    QRadialGradient dome(QPointF(), heart, toLight * heart * 0.4);
    dome.setColorAt(0.0, lit(kind.centreColour, 1.3));
    dome.setColorAt(0.8, kind.centreColour);
    dome.setColorAt(1.0, lit(kind.centreColour, 0.55));
    p.setBrush(dome);
    p.drawEllipse(QPointF(), heart, heart);
    if (kind.stamens) {
        p.setPen(QPen(QColor(30, 20, 30, 200), 1.4 * s));
        for (int i = 0; i < 60; ++i) {
            const double a = 2 * kPi * i / 60 + random(-0.05, 0.05);
            const double r = heart * random(1.5, 2.0);
            const QPointF tip(std::cos(a) * r, std::sin(a) * r);
            p.drawLine(QPointF(std::cos(a), std::sin(a)) * heart * 0.8, tip);
            p.save();
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(25, 20, 30));
            p.drawEllipse(tip, 3 * s, 3 * s);
            p.restore();
        }
        p.setPen(Qt::NoPen);
    }
    if (detailed) {
        // Florets in the sunflower's spiral.
        const int florets = int(std::min(600.0, 1.4 * heart * heart / (s * s * 9.0)));
        const double golden = kPi * (3.0 - std::sqrt(5.0));
        for (int i = 0; i < florets; ++i) {
            const double r = heart * 0.95 * std::sqrt((i + 0.5) / florets);
            const double a = i * golden;
            const QPointF at(std::cos(a) * r, std::sin(a) * r);
            const double facing = (at.x() * toLight.x() + at.y() * toLight.y()) / heart;
            const double dot = std::max(1.2 * s, heart * 0.03);
            p.setBrush(lit(mix(kind.centreColour, QColor(255, 230, 120), 0.25 + 0.15 * facing), 0.8 + 0.35 * facing));
            p.drawEllipse(at, dot, dot);
        }
        // The dome's light over the florets.
        QRadialGradient sheen(QPointF(), heart, toLight * heart * 0.5);
        sheen.setColorAt(0.0, QColor(255, 240, 200, 60));
        sheen.setColorAt(0.7, QColor(0, 0, 0, 0));
        sheen.setColorAt(1.0, QColor(0, 0, 0, 90));
        p.setBrush(sheen);
        p.drawEllipse(QPointF(), heart, heart);
    }
    p.restore();
}

void drawDewDrop(QPainter& p, QPointF at, double r, const QColor& under, double lightAngle)
{
    const QPointF toLight(std::cos(lightAngle), std::sin(lightAngle));
    p.setPen(Qt::NoPen);
    QRadialGradient shadow(at - toLight * r * 0.6, r * 1.4);
    shadow.setColorAt(0.0, QColor(0, 0, 0, 60));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(shadow);
    p.drawEllipse(at - toLight * r * 0.6, r * 1.4, r * 1.4);
    QRadialGradient body(at, r, at - toLight * r * 0.4);
    body.setColorAt(0.0, lit(under, 1.25));
    body.setColorAt(0.75, lit(under, 0.9));
    body.setColorAt(1.0, lit(under, 0.5));
    p.setBrush(body);
    p.drawEllipse(at, r, r);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(at + toLight * r * 0.45, r * 0.22, r * 0.22);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(at - toLight * r * 0.5, r * 0.3, r * 0.18);
}

void drawFlowers(QImage& image, int variant, PhotoRandom& random)
{
    const double w = image.width(), h = image.height(), s = std::min(w, h) / 1080.0;
    const bool portrait = h > w;
    const FlowerKind kinds[] = {
        {8, 1, 0.42, 1, 0.13, QColor(196, 40, 116), QColor(238, 108, 168), QColor(250, 176, 206), QColor(160, 30, 96), QColor(240, 186, 40), false},
        {26, 2, 0.12, 0, 0.2, QColor(226, 226, 214), QColor(248, 248, 244), QColor(255, 255, 255), QColor(150, 150, 170), QColor(236, 170, 30), false},
        {5, 2, 0.78, 0, 0.13, QColor(120, 10, 20), QColor(222, 36, 32), QColor(244, 84, 52), QColor(140, 16, 16), QColor(48, 44, 36), true},
        {22, 2, 0.2, 2, 0.42, QColor(206, 120, 10), QColor(250, 186, 28), QColor(255, 212, 70), QColor(190, 130, 20), QColor(96, 54, 22), false},
        {14, 4, 0.36, 2, 0.07, QColor(190, 50, 70), QColor(236, 110, 110), QColor(255, 190, 170), QColor(160, 40, 60), QColor(230, 180, 60), false},
        {8, 1, 0.42, 1, 0.13, QColor(230, 220, 236), QColor(250, 246, 252), QColor(255, 255, 255), QColor(170, 140, 190), QColor(240, 190, 50), false},
        {5, 2, 0.78, 0, 0.13, QColor(190, 70, 10), QColor(246, 128, 30), QColor(252, 170, 60), QColor(170, 70, 10), QColor(50, 44, 30), true},
        {24, 2, 0.13, 0, 0.2, QColor(120, 80, 180), QColor(170, 130, 220), QColor(210, 190, 245), QColor(90, 60, 150), QColor(244, 196, 40), false},
        {22, 2, 0.2, 2, 0.42, QColor(200, 100, 10), QColor(246, 170, 20), QColor(255, 200, 60), QColor(190, 120, 20), QColor(80, 46, 20), false},
    };
    const FlowerKind& kind = kinds[variant % 9];
    const bool evening = variant % 4 == 2;
    const double lightAngle = (variant % 2 ? -0.6 : -2.5) + random(-0.3, 0.3);

    // The garden behind: greens and other blooms, far out of focus.
    QPainter p;
    paintOutOfFocus(image, 40 * s, 1.0, [&](QPainter& g) {
        QLinearGradient base(0, 0, 0, h);
        base.setColorAt(0.0, evening ? QColor(236, 200, 130) : QColor(196, 220, 160));
        base.setColorAt(0.45, evening ? QColor(120, 120, 50) : QColor(96, 150, 70));
        base.setColorAt(1.0, evening ? QColor(40, 50, 20) : QColor(30, 70, 30));
        g.fillRect(image.rect(), base);
        // Foliage: leaves of many sizes in muted greens, sunlit near the top.
        for (int i = 0; i < 160; ++i) {
            const QPointF at = randomPoint(random, QRectF(-0.1 * w, -0.1 * h, 1.2 * w, 1.2 * h));
            const double r = random(20, 150) * s;
            const int hue = random.integer(60, 125);
            const int sat = random.integer(60, 170);
            const int val = random.integer(40, 170);
            const double angle = random(0, 360);
            const double sunlit = std::max(0.0, 1.0 - at.y() / h) * random.unit();
            g.save();
            g.translate(at);
            g.rotate(angle);
            g.setBrush(faded(hsv(hue + (evening ? -18 : 0), sat - int(40 * sunlit), int(val * (0.55 + 0.5 * (1 - at.y() / h)) + 70 * sunlit)), 0.6));
            g.drawPath(petalPath(2 * r, r * 0.5, 2).translated(-r, 0));
            g.restore();
        }
        for (int i = 0; i < 9; ++i) {
            const QPointF at = randomPoint(random, QRectF(0, 0, w, h));
            const double r = random(30, 90) * s;
            g.setBrush(faded(kind.colour, 0.7));
            g.drawEllipse(at, r, r);
        }
    });
    for (int i = 0; i < 16; ++i) {
        const QPointF at = randomPoint(random, QRectF(0, 0, w, h * 0.7));
        const double r = random(18, 55) * s;
        drawBokeh(image, at, r, evening ? QColor(255, 214, 150) : QColor(240, 255, 220), 0.35);
    }

    // A second bloom behind, softly out of focus.
    const double unit = std::min(w, h);
    // Close, closer, or a step back with a second bloom beside it in focus.
    const bool pair = variant >= 6;
    const double radius = unit * (portrait ? 0.38 : 0.36) * (variant / 3 == 1 ? 1.25 : pair ? 0.78 : 1.0);
    const double shiftX[] = {0.58, 0.4, 0.5, 0.62, 0.45, 0.5, 0.36, 0.64, 0.5};
    const QPointF centre(w * shiftX[variant % 9], h * (portrait ? 0.38 : 0.48));
    paintOutOfFocus(image, 12 * s, 1.0, [&](QPainter& b) {
        const QPointF other(centre.x() > w / 2 ? w * 0.14 : w * 0.86, h * (portrait ? 0.72 : 0.2));
        b.setPen(QPen(QColor(60, 110, 50), 12 * s));
        b.drawLine(other, QPointF(other.x() + 40 * s, h));
        drawFlower(b, other, radius * 0.65, kind, lightAngle, 0.7, random, false);
    });

    const QPointF beside = centre + (portrait ? QPointF(radius * 0.7, radius * 1.5)
                                              : QPointF(radius * (centre.x() > w / 2 ? -1.55 : 1.55), radius * 0.45));
    // The stems and a leaf, a little behind the plane of focus.
    paintOutOfFocus(image, 8 * s, 1.0, [&](QPainter& st) {
        for (const QPointF& from : pair ? std::vector<QPointF>{beside, centre} : std::vector<QPointF>{centre}) {
            QPainterPath stem;
            stem.moveTo(from);
            stem.cubicTo(from + QPointF(30 * s, 0.3 * h), from + QPointF(-40 * s, 0.45 * h), QPointF(from.x() + 20 * s, h + 10));
            QLinearGradient across(from.x() - 12 * s, 0, from.x() + 12 * s, 0);
            across.setColorAt(0.0, QColor(50, 100, 40));
            across.setColorAt(0.4, QColor(110, 160, 70));
            across.setColorAt(1.0, QColor(30, 70, 30));
            st.setPen(QPen(QBrush(across), 16 * s, Qt::SolidLine, Qt::RoundCap));
            st.drawPath(stem);
        }
        st.setPen(Qt::NoPen);
        st.save();
        st.translate(centre.x() + 10 * s, centre.y() + radius * 1.2);
        st.rotate(variant % 2 ? -30 : 210);
        QLinearGradient leaf(0, -60 * s, 0, 60 * s);
        leaf.setColorAt(0.0, QColor(90, 150, 60));
        leaf.setColorAt(1.0, QColor(30, 70, 30));
        st.fillPath(petalPath(radius * 0.9, radius * 0.18, 2), leaf);
        st.restore();
    });

    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double tilt = random(0.78, 0.96);
    if (pair) {
        drawFlower(p, beside, radius * 0.72, kind, lightAngle, tilt * 0.9, random, true);
    }
    drawFlower(p, centre, radius, kind, lightAngle, tilt, random, true);
    // Dew on the petals.
    const int drops = variant % 3 == 0 ? random.integer(4, 8) : random.integer(0, 2);
    for (int i = 0; i < drops; ++i) {
        const double a = random(0, 2 * kPi);
        const double r = random(0.45, 0.85) * radius;
        const double size = random(5, 13) * s;
        drawDewDrop(p, centre + QPointF(std::cos(a) * r, std::sin(a) * r * tilt), size, kind.colour, lightAngle);
    }
    p.end();
    // The lens focused on the heart of the flower: its far petals soften.
    focusFalloff(image, 7 * s, QPointF(centre.x(), centre.y() - radius * 0.2), QPointF(centre.x(), centre.y() - radius * 1.1));
    glow(image, QPointF(w / 2, h / 2) + QPointF(std::cos(lightAngle), std::sin(lightAngle)) * w * 0.6, w * 0.8,
         evening ? QColor(255, 210, 140) : QColor(255, 255, 230), 0.3);
    finishLikeAPhoto(image, random, 3.0, 0.35);
}

// ---- Wedding ----------------------------------------------------------------

void drawRose(QPainter& p, QPointF centre, double r, const QColor& colour, double lightAngle)
{
    const QPointF toLight(std::cos(lightAngle), std::sin(lightAngle));
    p.save();
    p.translate(centre);
    p.setPen(Qt::NoPen);
    // Outer petals, open and lit on the side towards the window.
    for (int i = 0; i < 6; ++i) {
        const double a = 2 * kPi * i / 6 + r * 0.37;
        const QPointF at(std::cos(a) * r * 0.42, std::sin(a) * r * 0.42);
        const double facing = 0.5 + 0.5 * (std::cos(a) * toLight.x() + std::sin(a) * toLight.y());
        QRadialGradient g(at * 0.6, r * 0.75, at * 0.9);
        g.setColorAt(0.0, lit(colour, 0.92 + 0.2 * facing));
        g.setColorAt(0.75, lit(colour, 0.82 + 0.12 * facing));
        g.setColorAt(1.0, lit(colour, 0.62));
        p.setBrush(g);
        p.drawEllipse(at, r * 0.6, r * 0.55);
    }
    // Cupped petals closing in: each a chord of an ellipse with a lit lip
    // and a shadow falling inside it.
    for (int k = 0; k < 6; ++k) {
        const double rr = r * (0.74 - 0.11 * k);
        const QPointF c = -toLight * (r * 0.04 * k);
        const QRectF box(c.x() - rr, c.y() - rr * 0.92, 2 * rr, 1.84 * rr);
        const double start = 200.0 + k * 137.0;
        QPainterPath petal;
        petal.arcMoveTo(box, start);
        petal.arcTo(box, start, 230);
        petal.closeSubpath();
        const QPointF mid = c + QPointF(std::cos((start + 115) * kPi / 180), -std::sin((start + 115) * kPi / 180)) * rr;
        QLinearGradient shade(mid, c);
        shade.setColorAt(0.0, lit(mix(colour, QColor(255, 255, 255), 0.25), 1.02));
        shade.setColorAt(0.18, lit(colour, 0.95));
        shade.setColorAt(1.0, lit(colour, 0.7 - 0.03 * k));
        p.setBrush(QColor(40, 20, 20, 50));
        p.drawPath(petal.translated(-toLight * r * 0.05));
        p.setBrush(shade);
        p.drawPath(petal);
    }
    QRadialGradient heart(QPointF(), r * 0.14);
    heart.setColorAt(0.0, lit(colour, 0.45));
    heart.setColorAt(1.0, lit(colour, 0.75));
    p.setBrush(heart);
    p.drawEllipse(-toLight * r * 0.2, r * 0.12, r * 0.1);
    p.restore();
}

// Light across an object painted on its own layer: the side away from the
// light darkened, and a soft contact shadow cast onto the picture beneath.
void placeLit(QImage& image, QImage& layer, double lightAngle, double shadowReach, double shadowBlur, double depth)
{
    const double w = image.width(), h = image.height();
    {
        QPainter p(&layer);
        p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        const QPointF toLight(std::cos(lightAngle), std::sin(lightAngle));
        const QPointF c(w / 2, h / 2);
        QLinearGradient shade(c + toLight * w * 0.3, c - toLight * w * 0.3);
        shade.setColorAt(0.0, QColor(0, 0, 0, 0));
        shade.setColorAt(1.0, QColor(20, 10, 10, int(255 * depth)));
        p.fillRect(layer.rect(), shade);
    }
    QPainter p(&image);
    if (shadowReach > 0.0) {
        QImage shadow = layer;
        {
            QPainter s(&shadow);
            s.setCompositionMode(QPainter::CompositionMode_SourceIn);
            s.fillRect(shadow.rect(), QColor(40, 20, 20, 150));
        }
        const QPointF away(-std::cos(lightAngle) * shadowReach, -std::sin(lightAngle) * shadowReach + shadowReach * 0.5);
        p.drawImage(away, softened(shadow, shadowBlur));
    }
    p.drawImage(0, 0, layer);
}

// Two gold bands: the body, its edge seen in perspective and the glints.
void drawRing(QPainter& p, QPointF centre, double a, double b, double band, double angle, const QColor& metal, bool stone)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    QPainterPath ring;
    ring.addEllipse(QPointF(), a, b);
    ring.addEllipse(QPointF(0, b * 0.04), a - band, b - band * (b / a));
    ring.setFillRule(Qt::OddEvenFill);
    const double thick = band * 0.7;
    QConicalGradient side(QPointF(), 90);
    side.setColorAt(0.0, lit(metal, 0.45));
    side.setColorAt(0.25, lit(metal, 0.8));
    side.setColorAt(0.5, lit(metal, 0.4));
    side.setColorAt(0.75, lit(metal, 0.9));
    side.setColorAt(1.0, lit(metal, 0.45));
    p.setPen(Qt::NoPen);
    p.setBrush(side);
    p.drawPath(ring.translated(0, thick));
    QConicalGradient face(QPointF(), 120);
    face.setColorAt(0.0, lit(metal, 1.35));
    face.setColorAt(0.12, lit(metal, 0.7));
    face.setColorAt(0.35, lit(metal, 1.2));
    face.setColorAt(0.5, lit(metal, 0.55));
    face.setColorAt(0.65, lit(metal, 1.4));
    face.setColorAt(0.85, lit(metal, 0.75));
    face.setColorAt(1.0, lit(metal, 1.35));
    p.setBrush(face);
    p.drawPath(ring);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 250, 230, 200), std::max(1.0, band * 0.12)));
    p.drawArc(QRectF(-a, -b, 2 * a, 2 * b), 100 * 16, 60 * 16);
    p.drawArc(QRectF(-a + band, -b + band * b / a, 2 * (a - band), 2 * (b - band * b / a)), 250 * 16, 50 * 16);
    if (stone) {
        const QPointF top(0, -b - band * 0.2);
        const double d = band * 1.4;
        QPolygonF gem;
        gem << top + QPointF(-d, 0) << top + QPointF(-d * 0.6, -d * 0.7) << top + QPointF(d * 0.6, -d * 0.7)
            << top + QPointF(d, 0) << top + QPointF(0, d * 0.9);
        QLinearGradient facets(top + QPointF(-d, -d), top + QPointF(d, d));
        facets.setColorAt(0.0, QColor(255, 255, 255));
        facets.setColorAt(0.3, QColor(170, 190, 210));
        facets.setColorAt(0.5, QColor(250, 252, 255));
        facets.setColorAt(0.7, QColor(120, 140, 170));
        facets.setColorAt(1.0, QColor(230, 240, 255));
        p.setPen(QPen(QColor(90, 100, 120, 160), 1.0));
        p.setBrush(facets);
        p.drawPolygon(gem);
        p.drawLine(top + QPointF(-d * 0.6, -d * 0.7), top + QPointF(0, d * 0.9));
        p.drawLine(top + QPointF(d * 0.6, -d * 0.7), top + QPointF(0, d * 0.9));
        // A star of light off the stone.
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(top + QPointF(-d * 0.3, -d * 0.4));
            p.rotate(45.0 * i + 20);
            QLinearGradient ray(-d * 3, 0, d * 3, 0);
            ray.setColorAt(0.0, QColor(255, 255, 255, 0));
            ray.setColorAt(0.5, QColor(255, 255, 255, i % 2 ? 140 : 230));
            ray.setColorAt(1.0, QColor(255, 255, 255, 0));
            p.setBrush(ray);
            p.drawEllipse(QPointF(), d * (i % 2 ? 1.6 : 3.0), d * 0.06 + 0.6);
            p.restore();
        }
    }
    p.restore();
}

void drawCandle(QPainter& p, QImage& lights, QPointF base, double width, double height)
{
    const double top = base.y() - height;
    const double left = base.x() - width / 2;
    const double cap = width * 0.14;
    p.setPen(Qt::NoPen);
    QLinearGradient body(left, 0, left + width, 0);
    body.setColorAt(0.0, QColor(196, 170, 150));
    body.setColorAt(0.35, QColor(252, 242, 226));
    body.setColorAt(0.7, QColor(236, 220, 200));
    body.setColorAt(1.0, QColor(160, 136, 120));
    QPainterPath shape;
    shape.moveTo(left, top);
    shape.lineTo(left, base.y());
    shape.arcTo(QRectF(left, base.y() - cap, width, 2 * cap), 180, 180);
    shape.lineTo(left + width, top);
    shape.arcTo(QRectF(left, top - cap, width, 2 * cap), 0, -180);
    p.fillPath(shape, body);
    // The flame lights the wax from inside near the top.
    QLinearGradient inner(0, top, 0, top + height * 0.5);
    inner.setColorAt(0.0, QColor(255, 200, 120, 110));
    inner.setColorAt(1.0, QColor(255, 200, 120, 0));
    p.fillPath(shape, inner);
    QRadialGradient pool(QPointF(base.x(), top), width / 2);
    pool.setColorAt(0.0, QColor(255, 236, 190));
    pool.setColorAt(0.8, QColor(246, 226, 196));
    pool.setColorAt(1.0, QColor(255, 250, 240));
    p.setBrush(pool);
    p.drawEllipse(QPointF(base.x(), top), width / 2, cap);
    p.setPen(QPen(QColor(40, 30, 20), std::max(1.0, width * 0.03)));
    const QPointF wick(base.x(), top - width * 0.1);
    p.drawLine(QPointF(base.x(), top), wick);
    p.setPen(Qt::NoPen);
    const double fh = width * 0.5, fw = width * 0.1;
    QPainterPath flame;
    flame.moveTo(wick + QPointF(0, -fh));
    flame.cubicTo(wick + QPointF(fw * 0.9, -fh * 0.5), wick + QPointF(fw * 1.2, fh * 0.05), wick + QPointF(0, fh * 0.1));
    flame.cubicTo(wick + QPointF(-fw * 1.2, fh * 0.05), wick + QPointF(-fw * 0.9, -fh * 0.5), wick + QPointF(0, -fh));
    QRadialGradient fire(wick + QPointF(0, -fh * 0.2), fh * 0.6);
    fire.setColorAt(0.0, QColor(255, 255, 245));
    fire.setColorAt(0.5, QColor(255, 226, 140));
    fire.setColorAt(1.0, QColor(255, 150, 50, 200));
    p.setBrush(fire);
    p.drawPath(flame);
    p.setBrush(QColor(90, 120, 255, 90));
    p.drawEllipse(wick + QPointF(0, fh * 0.02), fw * 0.5, fw * 0.35);
    QPainter lp(&lights);
    lp.setRenderHint(QPainter::Antialiasing);
    lp.setPen(Qt::NoPen);
    lp.setBrush(QColor(255, 190, 100));
    lp.drawPath(flame);
    lp.setBrush(QColor(110, 70, 30));
    lp.drawEllipse(QPointF(base.x(), top + height * 0.15), width * 0.45, height * 0.2);
}

void drawWedding(QImage& image, int variant, PhotoRandom& random)
{
    const double w = image.width(), h = image.height(), s = std::min(w, h) / 1080.0;
    const bool portrait = h > w;
    enum Kind { Rings, Candles, Bouquet };
    const Kind kinds[] = {Rings, Candles, Bouquet, Bouquet, Rings, Candles, Candles, Bouquet, Rings};
    const Kind kind = kinds[variant % 9];
    const double unit = std::min(w, h);
    const bool fromLeft = variant % 2 == 0;
    const double lightAngle = fromLeft ? -2.4 : -0.7;
    const QColor blush = mix(QColor(246, 214, 210), QColor(250, 236, 222), (variant % 3) / 2.0);
    QPainter p;

    if (kind == Rings) {
        // Satin in folds, the far part out of focus.
        image.fill(blush);
        p.begin(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 9; ++i) {
            const double x = random(-0.2, 1.2) * w;
            const double slant = random(-0.5, 0.5) * h;
            const double width = random(60, 220) * s;
            QLinearGradient fold(QPointF(x - width, 0), QPointF(x + width, slant * 0.2));
            fold.setColorAt(0.0, QColor(255, 255, 255, 0));
            fold.setColorAt(0.3, QColor(255, 255, 255, 110));
            fold.setColorAt(0.55, QColor(120, 80, 80, 50));
            fold.setColorAt(1.0, QColor(120, 80, 80, 0));
            p.setBrush(fold);
            p.save();
            p.translate(x, h / 2);
            p.rotate(random(-25, 25));
            p.translate(-x, -h / 2);
            p.drawRect(QRectF(x - width, -0.5 * h, 2 * width, 2 * h));
            p.restore();
        }
        p.end();
        // Satin is smooth: its folds are soft light, not edges.
        image = softened(image, 16 * s);
        p.begin(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        // Rose petals dropped on the cloth.
        for (int i = 0; i < 14; ++i) {
            const QPointF at = randomPoint(random, QRectF(0, 0, w, h));
            const double r = random(22, 46) * s;
            const double angle = random(0, 360);
            p.save();
            p.translate(at);
            p.rotate(angle);
            QRadialGradient petal(QPointF(-r * 0.3, -r * 0.2), r * 1.2);
            const QColor c = variant % 3 == 1 ? QColor(236, 236, 228) : QColor(226, 140, 150);
            petal.setColorAt(0.0, lit(c, 1.1));
            petal.setColorAt(1.0, lit(c, 0.75));
            p.setBrush(QColor(0, 0, 0, 25));
            p.drawEllipse(QPointF(4 * s, 6 * s), r, r * 0.8);
            p.setBrush(petal);
            p.drawPath(petalPath(2 * r, r * 0.8, 0).translated(-r, 0));
            p.restore();
        }
        p.end();
        image = softened(image, 1.5 * s);
        mottle(image, random, 14, 0.08);
        focusFalloff(image, 26 * s, QPointF(0, h * 0.55), QPointF(0, h * 0.15));
        for (int i = 0; i < 14; ++i) {
            const QPointF at = randomPoint(random, QRectF(0, 0, w, h * 0.35));
            const double r = random(30, 80) * s;
            drawBokeh(image, at, r, QColor(255, 230, 190), 0.4);
        }
        p.begin(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(w * (portrait ? 0.5 : (fromLeft ? 0.55 : 0.45)), h * (portrait ? 0.6 : 0.62));
        const double size = unit * (variant == 4 ? 0.24 : 0.18);
        const QColor gold(222, 178, 96);
        const QColor second = variant == 8 ? QColor(214, 214, 222) : QColor(232, 186, 150);
        // Soft shadows on the cloth.
        for (const QPointF& at : {c + QPointF(-size * 0.55, size * 0.35), c + QPointF(size * 0.6, size * 0.4)}) {
            QRadialGradient shade(at, size * 1.1);
            shade.setColorAt(0.0, QColor(80, 40, 40, 90));
            shade.setColorAt(1.0, QColor(80, 40, 40, 0));
            p.setBrush(shade);
            p.setPen(Qt::NoPen);
            p.drawEllipse(at, size * 1.2, size * 0.45);
        }
        drawRing(p, c + QPointF(-size * 0.55, 0), size, size * 0.38, size * 0.16, -6, gold, false);
        drawRing(p, c + QPointF(size * 0.45, -size * 0.25), size * 0.82, size * 0.7, size * 0.13, 18, second, true);
        p.end();
    } else if (kind == Candles) {
        QLinearGradient room(0, 0, 0, h);
        room.setColorAt(0.0, QColor(78, 56, 52));
        room.setColorAt(1.0, QColor(150, 112, 96));
        p.begin(&image);
        p.fillRect(image.rect(), room);
        p.end();
        glow(image, QPointF(fromLeft ? w * 0.2 : w * 0.8, h * 0.2), w * 0.8, QColor(255, 220, 200), 0.35);
        {
            // Drapes on the far wall, and a tall window's glow.
            QPainter d(&image);
            d.setRenderHint(QPainter::Antialiasing);
            d.setPen(Qt::NoPen);
            for (int i = 0; i < 16; ++i) {
                const double x = random(-0.05, 1.05) * w;
                const double width = random(20, 70) * s;
                QLinearGradient fold(x - width, 0, x + width, 0);
                fold.setColorAt(0.0, QColor(255, 230, 210, 0));
                fold.setColorAt(0.5, QColor(255, 230, 210, 60));
                fold.setColorAt(1.0, QColor(40, 20, 20, 50));
                d.setBrush(fold);
                d.drawRect(QRectF(x - width, 0, 2 * width, h));
            }
        }
        const double table = h * (portrait ? 0.66 : 0.6);
        QImage lights = blackLayer(image.size());
        p.begin(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        // Flowers and candles farther down the table.
        for (int i = 0; i < 5; ++i) {
            const double x = random(0.05, 0.95) * w;
            const QPointF at(x, table - random(0, 40) * s);
            drawRose(p, at, random(30, 55) * s, i % 2 ? QColor(240, 200, 196) : QColor(248, 244, 236), lightAngle);
        }
        for (int i = 0; i < 4; ++i) {
            const double x = random(0.05, 0.95) * w;
            const double cw = random(30, 45) * s;
            const double ch = random(60, 140) * s;
            drawCandle(p, lights, QPointF(x, table + 10 * s), cw, ch);
        }
        // The cloth: a lit top and the hem falling in folds.
        QLinearGradient cloth(0, table, 0, h);
        cloth.setColorAt(0.0, QColor(236, 226, 216));
        cloth.setColorAt(1.0, QColor(250, 244, 238));
        p.fillRect(QRectF(0, table + 10 * s, w, h - table), cloth);
        p.end();
        image = softened(image, 14 * s);
        for (int i = 0; i < 26; ++i) {
            const QPointF at = randomPoint(random, QRectF(0, 0, w, table));
            const double r = random(20, 70) * s;
            const bool pink = random.chance(0.3);
            drawBokeh(image, at, r, pink ? QColor(255, 180, 180) : QColor(255, 206, 140), 0.45);
        }
        mottle(image, random, 16, 0.08, QRectF(0, table, w, h - table));
        p.begin(&image);
        p.setRenderHint(QPainter::Antialiasing);
        // The candles in focus: three of different heights.
        p.setPen(Qt::NoPen);
        const int count = portrait ? 2 : 3;
        const double spacing = unit * 0.2;
        const double startX = w * (portrait ? 0.5 : (fromLeft ? 0.45 : 0.55)) - spacing * (count - 1) / 2;
        const double baseY = h * (portrait ? 0.84 : 0.82);
        for (int i = 0; i < count; ++i) {
            const double height = unit * (0.22 + 0.12 * ((i + variant) % 3)) * (portrait ? 1.5 : 1.0);
            const double width = unit * random(0.1, 0.12);
            const QPointF base(startX + spacing * i, baseY + (i % 2) * 14 * s);
            QRadialGradient pool(base, width * 2.2);
            pool.setColorAt(0.0, QColor(255, 220, 160, 120));
            pool.setColorAt(1.0, QColor(255, 220, 160, 0));
            p.setBrush(pool);
            p.drawEllipse(base, width * 2.2, width * 0.6);
            drawCandle(p, lights, base, width, height);
        }
        // The table's front edge, the cloth falling away from it in folds.
        const double edge = baseY + (h - baseY) * 0.6;
        QLinearGradient hem(0, edge, 0, h);
        hem.setColorAt(0.0, QColor(200, 184, 172));
        hem.setColorAt(1.0, QColor(150, 130, 120));
        p.fillRect(QRectF(0, edge, w, h - edge), hem);
        for (double fx = random(0, 40) * s; fx < w; fx += random(40, 90) * s) {
            QLinearGradient fold(fx - 20 * s, 0, fx + 20 * s, 0);
            fold.setColorAt(0.0, QColor(255, 250, 240, 0));
            fold.setColorAt(0.5, QColor(255, 250, 240, 70));
            fold.setColorAt(1.0, QColor(60, 40, 30, 40));
            p.fillRect(QRectF(fx - 20 * s, edge, 40 * s, h - edge), fold);
        }
        p.fillRect(QRectF(0, edge - 1 * s, w, 2 * s), QColor(255, 248, 236, 160));
        // Rose petals fallen on the cloth in front.
        for (int i = 0; i < 7; ++i) {
            const QPointF at = randomPoint(random, QRectF(0.05 * w, baseY + 20 * s, 0.9 * w, edge - baseY - 30 * s));
            const double r = random(16, 30) * s;
            const double angle = random(0, 360);
            p.save();
            p.translate(at);
            p.rotate(angle);
            p.scale(1.0, 0.55);
            p.setBrush(QColor(80, 40, 30, 50));
            p.drawEllipse(QPointF(3 * s, 5 * s), r, r * 0.8);
            QRadialGradient petal(QPointF(-r * 0.3, -r * 0.2), r * 1.2);
            petal.setColorAt(0.0, QColor(246, 180, 184));
            petal.setColorAt(1.0, QColor(196, 110, 120));
            p.setBrush(petal);
            p.drawPath(petalPath(2 * r, r * 0.8, 0).translated(-r, 0));
            p.restore();
        }
        // Petals near the lens.
        p.end();
        bloom(image, lights, 8 * s, 0.9);
    } else {
        // A bouquet held in soft window light.
        QLinearGradient room(fromLeft ? 0 : w, 0, fromLeft ? w : 0, h);
        room.setColorAt(0.0, QColor(255, 252, 246));
        room.setColorAt(0.6, blush);
        room.setColorAt(1.0, lit(blush, 0.74));
        p.begin(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(image.rect(), room);
        p.setPen(Qt::NoPen);
        // A white dress behind, in folds.
        for (int i = 0; i < 9; ++i) {
            const double x = w * (0.1 + 0.1 * i) + random(-30, 30) * s;
            const double width = random(40, 90) * s;
            QLinearGradient fold(x - width, 0, x + width, 0);
            fold.setColorAt(0.0, QColor(255, 255, 255, 0));
            fold.setColorAt(0.45, QColor(255, 255, 255, 150));
            fold.setColorAt(1.0, QColor(180, 150, 150, 70));
            p.setBrush(fold);
            p.drawRect(QRectF(x - width, 0.25 * h, 2 * width, 0.75 * h));
        }
        p.end();
        image = softened(image, 24 * s);
        mottle(image, random, 10, 0.06);
        for (int i = 0; i < 12; ++i) {
            const QPointF at = randomPoint(random, QRectF(0, 0, w, h));
            const double r = random(25, 70) * s;
            drawBokeh(image, at, r, QColor(255, 246, 230), 0.4);
        }
        const QPointF c(w * (portrait ? 0.5 : (fromLeft ? 0.56 : 0.44)), h * (portrait ? 0.4 : 0.5));
        const double reach = unit * (variant == 7 ? 0.5 : 0.38);
        // Greenery reaching out beyond the roses, a little out of focus.
        QImage green = transparentLayer(image.size());
        {
            QPainter gp(&green);
            gp.setRenderHint(QPainter::Antialiasing);
            gp.setPen(Qt::NoPen);
            // The stems gathered in a satin ribbon.
            if (portrait) {
                // Stems gathered below the flowers, bound in a ribbon.
                const double neck = c.y() + reach * 1.0;
                for (int i = 0; i < 14; ++i) {
                    const double spread = (i - 6.5) / 6.5;
                    QPainterPath stem;
                    stem.moveTo(c.x() + spread * reach * 0.45, c.y() + reach * 0.3);
                    stem.quadTo(QPointF(c.x() + spread * reach * 0.12, neck), QPointF(c.x() + spread * reach * 0.16, h + 10));
                    gp.setPen(QPen(i % 3 ? QColor(76, 112, 60) : QColor(110, 140, 80), 7 * s));
                    gp.drawPath(stem);
                }
                gp.setPen(Qt::NoPen);
                QLinearGradient band(c.x() - reach * 0.16, 0, c.x() + reach * 0.16, 0);
                band.setColorAt(0.0, QColor(196, 176, 166));
                band.setColorAt(0.4, QColor(255, 250, 244));
                band.setColorAt(1.0, QColor(170, 150, 140));
                gp.setBrush(band);
                gp.drawRect(QRectF(c.x() - reach * 0.15, neck - reach * 0.05, reach * 0.3, reach * 0.42));
            }
            for (int i = 0; i < 16; ++i) {
                const double a = random(0, 2 * kPi);
                const double len = reach * random(0.95, 1.3);
                const QPointF tip = c + QPointF(std::cos(a) * len, std::sin(a) * len * 0.85);
                const bool eucalyptus = i % 2 == 0;
                for (int k = 4; k <= 10; ++k) {
                    const QPointF at = c + (tip - c) * (k / 10.0);
                    const double r = reach * (eucalyptus ? 0.07 : 0.05) * (1.35 - k / 12.0);
                    for (int side = -1; side <= 1; side += 2) {
                        gp.save();
                        gp.translate(at);
                        gp.rotate(a * 180 / kPi + side * (eucalyptus ? 90 : 45));
                        QLinearGradient leaf(0, -r, 0, r);
                        leaf.setColorAt(0.0, eucalyptus ? QColor(170, 196, 176) : QColor(110, 150, 84));
                        leaf.setColorAt(1.0, eucalyptus ? QColor(110, 140, 122) : QColor(56, 96, 52));
                        gp.setBrush(leaf);
                        if (eucalyptus)
                            gp.drawEllipse(QPointF(r * 0.9, 0), r, r * 0.9);
                        else
                            gp.drawPath(petalPath(r * 2.6, r * 0.55, 2));
                        gp.restore();
                    }
                }
            }
        }
        green = softened(green, 3 * s);
        placeLit(image, green, lightAngle, 0.0, 0.0, 0.25);
        // The roses themselves, packed in a dome; those in the middle sit
        // highest and are drawn last.
        const QColor roses[] = {QColor(250, 246, 240), QColor(244, 204, 200), QColor(226, 156, 160), QColor(248, 214, 186),
                                QColor(252, 250, 244)};
        struct Bloom {
            QPointF at;
            double r;
            int colour;
        };
        std::vector<Bloom> blooms;
        for (int i = 0; i < 160 && blooms.size() < 22; ++i) {
            const double a = random(0, 2 * kPi);
            const double d = reach * 0.72 * std::sqrt(random.unit());
            const double r = reach * random(0.21, 0.28);
            const int colour = random.integer(0, 4);
            const QPointF at = c + QPointF(std::cos(a) * d, std::sin(a) * d * 0.85);
            const bool crowded = std::any_of(blooms.begin(), blooms.end(), [&](const Bloom& b) {
                return std::hypot(b.at.x() - at.x(), b.at.y() - at.y()) < (b.r + r) * 0.6;
            });
            if (!crowded)
                blooms.push_back({at, r, colour});
        }
        std::sort(blooms.begin(), blooms.end(), [&](const Bloom& x, const Bloom& y) {
            return std::hypot(x.at.x() - c.x(), x.at.y() - c.y()) > std::hypot(y.at.x() - c.x(), y.at.y() - c.y());
        });
        QImage bunch = transparentLayer(image.size());
        {
            QPainter bp(&bunch);
            bp.setRenderHint(QPainter::Antialiasing);
            bp.setPen(Qt::NoPen);
            for (const Bloom& b : blooms) {
                QRadialGradient shade(b.at - QPointF(std::cos(lightAngle), std::sin(lightAngle)) * b.r * 0.3, b.r * 1.25);
                shade.setColorAt(0.0, QColor(60, 30, 30, 110));
                shade.setColorAt(1.0, QColor(60, 30, 30, 0));
                bp.setBrush(shade);
                bp.drawEllipse(b.at - QPointF(std::cos(lightAngle), std::sin(lightAngle)) * b.r * 0.3, b.r * 1.25, b.r * 1.25);
                drawRose(bp, b.at, b.r, roses[b.colour], lightAngle);
            }
            // Baby's breath in the gaps.
            for (int i = 0; i < 90; ++i) {
                const double a = random(0, 2 * kPi);
                const double d = reach * random(0.55, 0.95);
                const QPointF at = c + QPointF(std::cos(a) * d, std::sin(a) * d * 0.85);
                const double r = random(2.5, 4.5) * s;
                bp.setBrush(QColor(120, 110, 100, 120));
                bp.drawEllipse(at + QPointF(r * 0.3, r * 0.4), r, r);
                bp.setBrush(QColor(255, 255, 250, 240));
                bp.drawEllipse(at, r, r);
            }
        }
        placeLit(image, bunch, lightAngle, 14 * s, 14 * s, 0.16);
        // Focused on the front roses: the stems below fall out of focus.
        focusFalloff(image, 8 * s, QPointF(c.x(), c.y() + reach * 0.5), QPointF(c.x(), c.y() + reach * 1.4));
    }
    glow(image, QPointF(fromLeft ? 0 : w, 0), w, QColor(255, 240, 230), 0.3);
    finishLikeAPhoto(image, random, 3.0, 0.3);
}

// ---- Family: figures against a low sun -------------------------------------

void drawFamily(QImage& image, int variant, PhotoRandom& random)
{
    const double w = image.width(), h = image.height(), s = std::min(w, h) / 1080.0;
    const bool portrait = h > w;
    const bool beach = variant % 2 == 1 || variant == 8;
    const int mood = variant % 3;
    const double horizon = h * (portrait ? 0.6 : 0.58);
    const bool sunLeft = variant % 4 < 2;
    // The sun low beside them, or (in some) right behind the group.
    const bool sunBehind = variant == 6 || variant == 5;
    const double sunX = sunBehind ? w * 0.5 : w * (sunLeft ? 0.3 : 0.7) + random(-0.05, 0.05) * w;
    const QPointF sun(sunX, horizon - h * (sunBehind ? 0.18 : random(0.04, 0.12)));
    const QColor sunColour = mood == 1 ? QColor(255, 170, 110) : QColor(255, 214, 140);
    const QColor skyTop[] = {QColor(118, 150, 190), QColor(110, 100, 150), QColor(160, 190, 214)};
    const QColor skyLow[] = {QColor(255, 200, 130), QColor(250, 150, 120), QColor(255, 226, 170)};

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0.0, skyTop[mood]);
    sky.setColorAt(1.0, skyLow[mood]);
    p.fillRect(image.rect(), sky);
    p.end();
    // A few thin clouds lit from below.
    cloudBanks(image, random, QRectF(-0.1 * w, 0.04 * h, 1.2 * w, horizon * 0.6), mix(skyTop[mood], skyLow[mood], 0.3),
               mix(skyLow[mood], QColor(255, 255, 255), 0.4), 0.45, random.integer(2, 5));
    mottle(image, random, 8, 0.08, QRectF(0, 0, w, horizon));

    // Far off: trees or the sea, hazy and out of focus.
    QImage far = transparentLayer(image.size());
    QPainter g(&far);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    const double shore = horizon + (h - horizon) * 0.28;
    if (beach) {
        QLinearGradient sea(0, horizon, 0, shore);
        sea.setColorAt(0.0, mix(skyLow[mood], QColor(60, 80, 110), 0.5));
        sea.setColorAt(1.0, mix(skyLow[mood], QColor(90, 100, 120), 0.35));
        g.fillRect(QRectF(0, horizon, w, shore - horizon), sea);
        // Glitter on the water under the sun.
        for (int i = 0; i < 500; ++i) {
            const double y = random(horizon, shore);
            const double spread = (0.04 + 0.3 * (y - horizon) / (shore - horizon)) * w;
            const double side = random(-1, 1);
            const double x = sun.x() + side * random(0, 1) * spread;
            const double len = random(4, 22) * s;
            g.fillRect(QRectF(x - len / 2, y, len, 1.5 * s), faded(QColor(255, 240, 200), random(0.3, 0.9)));
        }
    } else {
        const QColor haze = mix(skyLow[mood], QColor(70, 80, 70), 0.5);
        g.setBrush(haze);
        for (int i = 0; i < 160; ++i) {
            const double x = random(-0.02, 1.02) * w;
            const double r = random(8, 30) * s;
            const double rise = random(0, 26) * s;
            g.drawEllipse(QPointF(x, horizon - rise), r * 1.2, r);
        }
        g.drawRect(QRectF(0, horizon - 6 * s, w, 12 * s));
    }
    g.end();
    paintLayer(image, far, 4 * s);

    QImage ground = transparentLayer(image.size());
    g.begin(&ground);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    if (beach) {
        // Wet sand mirroring the sky, then dry sand.
        QLinearGradient sand(0, shore, 0, h);
        sand.setColorAt(0.0, mix(skyLow[mood], QColor(200, 170, 140), 0.3));
        sand.setColorAt(0.4, QColor(190, 150, 116));
        sand.setColorAt(1.0, QColor(120, 90, 70));
        g.fillRect(QRectF(0, shore, w, h - shore), sand);
        for (int i = 0; i < 3; ++i) {
            const double y = shore + (i * 12 + random(0, 10)) * s;
            g.setBrush(QColor(255, 250, 240, 150 - 40 * i));
            g.drawRect(QRectF(0, y, w, 2.5 * s));
        }
        g.fillRect(QRectF(0, shore, w, (h - shore) * 0.35), QColor(255, 230, 200, 40));
    } else {
        QLinearGradient field(0, horizon, 0, h);
        field.setColorAt(0.0, mix(skyLow[mood], QColor(200, 160, 80), 0.5));
        field.setColorAt(0.35, QColor(176, 132, 60));
        field.setColorAt(1.0, QColor(70, 54, 30));
        g.fillRect(QRectF(0, horizon, w, h - horizon), field);
        // Grass heads catching the light from behind.
        for (int i = 0; i < 1400; ++i) {
            const double y = horizon + (h - horizon) * std::pow(random.unit(), 0.7);
            const double x = random(0, w);
            const double depth = (y - horizon) / (h - horizon);
            const double len = (6 + 60 * depth) * s;
            const double lean = random(-0.3, 0.3) * len;
            const double near = std::exp(-std::abs(x - sun.x()) / (0.4 * w));
            g.setPen(QPen(mix(QColor(90, 66, 34), QColor(255, 220, 150), 0.25 + 0.6 * near), (0.8 + 1.6 * depth) * s));
            g.drawLine(QPointF(x, y), QPointF(x + lean, y - len));
        }
        g.setPen(Qt::NoPen);
    }
    g.end();
    paintLayer(image, ground, 1.6 * s);
    mottle(image, random, 14, 0.1, QRectF(0, horizon, w, h - horizon));
    glow(image, sun, w * 0.55, sunColour, 0.7);

    // The family.
    // Near, far, or so close that the frame cuts them at the knees.
    const bool close = variant == 4 || variant == 5;
    const double feet = close ? h * 1.03 : horizon + (h - horizon) * (portrait ? 0.7 : 0.62);
    const double scale = (portrait ? 0.5 : 0.46) * h * (variant == 3 ? 0.55 : close ? 1.28 : 1.0);
    std::vector<Person> people;
    const double centreX = sunBehind ? w * 0.5 : w * (sunLeft ? 0.56 : 0.44);
    const auto adult = [&](double x, bool woman, Pose pose) {
        people.push_back({x, scale * (woman ? 0.94 : 1.0), false, woman, woman && variant % 3 == 0, pose});
    };
    const auto kid = [&](double x, double size, bool girl, Pose pose) { people.push_back({x, scale * size, true, girl, girl, pose}); };
    const double gap = scale * 0.3;
    switch (variant % 9) {
    case 0: adult(centreX - gap, false, Pose::Walking); kid(centreX, 0.55, true, Pose::Walking); adult(centreX + gap, true, Pose::Walking); break;
    case 1: adult(centreX - gap * 0.6, true, Pose::Walking); kid(centreX + gap * 0.3, 0.6, false, Pose::Walking); kid(centreX + gap * 1.3, 0.45, true, Pose::Jumping); break;
    case 2: adult(centreX - gap * 0.45, false, Pose::Standing); kid(centreX - gap * 0.45, 0.5, true, Pose::Riding); adult(centreX + gap * 0.55, true, Pose::Standing); break;
    case 3: adult(centreX - gap * 1.4, false, Pose::Walking); kid(centreX - gap * 0.45, 0.6, false, Pose::Walking); kid(centreX + gap * 0.4, 0.5, true, Pose::Jumping); adult(centreX + gap * 1.3, true, Pose::Walking); break;
    case 4: adult(centreX - gap * 0.4, true, Pose::Standing); kid(centreX + gap * 0.5, 0.55, true, Pose::Standing); break;
    case 5: adult(centreX - gap * 0.35, false, Pose::Walking); kid(centreX + gap * 0.45, 0.5, false, Pose::Walking); break;
    case 6: adult(centreX - gap * 1.1, false, Pose::Standing); kid(centreX, 0.5, true, Pose::Jumping); adult(centreX + gap * 1.1, true, Pose::Standing); break;
    case 7: adult(centreX - gap * 1.5, false, Pose::Walking); adult(centreX - gap * 0.5, true, Pose::Walking); kid(centreX + gap * 0.4, 0.6, false, Pose::Walking); kid(centreX + gap * 1.2, 0.45, true, Pose::Walking); break;
    default: adult(centreX - gap * 0.5, false, Pose::Standing); kid(centreX - gap * 0.5, 0.5, false, Pose::Riding); adult(centreX + gap * 0.5, true, Pose::Standing); break;
    }
    // A child riding on a shoulder sits above the adult before it.
    std::vector<double> baseY(people.size(), feet);
    for (std::size_t i = 1; i < people.size(); ++i)
        if (people[i].pose == Pose::Riding)
            baseY[i] = feet - people[i - 1].height * 0.8 + people[i].height * 0.45;

    // Neighbours hold hands; the others hang loose or reach up.
    std::vector<std::pair<Silhouette, QTransform>> group;
    for (std::size_t i = 0; i < people.size(); ++i) {
        const Person& who = people[i];
        const double H = who.height;
        QPointF left(-0.125 * H, -0.44 * H), right(0.125 * H, -0.44 * H);
        if (who.pose == Pose::Jumping) {
            left = QPointF(-0.2 * H, -1.0 * H);
            right = QPointF(0.22 * H, -1.02 * H);
        }
        const auto holds = [&](std::size_t a, std::size_t b) {
            return people[a].pose != Pose::Riding && people[b].pose != Pose::Riding && people[a].pose != Pose::Jumping &&
                   people[b].pose != Pose::Jumping;
        };
        const auto meeting = [&](const Person& other) {
            return QPointF((other.x + who.x) / 2 - who.x, -std::min(other.height, H) * 0.44);
        };
        if (i > 0 && holds(i - 1, i))
            left = meeting(people[i - 1]);
        if (i + 1 < people.size() && holds(i, i + 1))
            right = meeting(people[i + 1]);
        if (who.pose == Pose::Riding) {
            // Holding on to the grown-up's head.
            left = QPointF(-0.1 * H, -0.5 * H);
            right = QPointF(0.1 * H, -0.52 * H);
        }
        group.emplace_back(figure(H, who.child, who.longHair, who.dress, who.pose, left, right),
                           QTransform::fromTranslate(who.x, baseY[i]));
    }

    QImage crowd = transparentLayer(image.size());
    {
        QPainter f(&crowd);
        f.setRenderHint(QPainter::Antialiasing);
        f.setPen(Qt::NoPen);
        // Rim light on the side towards the sun, then the body in shadow.
        const QPointF away = sun.x() < centreX ? QPointF(4.5 * s, 1.5 * s) : QPointF(-4.5 * s, 1.5 * s);
        const QColor rim = mix(sunColour, QColor(255, 255, 255), 0.6);
        for (const auto& one : group)
            fillSilhouette(f, one.first, one.second, rim);
        QLinearGradient dark(0, feet - scale, 0, feet);
        dark.setColorAt(0.0, QColor(52, 38, 36));
        dark.setColorAt(1.0, QColor(28, 22, 22));
        for (const auto& one : group)
            fillSilhouette(f, one.first, one.second * QTransform::fromTranslate(away.x(), away.y()), dark);
        if (beach) {
            // Their reflection in the wet sand.
            f.setOpacity(0.22);
            QTransform mirror;
            mirror.translate(0, 2 * feet);
            mirror.scale(1, -1);
            for (const auto& one : group)
                fillSilhouette(f, one.first, one.second * mirror, QColor(40, 30, 30));
        } else {
            // Grass in front of their feet.
            f.setOpacity(1.0);
            for (int i = 0; i < 500; ++i) {
                const double x = random(0, w);
                const double y = feet + random(-10, 40) * s;
                const double len = random(20, 60) * s * (scale / (0.46 * h));
                const double lean = random(-0.3, 0.3) * len;
                const double near = std::exp(-std::abs(x - sun.x()) / (0.4 * w));
                f.setPen(QPen(mix(QColor(100, 72, 36), QColor(255, 220, 150), 0.3 + 0.5 * near), 2.0 * s));
                f.drawLine(QPointF(x, y), QPointF(x + lean, y - len));
            }
        }
    }
    paintLayer(image, crowd, (close ? 6.0 : 2.4) * s);
    // Veiling glare: the low sun washes out everything near it.
    glow(image, sun, w * 0.35, sunColour, 0.85);
    glow(image, sun, h * 0.08, QColor(255, 250, 235), 1.0);
    lensFlare(image, sun, sunColour, 0.8);

    if (!beach) {
        // Grass right at the lens, far out of focus and lit from behind.
        paintOutOfFocus(image, 16 * s, 1.0, [&](QPainter& n) {
            for (int i = 0; i < 26; ++i) {
                const double x = random(0, w);
                const double len = random(0.12, 0.3) * h;
                const double lean = random(-0.2, 0.2) * len;
                const double width = random(5, 12) * s;
                n.setPen(QPen(QColor(110, 80, 40, 200), width, Qt::SolidLine, Qt::RoundCap));
                n.drawLine(QPointF(x, h + 10), QPointF(x + lean, h - len));
            }
        });
    }
    finishLikeAPhoto(image, random, 4.0, 0.4);
}

} // namespace

QImage drawCloseScene(PhotoScene scene, int variant, QSize size, PhotoRandom& random)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    variant = ((variant % 9) + 9) % 9;
    switch (scene) {
    case PhotoScene::City: drawCity(image, variant, random); break;
    case PhotoScene::Fair: drawFair(image, variant, random); break;
    case PhotoScene::Balloons: drawBalloons(image, variant, random); break;
    case PhotoScene::Flowers: drawFlowers(image, variant, random); break;
    case PhotoScene::Wedding: drawWedding(image, variant, random); break;
    default: drawFamily(image, variant, random); break;
    }
    return image;
}

} // namespace qf::tools
