#include "PlaceholderPhotos.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

// The landscapes are painted the way light makes them: the sky and the far
// hills pixel by pixel at half size (they are soft anyway), the near ground
// pixel by pixel in perspective so that its texture shrinks towards the
// horizon, and the things close to the lens (blades of grass, leaves, firs)
// as many small strokes on top.

namespace qf::tools {

namespace {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

Rgb rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

QRgb toPixel(Rgb c)
{
    const auto channel = [](double v) { return std::clamp(int(v * 255.0 + 0.5), 0, 255); };
    return qRgb(channel(c.r), channel(c.g), channel(c.b));
}
QColor toColor(Rgb c, double alpha = 1.0)
{
    const QRgb px = toPixel(c);
    return QColor(qRed(px), qGreen(px), qBlue(px), std::clamp(int(alpha * 255.0 + 0.5), 0, 255));
}
Rgb fromPixel(QRgb px) { return rgb(qRed(px), qGreen(px), qBlue(px)); }

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Value noise on a 256 x 256 lattice of fixed random values.
class Noise {
public:
    explicit Noise(PhotoRandom& random)
    {
        // Bytes keep the table small enough to stay in the cache.
        for (quint8& v : m_values)
            v = quint8(random.integer(0, 255));
    }

    double at(double x, double y) const
    {
        // Floor without a library call; the lattice wraps every 256.
        int ix = int(x), iy = int(y);
        ix -= x < ix;
        iy -= y < iy;
        double tx = x - ix, ty = y - iy;
        tx = tx * tx * (3.0 - 2.0 * tx);
        ty = ty * ty * (3.0 - 2.0 * ty);
        const quint8* row0 = &m_values[size_t((iy & 255) * 256)];
        const quint8* row1 = &m_values[size_t(((iy + 1) & 255) * 256)];
        const int i0 = ix & 255, i1 = (ix + 1) & 255;
        const double a = row0[i0] + (row0[i1] - row0[i0]) * tx;
        const double b = row1[i0] + (row1[i1] - row1[i0]) * tx;
        return (a + (b - a) * ty) * (1.0 / 255.0);
    }

    // Fractal sum of octaves, about 0..1. A footprint (the size of a pixel in
    // noise units) drops the octaves finer than a pixel, so that texture far
    // away fades to its average instead of glittering.
    double fbm(double x, double y, int octaves, double footprint = 0.0) const
    {
        double sum = 0, weight = 0, amplitude = 1, frequency = 1;
        for (int i = 0; i < octaves; ++i) {
            double fade = 1.0;
            const double fine = frequency * footprint;
            if (fine > 0.25) {
                if (fine >= 0.6)
                    break;
                fade = 1.0 - smoothstep(0.25, 0.6, fine);
            }
            sum += (at(x * frequency + i * 17.31, y * frequency - i * 9.73) - 0.5) * amplitude * fade;
            weight += amplitude;
            amplitude *= 0.5;
            frequency *= 2.03;
        }
        return weight > 0 ? 0.5 + sum / weight * 1.6 : 0.5;
    }

private:
    std::array<quint8, 65536> m_values{};
};

// ---- light -----------------------------------------------------------------

enum class Hour { Day, Golden, Sunset, Overcast, Dawn };

struct Light {
    Hour hour = Hour::Day;
    Rgb zenith, horizon, haze, sun, cloudLit, cloudShade;
    Rgb lit, shade; // what sunlit and shadowed surfaces are multiplied by
    double glow = 0.3;
    bool disc = false; // the sun itself is in the picture
    double sunX = 0, sunY = 0;
    int side = 1; // +1 when the light comes from the right
};

// Sky and light colours for each time of day, in the order of Hour.
struct Palette {
    std::array<int, 3> zenith, horizon, haze, sun, cloudLit, cloudShade, lit, shade;
    double glow;
    bool disc;
};

constexpr std::array<Palette, 5> kPalettes{{
    {{52, 104, 178}, {184, 210, 232}, {190, 208, 226}, {255, 250, 236}, {255, 255, 252}, {150, 162, 184}, {255, 250, 236}, {128, 146, 178}, 0.25, false}, // Day
    {{70, 108, 170}, {246, 212, 160}, {232, 200, 160}, {255, 214, 140}, {255, 226, 180}, {146, 136, 158}, {270, 226, 170}, {112, 118, 150}, 0.55, true}, // Golden
    {{44, 58, 112}, {255, 150, 84}, {214, 136, 112}, {255, 190, 110}, {255, 146, 96}, {96, 72, 104}, {236, 160, 120}, {78, 70, 104}, 0.8, true}, // Sunset
    {{142, 152, 166}, {206, 210, 214}, {196, 200, 206}, {240, 238, 230}, {222, 225, 230}, {148, 152, 162}, {206, 208, 210}, {150, 154, 164}, 0.12, false}, // Overcast
    {{84, 112, 170}, {246, 196, 188}, {220, 196, 206}, {255, 210, 190}, {255, 204, 196}, {128, 124, 160}, {255, 222, 206}, {118, 132, 182}, 0.45, true}, // Dawn
}};

Light lightFor(Hour hour, double sunX, double sunY, double width)
{
    const Palette& p = kPalettes.at(std::size_t(hour));
    const auto colour = [](const std::array<int, 3>& c) { return rgb(c[0], c[1], c[2]); };
    Light l;
    l.hour = hour;
    l.sunX = sunX;
    l.sunY = sunY;
    l.side = sunX > width / 2 ? 1 : -1;
    l.zenith = colour(p.zenith);
    l.horizon = colour(p.horizon);
    l.haze = colour(p.haze);
    l.sun = colour(p.sun);
    l.cloudLit = colour(p.cloudLit);
    l.cloudShade = colour(p.cloudShade);
    l.lit = colour(p.lit);
    l.shade = colour(p.shade);
    l.glow = p.glow;
    l.disc = p.disc;
    return l;
}

struct Clouds {
    double cover = 0.55;  // noise level where cloud begins: higher, fewer clouds
    double scale = 2.6;   // clouds across the top of the picture
    double stretch = 1.0; // > 1 draws long streaks, as at sunset
    double opacity = 1.0;
    double offset = 0.0;
};

// The sky at a point: a gradient hazier towards the horizon, the sun's glow,
// and clouds in perspective, lit on the side that faces the sun.
Rgb skyAt(const Light& l, const Clouds& clouds, const Noise& noise, double x, double y, double width, double horizon)
{
    const double span = std::max(horizon, width * 0.3);
    const double t = std::clamp((horizon - y) / span, 0.0, 1.0);
    Rgb c = mix(l.horizon, l.zenith, std::sqrt(t));
    const double d = std::hypot(x - l.sunX, (y - l.sunY) * 1.15) / width;
    const double glow = l.glow * (0.5 * std::exp(-d * 4.0) + 0.6 * std::exp(-d * 18.0));
    c = c + l.sun * glow;
    if (clouds.opacity > 0.0) {
        const double depth = 1.0 / (t + 0.05);
        const double u = (x - width * 0.5) / width * depth * clouds.scale / clouds.stretch + clouds.offset;
        const double v = depth * clouds.scale * 0.55 + clouds.offset * 0.7;
        const double n = noise.fbm(u, v * clouds.stretch, 5, depth * 0.004 * clouds.scale);
        double amount = smoothstep(clouds.cover, clouds.cover + 0.15, n) * smoothstep(0.0, 0.14, t);
        if (amount > 0.001) {
            double dx = l.sunX - x, dy = l.sunY - y;
            const double len = std::max(1.0, std::hypot(dx, dy));
            dx /= len;
            dy /= len;
            const double toward = noise.fbm(u + dx * 0.09, (v + dy * 0.09) * clouds.stretch, 5, depth * 0.004 * clouds.scale);
            const double litness = std::clamp(0.55 + (n - toward) * 7.0 - (n - clouds.cover) * 1.2, 0.0, 1.0);
            Rgb cloud = mix(l.cloudShade, l.cloudLit, litness);
            // Thin edges near the sun let its light through.
            cloud = cloud + l.sun * (glow * 1.4 * (1.0 - amount));
            cloud = mix(cloud, l.horizon, (1.0 - t) * (1.0 - t) * (1.0 - t) * (1.0 - t) * 0.6);
            c = mix(c, cloud, amount * clouds.opacity);
        }
    }
    if (l.disc) {
        const double r = std::hypot(x - l.sunX, y - l.sunY) / width;
        // Overexposed, as a camera sees it: a white core blooming into the sky.
        c = c + l.sun * (0.9 * std::exp(-r * 45.0));
        c = mix(c, rgb(255, 252, 240), smoothstep(0.026, 0.016, r) * (y < horizon ? 1.0 : 0.0));
    }
    return c;
}

// ---- layers of hills and mountains ----------------------------------------

struct Ridge {
    std::vector<double> top; // screen row of the crest in every column
    double base = 0;         // where the layer meets the ground
    double height = 0;       // the tallest the crest can rise above the base
    double haze = 0.5;       // 0 close .. 1 lost in the haze
    Rgb rock;
    double snow = 0;         // the top fraction of the height that holds snow
    double relief = 1.0;
    double steep = 1.0;      // how much snow slides off steep faces
    double grain = 0.01;     // scale of the gullies
    double seed = 0;
};

// A crest line: a few broad massifs, sharp peaks and notches on them.
Ridge makeRidge(const Noise& noise, int width, double base, double height, double frequency, double peaks, double seed)
{
    Ridge r;
    r.base = base;
    r.height = height;
    r.seed = seed;
    r.top.resize(size_t(width));
    for (int x = 0; x < width; ++x) {
        const double u = x * frequency + seed;
        const double broad = smoothstep(0.15, 0.85, noise.fbm(u * 0.45, seed * 3.1, 3));
        const double sharp = 1.0 - std::abs(noise.fbm(u, seed * 1.7 + 40, 6) * 2.0 - 1.0);
        const double detail = noise.fbm(u * 6.0, seed + 80, 3) - 0.5;
        const double h = broad * (0.55 + 0.45 * (1.0 - peaks)) + sharp * peaks * 0.55 + detail * 0.06;
        r.top[size_t(x)] = base - height * std::clamp(0.12 + 0.88 * h, 0.05, 1.1);
    }
    return r;
}

Rgb ridgeAt(const Ridge& r, const Light& l, const Noise& noise, double x, double y)
{
    const int n = int(r.top.size());
    const int xi = std::clamp(int(x), 0, n - 1);
    const double top = r.top[size_t(xi)];
    const double dy = y - top;
    const double depthBelow = std::max(1.0, r.base - top);
    // The faces follow the crest's slope near it and break into ribs and
    // gullies further down.
    const int reach = 4 + int(std::min(60.0, dy * (1.2 - r.relief * 0.7)));
    const double slope = (r.top[size_t(std::min(xi + reach, n - 1))] - r.top[size_t(std::max(xi - reach, 0))])
                         / (2.0 * reach);
    const double gy = y * r.grain * 0.55 + r.seed;
    const double gx = noise.fbm((x + 3) * r.grain + y * r.grain * 0.3, gy, 4)
                      - noise.fbm((x - 3) * r.grain + y * r.grain * 0.3, gy, 4);
    const double nx = std::clamp(slope * 1.6, -0.6, 0.6) * std::exp(-dy / (depthBelow * 0.7)) + gx * 7.0 * r.relief;
    // With the sun in the picture, the faces towards the camera are in shade.
    const double backlit = l.disc && l.sunY > 0 ? 0.4 : 1.0;
    const double litness = std::clamp(0.48 + nx * l.side * 1.6, 0.0, 1.0) * backlit;
    Rgb albedo = r.rock * (0.85 + 0.3 * noise.fbm(x * r.grain * 3.0, y * r.grain * 3.0, 3));
    if (r.snow > 0) {
        const double line = r.base - r.height * (1.0 - r.snow);
        const double wobble = (noise.fbm(x * r.grain * 0.7, r.seed + 9, 3) - 0.5) * r.height * 0.3;
        const double streak = (noise.fbm(x * r.grain * 2.0 + y * r.grain * 0.5, y * r.grain * 0.6 + r.seed, 3) - 0.5)
                              * r.height * 0.35;
        // Snow stays off steep faces that face away from the wind.
        const double s = smoothstep(-6.0, 6.0, line + wobble + streak - y) * (1.0 - r.steep * smoothstep(0.1, 0.35, std::abs(gx) * 3));
        albedo = mix(albedo, rgb(236, 240, 248), s);
    }
    Rgb c = albedo * mix(l.shade, l.lit, litness);
    const double low = smoothstep(0.0, 1.0, dy / depthBelow);
    c = mix(c, l.haze, std::clamp(r.haze + (1.0 - r.haze) * low * 0.45, 0.0, 1.0));
    return c;
}

// ---- painting helpers ------------------------------------------------------

// Fills rows [y0, y1) of the image from colourAt(x, y), computed every `step`
// pixels and smoothly scaled up.
template <class F>
void paintRows(QImage& image, int y0, int y1, int step, F&& colourAt)
{
    y0 = std::clamp(y0, 0, image.height());
    y1 = std::clamp(y1, y0, image.height());
    if (y1 <= y0)
        return;
    const int w = (image.width() + step - 1) / step, h = (y1 - y0 + step - 1) / step;
    QImage small(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(small.scanLine(y));
        const double fy = y0 + (y + 0.5) * step;
        for (int x = 0; x < w; ++x)
            line[x] = toPixel(colourAt((x + 0.5) * step, fy));
    }
    QPainter p(&image);
    if (step == 1) {
        p.drawImage(0, y0, small);
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(0, y0, w * step, h * step), small);
    }
}

// The ground from row y0 to y1: pixel by pixel near the horizon, where its
// texture is packed tight, and every other pixel closer to the lens, where
// the same texture is spread over many pixels.
template <class F>
void paintGround(QImage& image, int y0, int y1, double horizon, F&& colourAt)
{
    const int split = std::clamp(int(horizon + (image.height() - horizon) * 0.3), y0, y1);
    paintRows(image, y0, split, 1, colourAt);
    paintRows(image, split, y1, 2, colourAt);
}

Rgb sampleImage(const QImage& image, double x, double y)
{
    const int xi = std::clamp(int(x), 0, image.width() - 1), yi = std::clamp(int(y), 0, image.height() - 1);
    return fromPixel(reinterpret_cast<const QRgb*>(image.constScanLine(yi))[xi]);
}

// A ground plane seen from a camera: the row of a point at distance z, and
// back.
struct Camera {
    double horizon = 0;
    double focal = 1000;
    double height = 1.6;
    double cx = 0;
    double depthAt(double y) const { return focal * height / std::max(0.5, y - horizon); }
    double rowAt(double z) const { return horizon + focal * height / z; }
    double worldX(double x, double z) const { return (x - cx) * z / focal; }
    double screenX(double wx, double z) const { return cx + wx * focal / z; }
    double footprint(double z) const { return z / focal; }
};

// Texture lying on the ground, in 0..1: its grains' width in pixels follows
// the distance (fading to their average far away), and `aspect` is their
// height over their width on the screen: tall for upright blades of grass,
// flat for leaves lying down.
double groundTexture(const Noise& noise, double x, double y, double horizon, double width, double aspect)
{
    // Sizes step in powers of two down the picture and blend between steps,
    // so that within a step the streaks stay upright instead of pointing at
    // the vanishing point.
    const double level = std::log2(std::max(0.05, (y - horizon) * width));
    const double step = std::floor(level), t = level - step;
    const double s0 = std::exp2(step), s1 = s0 * 2.0;
    const double a = noise.fbm(x / s0 + 300.0, y / (s0 * aspect), 3, 1.0 / s0);
    const double b = noise.fbm(x / s1 + 700.0, y / (s1 * aspect), 3, 1.0 / s1);
    return a + (b - a) * t;
}

double grassStreaks(const Noise& noise, double x, double y, double horizon, double bladeWidth)
{
    return groundTexture(noise, x, y, horizon, bladeWidth, 6.0);
}

// Blades of grass from row yFrom to yTo, more and smaller towards the horizon.
template <class F>
void drawGrass(QPainter& p, PhotoRandom& random, const Camera& cam, double width, double yFrom, double yTo, int count,
               double bladeHeight, double lean, F&& colourAt)
{
    // As many blades on every octave of distance: dense where they are big.
    std::vector<double> rows(size_t(std::max(0, count)));
    const double a = std::log(std::max(1.0, yFrom - cam.horizon)), b = std::log(std::max(1.0, yTo - cam.horizon));
    for (double& y : rows)
        y = cam.horizon + std::exp(a + (b - a) * random.unit());
    std::sort(rows.begin(), rows.end());
    p.setPen(Qt::NoPen);
    for (const double y : rows) {
        const double x = random(-20, width + 20);
        const Rgb colour = colourAt(x, y, random.unit());
        if (colour.r < 0) // the caller keeps this spot clear
            continue;
        const double len = (y - cam.horizon) * bladeHeight * random(0.5, 1.4);
        const double w = std::max(0.7, len * random(0.03, 0.07));
        const double bend = (lean + random(-0.35, 0.35)) * len;
        const QPointF tip(x + bend, y - len);
        const QPointF mid(x + bend * 0.3, y - len * 0.55);
        QPolygonF blade;
        blade << QPointF(x - w, y) << QPointF(mid.x() - w * 0.7, mid.y()) << tip << QPointF(mid.x() + w * 0.7, mid.y())
              << QPointF(x + w, y);
        p.setBrush(toColor(colour));
        p.drawPolygon(blade);
    }
}

// A tuft of long grass springing from one spot, blades fanning out; lit
// along the side towards the sun.
void drawTuft(QPainter& p, PhotoRandom& random, QPointF base, double height, Rgb colour, const Light& l, int blades)
{
    p.setPen(Qt::NoPen);
    for (int i = 0; i < blades; ++i) {
        const double lean = random(-0.6, 0.6);
        const double len = height * random(0.4, 1.0) * (1.0 - std::abs(lean) * 0.4);
        const double w = std::max(1.0, height * random(0.008, 0.016));
        const QPointF root(base.x() + random(-0.08, 0.08) * height, base.y());
        const QPointF tip(root.x() + lean * len + random(-0.1, 0.1) * len, root.y() - len * (1.0 - lean * lean * 0.3));
        const QPointF mid(root.x() + (tip.x() - root.x()) * 0.35, root.y() - len * 0.55);
        QPainterPath blade(QPointF(root.x() - w, root.y()));
        blade.quadTo(QPointF(mid.x() - w * 0.8, mid.y()), tip);
        blade.quadTo(QPointF(mid.x() + w * 0.8, mid.y()), QPointF(root.x() + w, root.y()));
        blade.closeSubpath();
        const double litness = std::clamp(0.4 + lean * l.side * 0.6 + random(-0.25, 0.35), 0.0, 1.0);
        QLinearGradient g(root, tip);
        g.setColorAt(0, toColor(colour * l.shade * 0.6));
        g.setColorAt(1, toColor(colour * mix(l.shade, l.lit, litness) * 1.1));
        p.setBrush(g);
        p.drawPath(blade);
    }
}

// A fir: tiers of jagged needles, lit on the sun's side, with snow on the
// tiers when `snow`.
void drawFir(QPainter& p, PhotoRandom& random, QPointF base, double height, Rgb colour, const Light& l, double snow,
             double haze)
{
    const double w = height * random(0.34, 0.44);
    const double x = base.x();
    p.setPen(Qt::NoPen);
    p.setBrush(toColor(mix(rgb(50, 36, 28) * mix(l.shade, l.lit, 0.4), l.haze, haze)));
    p.drawRect(QRectF(x - w * 0.04, base.y() - height * 0.08, w * 0.08, height * 0.09));
    const Rgb dark = mix(colour * l.shade * 0.75, l.haze, haze), bright = mix(colour * l.lit * 1.1, l.haze, haze);
    const Rgb sDark = mix(rgb(232, 238, 248) * l.shade, l.haze, haze);
    const Rgb sBright = mix(rgb(250, 250, 252) * l.lit, l.haze, haze);
    // Layers of drooping branches from the top down, each wider than the
    // last and ragged underneath.
    const int tiers = std::max(4, int(height / 10));
    const double bottom = base.y() - height * 0.05;
    for (int i = 0; i < tiers; ++i) {
        const double t0 = double(i) / tiers, t1 = std::min(1.0, (i + 1.8) / tiers);
        const double yTop = base.y() - height + (bottom - base.y() + height) * t0;
        const double yBottom = base.y() - height + (bottom - base.y() + height) * t1;
        const double half = w * 0.5 * (0.06 + 0.94 * t1) * random(0.82, 1.12);
        const double lean = random(-0.08, 0.08) * half;
        const double tierHeight = yBottom - yTop;
        QPolygonF tier;
        tier << QPointF(x + lean * 0.2, yTop);
        tier << QPointF(x + half + lean, yBottom + tierHeight * random(0.0, 0.15));
        const int teeth = 5 + int(half / 6) % 5;
        for (int k = 1; k < teeth; ++k) {
            const double f = double(k) / teeth;
            tier << QPointF(x + lean + half * (1.0 - 2.0 * f) + random(-0.05, 0.05) * half,
                            yBottom - tierHeight * random(0.05, 0.4));
        }
        tier << QPointF(x - half + lean, yBottom + tierHeight * random(0.0, 0.15));
        QLinearGradient g(x - half, 0, x + half, 0);
        g.setColorAt(0, toColor(l.side > 0 ? dark : bright));
        g.setColorAt(0.5, toColor(mix(dark, bright, 0.35)));
        g.setColorAt(1, toColor(l.side > 0 ? bright : dark));
        p.setBrush(g);
        p.drawPolygon(tier);
        if (snow > 0) {
            // Snow lying on the upper side of the branches, in lumps.
            QPolygonF cap;
            cap << QPointF(x + lean * 0.2, yTop + 0.5);
            const int lumps = 4 + teeth / 2;
            for (int k = 0; k <= lumps; ++k) {
                const double f = double(k) / lumps;
                const double px = x + lean + half * (2.0 * f - 1.0) * 0.96;
                const double surface = yTop + (yBottom - yTop) * std::abs(2.0 * f - 1.0) * 0.95;
                cap << QPointF(px, surface + tierHeight * random(0.12, 0.45) * (1.0 - std::abs(2.0 * f - 1.0) * 0.5));
            }
            QLinearGradient sg(x - half, 0, x + half, 0);
            sg.setColorAt(0, toColor(l.side > 0 ? sDark : sBright, snow));
            sg.setColorAt(1, toColor(l.side > 0 ? sBright : sDark, snow));
            p.setBrush(sg);
            p.drawPolygon(cap);
        }
    }
}

// A rounded broadleaf crown: many small dabs, darker inside and underneath,
// lit on the sun's side.
void drawCrown(QPainter& p, PhotoRandom& random, QPointF centre, double radius, Rgb colour, const Light& l, double haze,
               int dabs)
{
    p.setPen(Qt::NoPen);
    // Trunk first, half hidden by the crown.
    p.setBrush(toColor(mix(rgb(60, 46, 36) * l.shade, l.haze, haze)));
    p.drawRect(QRectF(centre.x() - radius * 0.06, centre.y(), radius * 0.12, radius * 1.1));
    // Clumps of foliage: a dark body each, then leaves, lit on the top and
    // on the sun's side.
    struct Clump {
        QPointF c;
        double r;
    };
    std::vector<Clump> clumps;
    const int count = random.integer(5, 8);
    for (int i = 0; i < count; ++i) {
        const double a = random(0, 2 * M_PI), d = std::sqrt(random.unit()) * 0.55;
        clumps.push_back({QPointF(centre.x() + std::cos(a) * d * radius, centre.y() + std::sin(a) * d * radius * 0.8),
                          radius * random(0.38, 0.55)});
    }
    for (const Clump& k : clumps) {
        p.setBrush(toColor(mix(colour * l.shade * 0.5, l.haze, haze)));
        p.drawEllipse(k.c, k.r * 0.9, k.r * 0.8);
    }
    const int leaves = std::clamp(int(radius * radius * 0.12), dabs, 1500);
    for (int i = 0; i < leaves; ++i) {
        const Clump& k = clumps[size_t(i % count)];
        const double a = random(0, 2 * M_PI), d = std::sqrt(random.unit());
        const double dx = std::cos(a) * d, dy = std::sin(a) * d * 0.85;
        const QPointF c(k.c.x() + dx * k.r, k.c.y() + dy * k.r);
        const double across = (c.x() - centre.x()) / radius, down = (c.y() - centre.y()) / radius;
        const double litness = std::clamp(0.4 + 0.35 * dx * l.side + 0.3 * across * l.side - 0.3 * dy - 0.3 * down
                                              + random(-0.2, 0.2),
                                          0.0, 1.0);
        const double s = std::max(0.8, radius * random(0.035, 0.08));
        const Rgb c0 = colour * mix(l.shade * 0.8, l.lit * 1.1, litness) * random(0.85, 1.15);
        p.setBrush(toColor(mix(c0, l.haze, haze)));
        p.drawEllipse(c, s, s * 0.8);
    }
}

// Light spilling from bright parts into their surroundings, as in a real lens:
// strongest against a low sun.
void lensGlow(QImage& image, const Light& l)
{
    const double strength = l.hour == Hour::Sunset   ? 0.3
                            : l.hour == Hour::Golden ? 0.24
                            : l.hour == Hour::Dawn   ? 0.2
                            : l.hour == Hour::Day    ? 0.1
                                                     : 0.06;
    QImage halo = softened(image, image.width() / 60.0);
    // Only the highlights spill: darken the blurred copy before adding it.
    QPainter dim(&halo);
    dim.setCompositionMode(QPainter::CompositionMode_Multiply);
    dim.drawImage(0, 0, halo);
    dim.end();
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Screen);
    p.setOpacity(strength);
    p.drawImage(0, 0, halo);
}

struct Frame {
    int width, height;
    bool portrait;
    double w() const { return width; }
    double h() const { return height; }
};

// The time of day of each variant: a trip's photos, mostly by day.
Hour hourOf(int variant, const std::array<Hour, 9>& hours) { return hours[size_t(std::clamp(variant, 0, 8))]; }

// ---- the scenes ------------------------------------------------------------

QImage drawBeach(int variant, const Frame& f, PhotoRandom& random)
{
    const Noise noise(random);
    const Hour hour = hourOf(variant, {Hour::Day, Hour::Golden, Hour::Day, Hour::Sunset, Hour::Day, Hour::Overcast,
                                       Hour::Golden, Hour::Day, Hour::Sunset});
    const double horizon = f.h() * (f.portrait ? random(0.4, 0.46) : random(0.36, 0.48));
    const double shore = horizon + (f.h() - horizon) * (f.portrait ? random(0.38, 0.5) : random(0.3, 0.45));
    const int sunSide = variant % 2 ? 1 : -1;
    const double sunX = f.w() * (0.5 + sunSide * random(0.12, 0.3));
    const double sunY = hour == Hour::Sunset ? horizon - f.h() * 0.04
                       : hour == Hour::Golden ? horizon - f.h() * 0.16
                                              : -f.h() * 0.3;
    const Light l = lightFor(hour, sunX, sunY, f.w());
    Clouds clouds;
    clouds.cover = hour == Hour::Overcast ? 0.3 : random(0.5, 0.62);
    clouds.stretch = hour == Hour::Sunset ? 3.0 : random(1.0, 1.6);
    clouds.offset = random(0, 50);
    const Rgb deep = mix(rgb(18, 70, 112), rgb(20, 96, 120), random.unit());
    const Rgb shallow = mix(rgb(46, 160, 168), rgb(70, 172, 160), random.unit());
    const Rgb sand = mix(rgb(226, 206, 168), rgb(236, 214, 182), random.unit());
    // A headland on one side in some pictures.
    Ridge head = makeRidge(noise, f.width, horizon + 1, f.h() * random(0.03, 0.07), 0.004, 0.3, random(0, 60));
    const bool headland = variant % 3 != 1;
    const double headEnd = f.w() * random(0.25, 0.45);
    for (int x = 0; x < f.width; ++x) {
        const double along = sunSide > 0 ? x : f.w() - x;
        const double fall = smoothstep(headEnd, headEnd * 0.4, along);
        head.top[size_t(x)] = horizon - (horizon - head.top[size_t(x)]) * fall + (headland ? 0.0 : 1e6);
    }
    head.rock = rgb(70, 96, 72);
    head.haze = hour == Hour::Overcast ? 0.7 : 0.55;
    head.grain = 0.02;
    head.seed = random(0, 40);

    QImage image(f.width, f.height, QImage::Format_RGB32);
    paintRows(image, 0, int(horizon) + 2, 2, [&](double x, double y) {
        const int xi = std::clamp(int(x), 0, f.width - 1);
        if (y >= head.top[size_t(xi)])
            return ridgeAt(head, l, noise, x, y);
        return skyAt(l, clouds, noise, x, y, f.w(), horizon);
    });
    const QImage skyImage = image.copy();
    const Camera cam{horizon, f.w() * 0.9, 2.0, f.w() / 2};
    const double shoreWave = f.h() * 0.012;
    // Looking straight out to sea, or along the beach with the water's edge
    // running away at a slant.
    const double tilt = variant % 3 == 1 ? sunSide * random(0.08, 0.16) : random(-0.03, 0.03);
    const Rgb wetSand = sand * rgb(140, 124, 106);
    paintGround(image, int(horizon), f.height, horizon, [&](double x, double y) {
        const double z = cam.depthAt(y);
        const double wx = cam.worldX(x, z);
        const double foot = cam.footprint(z);
        const double edge = shore + tilt * (x - f.w() / 2) + (noise.fbm(x * 0.003, 3.3, 4) - 0.5) * shoreWave;
        if (y < edge) {
            // Waves: long swells across the view, finer ripples on them.
            const double swell = noise.fbm(wx * 0.05, z * 0.35, 4, foot * 0.35);
            const double ripple = noise.fbm(wx * 0.6, z * 2.4, 3, foot * 2.4);
            const double wave = (swell - 0.5) + (ripple - 0.5) * 0.5;
            const double dist = y - horizon;
            const double mirror = horizon - dist * 1.2 - wave * dist * 0.9;
            const Rgb reflected = sampleImage(skyImage, x + wave * 40, std::clamp(mirror, 0.0, horizon - 2));
            const double fresnel = 0.25 + 0.7 * std::exp(-dist / (f.h() * 0.07));
            const double near = smoothstep(horizon, edge, y);
            Rgb water = mix(deep, shallow, near * near) * mix(l.shade, l.lit, 0.5 + wave);
            Rgb c = mix(water, reflected, std::clamp(fresnel + wave * 0.4, 0.0, 1.0));
            // Glitter on the path of the sun.
            const double across = (x - l.sunX) / (f.w() * (0.05 + 0.12 * near));
            const double path = std::exp(-across * across);
            const double sparkle = smoothstep(0.58, 0.75, ripple + swell * 0.3) * path * (l.hour == Hour::Overcast ? 0.1 : 1.0);
            c = c + l.sun * (sparkle * (l.disc ? 1.2 : 0.6));
            // Surf: lines of broken white water running along the shore,
            // spaced evenly on the water and so closer together far out.
            const double out = z - cam.depthAt(edge);
            if (out > 30.0)
                return c;
            const double swash = noise.fbm(wx * 0.15, 2.2, 3) * 5.0;
            const double band = std::sin(out * 0.7 + swash);
            double foam = 0.0;
            if (band > 0.7)
                foam = smoothstep(0.7, 0.97, band) * smoothstep(30.0, 4.0, out)
                       * smoothstep(0.35, 0.7, noise.fbm(wx * 0.35, z * 0.8, 4, foot * 0.8));
            if (out < 1.6)
                foam = std::max(foam, smoothstep(1.6, 0.0, out)
                                          * smoothstep(0.3, 0.6, noise.fbm(wx * 1.5, z * 4.0, 4, foot * 4.0)));
            c = mix(c, rgb(244, 246, 244) * mix(l.shade, l.lit, 0.55 + 0.45 * band), std::clamp(foam, 0.0, 1.0) * 0.92);
            return c;
        }
        // Sand: wet and glossy at the water's edge, then dry: broad soft
        // undulations, wind ripples close by, and grain.
        const double fromEdge = cam.depthAt(edge) - z;
        const double wet = smoothstep(3.0, 0.6, fromEdge + (noise.fbm(wx * 0.3, 1.5, 3) - 0.5) * 2.0);
        const double h0 = noise.fbm(wx * 0.06, z * 0.1, 4, foot * 0.1);
        const double hx = noise.fbm((wx + 0.5) * 0.06, z * 0.1, 4, foot * 0.1);
        const double ripple = foot < 0.012 ? std::sin(z * 26.0 + wx * 6.0 + noise.fbm(wx * 0.6, z * 0.6, 3) * 10.0)
                                                 * (1.0 - smoothstep(0.004, 0.012, foot)) * 0.1
                                                 * smoothstep(0.45, 0.7, noise.fbm(wx * 0.3 + 20, z * 0.3, 2))
                                           : 0.0;
        const double grain = noise.at(x * 0.9, y * 0.9) - 0.5;
        const double low = l.hour == Hour::Sunset ? 0.7 : 1.0; // a low sun grazes the sand
        const double litness = std::clamp((0.68 + (hx - h0) * 5.0 * l.side + ripple) * low, 0.0, 1.0);
        Rgb c = sand * mix(l.shade, l.lit, litness) * (0.96 + h0 * 0.06 + grain * 0.1);
        if (wet > 0) {
            const Rgb mirror = sampleImage(skyImage, x, std::clamp(horizon - (y - horizon) * 0.5, 0.0, horizon - 2));
            // Wet sand is a dull mirror, glossier where the wave has just
            // run back.
            const double gloss = 0.1 + 0.25 * smoothstep(0.5, 1.0, wet);
            c = mix(c, mix(wetSand * mix(l.shade, l.lit, 0.5 * low) * (0.95 + grain * 0.1), mirror * 0.9, gloss), wet);
        }
        return c;
    });
    // Grains and pebbles close to the lens.
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const double from = shore + (f.h() - shore) * 0.25;
        for (int i = 0; i < 5000; ++i) {
            const double y = random(from, f.h());
            const double x = random(0, f.w());
            const double s = (y - horizon) / f.h() * random(0.6, 2.4);
            const bool dark = random.chance(0.5);
            const Rgb c = (dark ? sand * 0.72 : sand * 1.12) * l.lit;
            p.setBrush(toColor(c, 0.55));
            p.drawEllipse(QPointF(x, y), s, s * 0.6);
        }
    }
    // Marram grass close to the lens in some pictures, out of focus.
    if (variant % 3 == 0) {
        QImage layer(image.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        const int side = -sunSide;
        for (int i = 0; i < 4; ++i) {
            const double x = f.w() * (side > 0 ? random(0.75, 1.05) : random(-0.05, 0.25));
            drawTuft(p, random, QPointF(x, f.h() + f.h() * 0.02), f.h() * random(0.25, 0.45), rgb(170, 176, 120), l, 70);
        }
        p.end();
        layer = softened(layer, 5);
        QPainter q(&image);
        q.drawImage(0, 0, layer);
    }
    // Footprints walking down to the water, in some pictures.
    if (variant % 3 != 2) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        double wx = random(-1.5, 1.5), z = 1.6;
        const double drift = random(-0.25, 0.25);
        for (int step = 0; step < 40; ++step) {
            const double side = step % 2 ? 0.13 : -0.13;
            const double y = cam.rowAt(z);
            const double x = cam.screenX(wx + side, z);
            const double edgeHere = shore + tilt * (x - f.w() / 2) + shoreWave;
            if (y < edgeHere + 20 || y > f.h() + 40)
                break;
            const double w = 0.055 * cam.focal / z, h = std::max(1.0, 0.14 * cam.focal * cam.height / (z * z));
            const Rgb dent = sand * l.shade * 0.8, rim = sand * l.lit * 1.08;
            p.setBrush(toColor(rim, 0.5));
            p.drawEllipse(QPointF(x - l.side * w * 0.2, y - h * 0.1), w * 1.15, h * 1.15);
            p.setBrush(toColor(dent, 0.55));
            p.drawEllipse(QPointF(x, y), w, h);
            wx += drift * 0.35;
            z += 0.36;
        }
    }
    lensGlow(image, l);
    finishLikeAPhoto(image, random, 2.2, 0.3);
    return image;
}

QImage drawMountains(int variant, const Frame& f, PhotoRandom& random)
{
    const Noise noise(random);
    const Hour hour = hourOf(variant, {Hour::Day, Hour::Golden, Hour::Day, Hour::Day, Hour::Sunset, Hour::Overcast,
                                       Hour::Golden, Hour::Dawn, Hour::Day});
    const bool lake = variant % 2 == 0;
    const double floor = f.h() * (f.portrait ? random(0.58, 0.66) : random(0.56, 0.66));
    const int sunSide = variant % 3 == 1 ? 1 : -1;
    const double sunX = f.w() * (0.5 + sunSide * random(0.15, 0.4));
    const double sunY = hour == Hour::Sunset ? floor - f.h() * 0.3
                       : (hour == Hour::Golden || hour == Hour::Dawn) ? floor - f.h() * random(0.2, 0.28)
                                                                      : -f.h() * 0.4;
    const Light l = lightFor(hour, sunX, sunY, f.w());
    Clouds clouds;
    clouds.cover = hour == Hour::Overcast ? 0.3 : random(0.55, 0.68);
    clouds.stretch = hour == Hour::Sunset ? 2.5 : 1.3;
    clouds.offset = random(0, 50);
    const double tall = f.portrait ? 1.35 : 1.0;
    std::vector<Ridge> ridges;
    const double seed = random(0, 100);
    // Far snowy peaks, a second range, then forested hills in front.
    ridges.push_back(makeRidge(noise, f.width, floor - f.h() * 0.06, f.h() * random(0.22, 0.32) * tall, 0.0018, 0.75, seed));
    ridges.back().rock = rgb(98, 100, 112);
    ridges.back().snow = random(0.35, 0.55);
    ridges.back().haze = hour == Hour::Overcast ? 0.55 : 0.4;
    ridges.back().grain = 0.012;
    ridges.push_back(makeRidge(noise, f.width, floor - f.h() * 0.02, f.h() * random(0.12, 0.2) * tall, 0.003, 0.55, seed + 33));
    ridges.back().rock = rgb(74, 80, 78);
    ridges.back().snow = variant % 4 == 3 ? 0.25 : 0.0;
    ridges.back().haze = hour == Hour::Overcast ? 0.4 : 0.26;
    ridges.back().grain = 0.02;
    ridges.push_back(makeRidge(noise, f.width, floor, f.h() * random(0.05, 0.1), 0.005, 0.2, seed + 71));
    ridges.back().rock = rgb(46, 66, 44);
    ridges.back().haze = 0.14;
    ridges.back().grain = 0.05;
    ridges.back().relief = 0.5;

    QImage image(f.width, f.height, QImage::Format_RGB32);
    paintRows(image, 0, int(floor) + 2, 2, [&](double x, double y) {
        const int xi = std::clamp(int(x), 0, f.width - 1);
        for (auto it = ridges.rbegin(); it != ridges.rend(); ++it)
            if (y >= it->top[size_t(xi)])
                return ridgeAt(*it, l, noise, x, y);
        return skyAt(l, clouds, noise, x, y, f.w(), floor);
    });
    // Firs along the nearest hills, smaller further up.
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const Ridge& hill = ridges.back();
        const int trees = 1400;
        std::vector<QPointF> spots;
        for (int i = 0; i < trees; ++i) {
            const double x = random(0, f.w());
            const double top = hill.top[size_t(std::clamp(int(x), 0, f.width - 1))];
            const double y = random(top + 2, floor + 4);
            spots.emplace_back(x, y);
        }
        std::sort(spots.begin(), spots.end(), [](QPointF a, QPointF b) { return a.y() < b.y(); });
        for (const QPointF s : spots)
            drawFir(p, random, s, f.h() * random(0.018, 0.03), rgb(40, 66, 46), l, 0.0, 0.2);
    }
    const Camera cam{floor, f.w() * 0.9, 3.0, f.w() / 2};
    const double lakeEnd = lake ? floor + (f.h() - floor) * random(0.5, 0.75) : floor;
    if (lake) {
        const QImage above = image.copy();
        paintGround(image, int(floor), int(lakeEnd) + 6, floor, [&](double x, double y) {
            const double z = cam.depthAt(y);
            const double wx = cam.worldX(x, z);
            const double foot = cam.footprint(z);
            const double ripple = noise.fbm(wx * 0.8, z * 3.0, 4, foot * 3.0) - 0.5;
            const double dist = y - floor;
            const Rgb mirror = sampleImage(above, x + ripple * 6, floor - dist * 1.02 - ripple * std::min(6.0, dist * 0.05));
            const Rgb water = rgb(30, 52, 58) * mix(l.shade, l.lit, 0.5);
            const double fresnel = 0.88 - 0.4 * smoothstep(0, f.h() - floor, dist);
            Rgb c = mix(water, mirror * 0.92, fresnel);
            // Catspaws: patches where a breeze roughens the water and it
            // shows the sky instead of the mountains.
            const double wind = smoothstep(0.6, 0.8, noise.fbm(wx * 0.03, z * 0.12, 3, foot * 0.12));
            c = mix(c, l.horizon * 0.85, wind * 0.3);
            return c;
        });
    }
    // Meadow and shore in front, in perspective.
    const Rgb grass = mix(rgb(86, 118, 52), rgb(120, 128, 58), random.unit());
    paintGround(image, int(lakeEnd), f.height, floor, [&](double x, double y) {
        const double z = cam.depthAt(y);
        const double wx = cam.worldX(x, z);
        const double foot = cam.footprint(z);
        const double patches = noise.fbm(wx * 0.08, z * 0.08, 4, foot * 0.08);
        const double fine = grassStreaks(noise, x, y, floor, 0.006);
        const double litness = std::clamp(0.15 + fine * 0.9 + (patches - 0.5) * 0.5, 0.0, 1.0);
        Rgb c = mix(grass, rgb(150, 140, 80), smoothstep(0.55, 0.75, patches)) * mix(l.shade, l.lit, litness);
        if (lake) {
            const double edge = smoothstep(lakeEnd + 12, lakeEnd, y);
            c = mix(c, rgb(120, 112, 96) * mix(l.shade, l.lit, fine), edge * 0.8);
        }
        return mix(c, l.haze, smoothstep(f.h(), floor, y) * 0.25);
    });
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        drawGrass(p, random, cam, f.w(), std::max(lakeEnd, floor + 20.0), f.h() + 40, lake ? 5000 : 9000, 0.14,
                  0.1 * l.side, [&](double, double, double r) {
                      return mix(grass, rgb(170, 160, 90), r * 0.6) * mix(l.shade, l.lit, 0.3 + r * 0.9);
                  });
        // Wild flowers in the meadow.
        for (int i = 0; i < (lake ? 150 : 500); ++i) {
            const double y = random(std::max(lakeEnd, floor + 10.0), f.h());
            const double s = (y - floor) / f.h() * random(2.0, 5.0);
            const Rgb petal = random.chance(0.5) ? rgb(250, 246, 236) : random.chance(0.5) ? rgb(244, 206, 66)
                                                                                           : rgb(170, 120, 200);
            p.setPen(Qt::NoPen);
            p.setBrush(toColor(petal * mix(l.shade, l.lit, 0.8)));
            p.drawEllipse(QPointF(random(0, f.w()), y), s, s * 0.7);
        }
    }
    lensGlow(image, l);
    finishLikeAPhoto(image, random, 2.2, 0.32);
    return image;
}

QImage drawRoad(int variant, const Frame& f, PhotoRandom& random)
{
    const Noise noise(random);
    const Hour hour = hourOf(variant, {Hour::Day, Hour::Golden, Hour::Day, Hour::Sunset, Hour::Overcast, Hour::Day,
                                       Hour::Golden, Hour::Day, Hour::Sunset});
    const double horizon = f.h() * (f.portrait ? random(0.42, 0.5) : random(0.4, 0.52));
    const int sunSide = variant % 2 ? 1 : -1;
    const double sunX = f.w() * (0.5 + sunSide * random(0.1, 0.35));
    const double sunY = hour == Hour::Sunset ? horizon - f.h() * 0.05
                       : hour == Hour::Golden ? horizon - f.h() * 0.18
                                              : -f.h() * 0.4;
    const Light l = lightFor(hour, sunX, sunY, f.w());
    Clouds clouds;
    clouds.cover = hour == Hour::Overcast ? 0.4 : random(0.48, 0.62);
    clouds.stretch = hour == Hour::Sunset ? 2.6 : random(1.0, 1.5);
    clouds.offset = random(0, 50);
    std::vector<Ridge> ridges;
    ridges.push_back(makeRidge(noise, f.width, horizon + 1, f.h() * random(0.04, 0.1), 0.003, 0.4, random(0, 80)));
    // Rolling country: soft relief, not the gullies of high mountains.
    ridges.back().rock = rgb(70, 86, 84);
    ridges.back().haze = 0.6;
    ridges.back().relief = 0.35;
    ridges.push_back(makeRidge(noise, f.width, horizon + 1, f.h() * random(0.015, 0.04), 0.006, 0.1, random(0, 80)));
    ridges.back().rock = rgb(58, 78, 50);
    ridges.back().haze = 0.35;
    ridges.back().grain = 0.05;
    ridges.back().relief = 0.35;
    QImage image(f.width, f.height, QImage::Format_RGB32);
    paintRows(image, 0, int(horizon) + 2, 2, [&](double x, double y) {
        const int xi = std::clamp(int(x), 0, f.width - 1);
        for (auto it = ridges.rbegin(); it != ridges.rend(); ++it)
            if (y >= it->top[size_t(xi)])
                return ridgeAt(*it, l, noise, x, y);
        return skyAt(l, clouds, noise, x, y, f.w(), horizon);
    });
    const Camera cam{horizon, f.w() * (f.portrait ? 1.0 : 0.8), random(1.0, 2.6), f.w() * random(0.44, 0.56)};
    const double bend = random(-1, 1) * 0.003;
    // Standing on the road, or on its verge with the road running past.
    // Standing upright, the narrower view keeps some verge beside the road.
    const double roadX = variant % 3 == 1 ? (variant % 2 ? 1 : -1) * random(3.0, 5.0)
                         : f.portrait     ? (variant % 2 ? 1 : -1) * random(1.8, 2.8)
                                          : random(-1.5, 1.5);
    const auto centre = [&](double z) { return roadX + bend * z * z; };
    const double half = 3.4;
    const Rgb fieldA = variant % 3 == 0 ? rgb(196, 166, 90) : rgb(100, 130, 56);
    const Rgb fieldB = variant % 3 == 2 ? rgb(190, 170, 100) : rgb(76, 110, 48);
    const Rgb asphalt = rgb(96, 95, 96);
    paintGround(image, int(horizon) + 1, f.height, horizon, [&](double x, double y) {
        const double z = cam.depthAt(y);
        const double wx = cam.worldX(x, z);
        const double foot = cam.footprint(z);
        const double off = wx - centre(z);
        const double a = std::abs(off);
        const double fine = grassStreaks(noise, x, y, horizon, 0.006);
        // Fields: large patches, crop rows running away from the road.
        const double patch = noise.fbm(wx * 0.01 + 5, z * 0.01, 4, foot * 0.01);
        const double rows = 0.5 + 0.5 * std::sin(wx * 3.0) * (1.0 - smoothstep(0.3, 0.8, foot * 3.0));
        Rgb field = mix(fieldA, fieldB, smoothstep(0.45, 0.55, patch));
        const double crop = groundTexture(noise, x, y, horizon, 0.004, 3.0);
        const double fieldLit = std::clamp(0.4 + (rows - 0.5) * 0.3 + (crop - 0.5) * 0.9
                                               + (noise.fbm(wx * 0.05, z * 0.05, 3, foot * 0.05) - 0.5) * 0.4,
                                           0.0, 1.0);
        Rgb c = field * mix(l.shade, l.lit, fieldLit);
        // Verge: rougher grass beside the road.
        const double verge = smoothstep(half + 4.0, half + 2.0, a);
        c = mix(c, rgb(92, 112, 52) * mix(l.shade, l.lit, 0.3 + fine * 0.7), verge);
        const double px = foot; // one pixel in metres at this depth
        const double shoulder = smoothstep(half + 0.9 + px, half + 0.9 - px, a);
        c = mix(c, rgb(140, 130, 112) * mix(l.shade, l.lit, 0.35 + fine * 0.6), shoulder);
        const double road = smoothstep(half + px, half - px, a);
        if (road > 0) {
            const double wear = noise.fbm(wx * 0.5, z * 0.3, 4, foot * 0.5);
            const double grit = noise.at(x * 0.6, y * 0.6);
            // Darker where the wheels run, and mended patches.
            const double lane = std::abs(a - half * 0.5);
            const double tracks = smoothstep(0.7, 0.3, std::abs(lane - 0.75)) * 0.1;
            const double mended = smoothstep(0.66, 0.7, noise.fbm(wx * 0.3 + 11, z * 0.08, 3, foot * 0.3)) * 0.12;
            Rgb tar = asphalt * (0.92 + wear * 0.16 - tracks - mended) * (0.9 + grit * 0.2) * mix(l.shade, l.lit, 0.6);
            // The wet-looking sheen far away, where the surface reflects the sky.
            tar = mix(tar, l.horizon * 0.85, smoothstep(60, 400, z) * 0.45);
            const double edgeLine = smoothstep(0.09 + px, 0.09 - px * 0.5, std::abs(a - (half - 0.25)));
            const double dash = std::fmod(z + 1000.0, 12.0) < 4.5 ? 1.0 : 0.0;
            const double centreLine = smoothstep(0.08 + px, 0.08 - px * 0.5, a) * dash;
            const double paint = std::max(edgeLine, centreLine) * (0.7 + 0.3 * wear);
            tar = mix(tar, rgb(236, 232, 220) * mix(l.shade, l.lit, 0.6), paint);
            c = mix(c, tar, road);
        }
        return mix(c, l.haze, std::exp(-(y - horizon) / (f.h() * 0.04)) * 0.6);
    });
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Trees and hedges scattered over the fields, far to near.
    std::vector<std::pair<double, double>> trees;
    for (int i = 0; i < 6 + variant % 4 * 3; ++i) {
        const double z = random(40, 600);
        trees.emplace_back(z, centre(z) + (random.chance(0.5) ? 1 : -1) * random(10, 0.5 * z));
    }
    std::sort(trees.begin(), trees.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& t : trees) {
        const double r = cam.focal * random(2.5, 4.5) / t.first;
        drawCrown(p, random, QPointF(cam.screenX(t.second, t.first), cam.rowAt(t.first) - r * 0.9), r, rgb(80, 110, 56), l,
                  std::clamp(t.first / 500.0, 0.1, 0.7), 90);
    }
    // Poles along one side, with the wire sagging between them.
    const double poleSide = (variant % 2 ? -1 : 1) * (half + random(3.0, 5.0));
    QPointF lastTop;
    bool haveLast = false;
    for (int i = 30; i >= 0; --i) {
        const double z = 14.0 + i * 28.0;
        const double y = cam.rowAt(z);
        if (y > f.h() * 1.5)
            continue;
        const double x = cam.screenX(centre(z) + poleSide, z);
        const double h = cam.focal * 8.0 / z;
        const double w = std::max(1.0, cam.focal * 0.22 / z);
        const double haze = std::clamp(z / 900.0, 0.0, 0.7);
        p.setPen(Qt::NoPen);
        p.setBrush(toColor(mix(rgb(70, 56, 44) * mix(l.shade, l.lit, 0.4), l.haze, haze)));
        p.drawRect(QRectF(x - w / 2, y - h, w, h));
        p.drawRect(QRectF(x - w * 4, y - h * 0.94, w * 8, w * 0.7));
        const QPointF top(x, y - h * 0.93);
        if (haveLast) {
            QPainterPath wire(lastTop);
            wire.quadTo((lastTop + top) / 2 + QPointF(0, (top.y() - lastTop.y()) * 0.1 + h * 0.08), top);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(toColor(rgb(40, 40, 44), 0.7), std::max(0.6, w * 0.12)));
            p.drawPath(wire);
        }
        lastTop = top;
        haveLast = true;
    }
    drawGrass(p, random, cam, f.w(), horizon + f.h() * 0.15, f.h() + 30, 3500, 0.1, 0.15 * l.side,
              [&](double x, double y, double r) {
                  const double z = cam.depthAt(y);
                  const double a = std::abs(cam.worldX(x, z) - centre(z));
                  if (a < half + 1.0)
                      return Rgb{-1, -1, -1};
                  return mix(rgb(90, 116, 50), rgb(176, 164, 96), r * 0.7) * mix(l.shade, l.lit, 0.3 + r);
              });
    p.end();
    lensGlow(image, l);
    finishLikeAPhoto(image, random, 2.2, 0.32);
    return image;
}

QImage drawSnow(int variant, const Frame& f, PhotoRandom& random)
{
    const Noise noise(random);
    const Hour hour = hourOf(variant, {Hour::Day, Hour::Dawn, Hour::Day, Hour::Golden, Hour::Overcast, Hour::Day,
                                       Hour::Sunset, Hour::Day, Hour::Dawn});
    const double horizon = f.h() * (f.portrait ? random(0.5, 0.58) : random(0.44, 0.56));
    const int sunSide = variant % 2 ? 1 : -1;
    const double sunX = f.w() * (0.5 + sunSide * random(0.2, 0.42));
    const double sunY = hour == Hour::Sunset ? horizon - f.h() * 0.12
                       : (hour == Hour::Golden || hour == Hour::Dawn) ? horizon - f.h() * 0.16
                                                                      : -f.h() * 0.3;
    const Light l = lightFor(hour, sunX, sunY, f.w());
    Clouds clouds;
    clouds.cover = hour == Hour::Overcast ? 0.3 : random(0.6, 0.75);
    clouds.stretch = 1.6;
    clouds.offset = random(0, 50);
    std::vector<Ridge> ridges;
    ridges.push_back(makeRidge(noise, f.width, horizon, f.h() * random(0.14, 0.24), 0.0025, 0.7, random(0, 80)));
    ridges.back().rock = rgb(112, 116, 128);
    ridges.back().snow = 0.8;
    ridges.back().steep = 0.4;
    ridges.back().haze = hour == Hour::Overcast ? 0.5 : 0.3;
    ridges.back().grain = 0.014;
    QImage image(f.width, f.height, QImage::Format_RGB32);
    paintRows(image, 0, int(horizon) + 2, 2, [&](double x, double y) {
        const int xi = std::clamp(int(x), 0, f.width - 1);
        if (y >= ridges[0].top[size_t(xi)])
            return ridgeAt(ridges[0], l, noise, x, y);
        return skyAt(l, clouds, noise, x, y, f.w(), horizon);
    });
    // Rolling snowfields: a height field in perspective, shaded by its slope
    // towards the sun; blue in the hollows, sparkling where the sun is.
    const Camera cam{horizon, f.w() * 0.9, random(2.0, 5.0), f.w() / 2};
    const double seed = random(0, 100);
    const bool tracks = variant % 3 != 1;
    const double trackX = random(-1.5, 1.5), trackTurn = random(-0.15, 0.15), trackBend = random(-0.004, 0.004);
    paintGround(image, int(horizon), f.height, horizon, [&](double x, double y) {
        const double z = cam.depthAt(y);
        const double wx = cam.worldX(x, z);
        const double foot = cam.footprint(z);
        const double e = 1.5;
        const double h0 = noise.fbm(wx * 0.02 + seed, z * 0.03, 3, foot * 0.03);
        const double hx = noise.fbm((wx + e) * 0.02 + seed, z * 0.03, 3, foot * 0.03);
        const double hz = noise.fbm(wx * 0.02 + seed, (z - e) * 0.03, 3, foot * 0.03);
        const double slopeX = (hx - h0) * 15.0, slopeZ = (hz - h0) * 15.0;
        const double drift = (noise.fbm(wx * 0.4 + z * 0.1, z * 0.9, 3, foot * 0.9) - 0.5) * 0.35;
        const double litness = std::clamp(0.66 - slopeX * l.side * 1.2 + slopeZ * 0.6 + drift, 0.0, 1.0);
        const double fine = noise.fbm(x * 0.35, y * 0.35, 2);
        Rgb c = rgb(246, 248, 252) * mix(l.shade, l.lit, litness) * (0.95 + fine * 0.08);
        if (tracks && z < 150.0) {
            // A skier's two grooves, shadowed on the side away from the sun.
            const double px = foot * 1.2;
            const double off = wx - (trackX + trackTurn * z + trackBend * z * z);
            for (const double g : {-0.11, 0.11}) {
                const double d = off - g;
                const double groove = smoothstep(0.06 + px, 0.03, std::abs(d)) * (1.0 - smoothstep(40.0, 150.0, z));
                const double rim = smoothstep(0.09 + px, 0.06, std::abs(d)) * (d * l.side > 0 ? 1.0 : 0.0);
                c = mix(c, rgb(246, 248, 252) * l.lit, rim * 0.5 * (1.0 - smoothstep(40.0, 150.0, z)));
                c = mix(c, rgb(220, 226, 240) * l.shade * 0.85, groove * 0.8);
            }
        }
        const double sparkle = smoothstep(0.9, 0.97, noise.at(x * 0.7, y * 0.7)) * litness;
        c = c + l.sun * (sparkle * 0.5 * (l.hour == Hour::Overcast ? 0.2 : 1.0));
        return mix(c, l.haze, std::exp(-(y - horizon) / (f.h() * 0.05)) * 0.5);
    });
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Groups of firs, far to near, each casting a long blue shadow.
    struct Tree {
        double z, wx;
    };
    std::vector<Tree> trees;
    const int groups = 4 + variant % 3;
    for (int g = 0; g < groups; ++g) {
        // The first group stands close, the rest anywhere out to the far side.
        const double gz = g == 0 ? random(12, 30) : random(14, 260), gx = random(-0.6, 0.6) * gz * f.w() / cam.focal;
        const int n = random.integer(4, 14);
        for (int i = 0; i < n; ++i)
            trees.push_back({gz + random(-6, 6), gx + random(-8, 8)});
    }
    std::sort(trees.begin(), trees.end(), [](const Tree& a, const Tree& b) { return a.z > b.z; });
    for (const Tree& t : trees) {
        if (t.z < 3)
            continue;
        const double y = cam.rowAt(t.z), x = cam.screenX(t.wx, t.z);
        const double h = cam.focal * random(5.0, 11.0) / t.z;
        const double haze = std::clamp(t.z / 500.0, 0.0, 0.6);
        QRadialGradient shadow(QPointF(x - l.side * h * 0.5, y), h * 0.6);
        shadow.setColorAt(0, toColor(l.shade * 0.7, hour == Hour::Overcast ? 0.15 : 0.4));
        shadow.setColorAt(1, toColor(l.shade * 0.7, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shadow);
        p.drawEllipse(QPointF(x - l.side * h * 0.5, y), h * 0.6, h * 0.08);
        drawFir(p, random, QPointF(x, y), h, rgb(34, 58, 44), l, 0.9, haze);
    }
    // Snow falling on a grey day; a dusting of flakes close to the lens.
    if (hour == Hour::Overcast) {
        for (int i = 0; i < 900; ++i) {
            const double r = random(0.6, 3.0) * (random.chance(0.06) ? 3.0 : 1.0);
            p.setBrush(toColor(rgb(250, 250, 252), r > 4 ? 0.35 : 0.75));
            p.drawEllipse(QPointF(random(0, f.w()), random(0, f.h())), r, r);
        }
    }
    p.end();
    lensGlow(image, l);
    finishLikeAPhoto(image, random, 2.0, 0.28);
    return image;
}

// A leaf's outline, pointed at both ends, `length` from its middle to a tip,
// turned by `angle` and flattened by `squash` where it lies on the ground.
QPolygonF leafShape(QPointF centre, double length, double angle, double squash)
{
    static constexpr double kAlong[] = {1.0, 0.45, -0.45, -1.0, -0.45, 0.45};
    static constexpr double kAcross[] = {0.0, 0.42, 0.42, 0.0, -0.42, -0.42};
    const double c = std::cos(angle), s = std::sin(angle);
    QPolygonF leaf;
    for (int i = 0; i < 6; ++i) {
        const double u = kAlong[i] * length, v = kAcross[i] * length;
        leaf << QPointF(centre.x() + u * c - v * s, centre.y() + (u * s + v * c) * squash);
    }
    return leaf;
}

// A trunk standing on the ground at `base`, reaching out of the top of the
// picture: rounded by the light across it, with furrows of bark when close.
void drawTrunk(QPainter& p, PhotoRandom& random, QPointF base, double width, const Light& l, double haze, bool bark)
{
    const double x = base.x(), y = base.y(), w = width;
    const Rgb colour = rgb(66, 56, 50) * random(0.8, 1.15);
    const Rgb dark = mix(colour * l.shade * 0.55, l.haze, haze), bright = mix(colour * l.lit * 1.35, l.haze, haze);
    QLinearGradient g(x - w / 2, 0, x + w / 2, 0);
    g.setColorAt(0, toColor(l.side > 0 ? dark : bright));
    g.setColorAt(0.55, toColor(mix(dark, bright, 0.45)));
    g.setColorAt(1, toColor(l.side > 0 ? bright : dark));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    const double lean = random(-0.04, 0.04) * y;
    QPolygonF shape;
    shape << QPointF(x - w * 0.4 + lean, -10) << QPointF(x + w * 0.4 + lean, -10) << QPointF(x + w * 0.55, y - w * 0.6)
          << QPointF(x + w * 0.85, y + w * 0.08) << QPointF(x - w * 0.85, y + w * 0.08) << QPointF(x - w * 0.55, y - w * 0.6);
    p.drawPolygon(shape);
    if (!bark)
        return;
    const int furrows = std::min(500, int(y / std::max(2.0, w * 0.12)));
    for (int k = 0; k < furrows; ++k) {
        const double len = random(0.3, 1.2) * w;
        const double fy = random(-len, y - len * 1.2), along = fy / std::max(1.0, y);
        const double fx = x + lean * (1.0 - along) + random(-0.38, 0.38) * w * (0.8 + 0.2 * along);
        p.setPen(QPen(toColor(mix(colour * 0.35, l.haze, haze), random(0.4, 0.8)), std::max(0.6, w * random(0.02, 0.06))));
        p.drawLine(QPointF(fx, fy), QPointF(fx + random(-0.03, 0.03) * len, fy + len));
    }
}

QImage drawAutumn(int variant, const Frame& f, PhotoRandom& random)
{
    const Noise noise(random);
    const Hour hour = hourOf(variant, {Hour::Golden, Hour::Day, Hour::Golden, Hour::Overcast, Hour::Golden, Hour::Day,
                                       Hour::Sunset, Hour::Overcast, Hour::Golden});
    const double eye = f.h() * (f.portrait ? random(0.5, 0.58) : random(0.44, 0.54));
    const int sunSide = variant % 2 ? 1 : -1;
    const double sunX = f.w() * (0.5 + sunSide * random(0.15, 0.35));
    const double sunY = eye - f.h() * random(0.12, 0.3);
    const Light l = lightFor(hour, sunX, sunY, f.w());
    // The palette of the leaves: reds, oranges or yellows by variant.
    const std::array<Rgb, 3> leafs = variant % 3 == 0 ? std::array<Rgb, 3>{rgb(222, 112, 30), rgb(240, 170, 40), rgb(170, 52, 26)}
                                   : variant % 3 == 1 ? std::array<Rgb, 3>{rgb(236, 186, 48), rgb(212, 140, 36), rgb(140, 140, 48)}
                                                      : std::array<Rgb, 3>{rgb(196, 58, 30), rgb(230, 120, 40), rgb(110, 38, 28)};
    const auto leafColour = [&](double r) {
        return r < 0.5 ? mix(leafs[0], leafs[1], r * 2) : mix(leafs[1], leafs[2], (r - 0.5) * 2);
    };
    const Camera cam{eye, f.w() * 0.8, 1.6, f.w() * random(0.4, 0.6)};
    const double bend = random(-1, 1) * 0.015;
    const auto pathAt = [&](double z) { return bend * z * z; };
    // Trunks at a depth, kept off the path.
    const auto trunkSpots = [&](int count, double zNear, double zFar) {
        std::vector<std::pair<double, double>> spots;
        for (int i = 0; i < count; ++i) {
            const double z = zNear * std::pow(zFar / zNear, random.unit());
            double wx = random(-1, 1) * z * 0.75;
            if (std::abs(wx - pathAt(z)) < 2.2)
                wx += wx < pathAt(z) ? -2.6 : 2.6;
            spots.emplace_back(z, wx);
        }
        std::sort(spots.begin(), spots.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        return spots;
    };
    // Sprays of foliage in the upper part of the picture: clusters of small
    // leaves, lit on the side towards the sun.
    const auto canopy = [&](QPainter& p, int clusters, int leaves, double size, double haze) {
        p.setPen(Qt::NoPen);
        for (int k = 0; k < clusters; ++k) {
            const double cy = f.h() * std::pow(random.unit(), 2.0) * 0.4;
            const double cx = random(-20, f.w() + 20);
            const double reach = size * random(5, 10);
            const double tone = random.unit();
            for (int i = 0; i < leaves; ++i) {
                const double a = random(0, 2 * M_PI), d = std::sqrt(random.unit());
                const double dx = std::cos(a) * d, dy = std::sin(a) * d * 0.6;
                const double litness = std::clamp(0.45 + 0.4 * dx * l.side - 0.3 * dy + random(-0.25, 0.25), 0.0, 1.0);
                const Rgb c = leafColour(std::clamp(tone + random(-0.2, 0.2), 0.0, 1.0)) * mix(l.shade, l.lit, litness);
                p.setBrush(toColor(mix(c, l.haze, haze)));
                p.drawPolygon(leafShape(QPointF(cx + dx * reach, cy + dy * reach), size * random(0.5, 1.3),
                                        random(0, M_PI), 1.0));
            }
        }
    };
    QImage image(f.width, f.height, QImage::Format_RGB32);
    // Far away: light through the foliage, mist at eye level.
    paintRows(image, 0, f.height, 4, [&](double x, double y) {
        const double leaf = noise.fbm(x * 0.006, y * 0.006, 4);
        const double gap = smoothstep(0.55, 0.72, noise.fbm(x * 0.004 + 9, y * 0.005, 4)) * smoothstep(eye, eye * 0.3, y);
        const double glow = std::exp(-std::hypot(x - sunX, y - sunY) / (f.w() * 0.25));
        Rgb c = leafColour(noise.fbm(x * 0.01 + 40, y * 0.01, 3)) * mix(l.shade, l.lit, leaf);
        c = mix(c, l.haze, 0.3 + 0.5 * std::exp(-std::abs(y - eye) / (f.h() * 0.15)));
        c = mix(c, l.horizon * 1.05, gap);
        return c + l.sun * (glow * 0.6);
    });
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        for (const auto& t : trunkSpots(50, 25.0, 90.0))
            drawTrunk(p, random, QPointF(cam.screenX(t.second, t.first), eye + 4), cam.focal * 0.4 / t.first, l,
                      std::clamp(0.45 + t.first / 200.0, 0.0, 0.8), false);
        canopy(p, 60, 24, f.w() * 0.018, 0.3);
    }
    image = softened(image, 12);
    for (int i = 0; i < 30; ++i)
        drawBokeh(image, QPointF(random(0, f.w()), random(0, eye * 0.9)), random(10, 34),
                  toColor(mix(l.sun, leafColour(random.unit()), 0.5)), random(0.12, 0.4) * (hour == Hour::Overcast ? 0.4 : 1.0));
    // The forest floor and a path, in perspective, covered in leaves.
    const Rgb earth = rgb(112, 84, 60);
    paintGround(image, int(eye) + 1, f.height, eye, [&](double x, double y) {
        const double z = cam.depthAt(y);
        const double wx = cam.worldX(x, z);
        const double foot = cam.footprint(z);
        const double off = std::abs(wx - pathAt(z));
        const double path = smoothstep(1.3, 0.8, off + (noise.fbm(z * 0.3, 5, 3) - 0.5) * 0.6);
        const double litter = groundTexture(noise, x, y, eye, 0.02, 0.45);
        const double tone = noise.fbm(wx * 1.3 + 7, z * 1.3, 4, foot * 1.3);
        const double light = smoothstep(0.4, 0.65, noise.fbm(wx * 0.15 + 3, z * 0.15, 3, foot * 0.15));
        Rgb c = leafColour(tone) * (0.45 + litter * 0.65);
        c = mix(c, earth * (0.8 + litter * 0.4), path * 0.6);
        c = c * mix(l.shade, l.lit, 0.2 + light * 0.8);
        return mix(c, l.haze, std::exp(-(y - eye) / (f.h() * 0.05)) * 0.65);
    });
    // The middle distance, a little out of focus: trunks and their leaves.
    {
        QImage layer(image.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        for (const auto& t : trunkSpots(16, 9.0, 25.0))
            drawTrunk(p, random, QPointF(cam.screenX(t.second, t.first), cam.rowAt(t.first)), cam.focal * 0.45 / t.first, l,
                      std::clamp(t.first / 60.0, 0.0, 0.5), false);
        canopy(p, 45, 40, f.w() * 0.007, 0.1);
        p.end();
        layer = softened(layer, 3);
        QPainter q(&image);
        q.drawImage(0, 0, layer);
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Leaves on the ground close to the lens.
    p.setPen(Qt::NoPen);
    std::vector<double> rows(3000);
    const double la = std::log(f.h() * 0.04), lb = std::log(f.h() - eye + 20);
    for (double& y : rows)
        y = eye + std::exp(la + (lb - la) * random.unit());
    std::sort(rows.begin(), rows.end());
    for (const double y : rows) {
        const double s = (y - eye) / f.h() * random(8, 16);
        const double x = random(-10, f.w() + 10);
        const double angle = random(0, 2 * M_PI), squash = random(0.3, 0.7);
        const Rgb c = leafColour(random.unit()) * mix(l.shade, l.lit, random(0.2, 1.0));
        p.setBrush(toColor(c));
        p.drawPolygon(leafShape(QPointF(x, y), s, angle, squash));
        if (s > 4) {
            // The midrib.
            p.setPen(QPen(toColor(c * 0.6), std::max(0.5, s * 0.06)));
            p.drawLine(QPointF(x - std::cos(angle) * s, y - std::sin(angle) * s * squash),
                       QPointF(x + std::cos(angle) * s, y + std::sin(angle) * s * squash));
            p.setPen(Qt::NoPen);
        }
    }
    // A few trunks close by, sharp, with bark.
    for (const auto& t : trunkSpots(2 + variant % 3, 3.0, 9.0))
        drawTrunk(p, random, QPointF(cam.screenX(t.second, t.first), cam.rowAt(t.first)), cam.focal * 0.4 / t.first, l,
                  0.0, true);
    // Shafts of light through the canopy.
    p.setPen(Qt::NoPen);
    p.setCompositionMode(QPainter::CompositionMode_Screen);
    for (int i = 0; i < 6; ++i) {
        const double x0 = sunX + random(-0.15, 0.15) * f.w();
        const double spread = random(15, 50);
        const QPointF to(x0 - l.side * f.w() * random(0.2, 0.45), f.h());
        QLinearGradient g(QPointF(x0, 0), to);
        g.setColorAt(0, toColor(l.sun * 0.4, hour == Hour::Overcast ? 0.0 : 0.3));
        g.setColorAt(1, toColor(l.sun * 0.4, 0));
        QPolygonF ray;
        ray << QPointF(x0 - spread * 0.3, 0) << QPointF(x0 + spread * 0.3, 0) << to + QPointF(spread * 2, 0)
            << to - QPointF(spread * 2, 0);
        p.setBrush(g);
        p.drawPolygon(ray);
    }
    p.end();
    lensGlow(image, l);
    finishLikeAPhoto(image, random, 2.4, 0.38);
    return image;
}

QImage drawMeadow(int variant, const Frame& f, PhotoRandom& random)
{
    const Noise noise(random);
    const Hour hour = hourOf(variant, {Hour::Golden, Hour::Day, Hour::Golden, Hour::Day, Hour::Sunset, Hour::Golden,
                                       Hour::Day, Hour::Golden, Hour::Overcast});
    const double horizon = f.h() * (f.portrait ? random(0.36, 0.44) : random(0.34, 0.46));
    const int sunSide = variant % 2 ? 1 : -1;
    const double sunX = f.w() * (0.5 + sunSide * random(0.2, 0.42));
    const double sunY = hour == Hour::Sunset ? horizon - f.h() * 0.05
                       : hour == Hour::Golden ? horizon - f.h() * 0.15
                                              : -f.h() * 0.3;
    const Light l = lightFor(hour, sunX, sunY, f.w());
    Clouds clouds;
    clouds.cover = hour == Hour::Overcast ? 0.3 : random(0.56, 0.66);
    clouds.scale = 2.2;
    clouds.offset = random(0, 50);
    std::vector<Ridge> ridges;
    ridges.push_back(makeRidge(noise, f.width, horizon, f.h() * random(0.04, 0.09), 0.0025, 0.2, random(0, 80)));
    ridges.back().rock = rgb(72, 96, 70);
    ridges.back().haze = 0.55;
    ridges.back().grain = 0.03;
    ridges.back().relief = 0.35;
    QImage image(f.width, f.height, QImage::Format_RGB32);
    paintRows(image, 0, int(horizon) + 2, 2, [&](double x, double y) {
        const int xi = std::clamp(int(x), 0, f.width - 1);
        if (y >= ridges[0].top[size_t(xi)])
            return ridgeAt(ridges[0], l, noise, x, y);
        return skyAt(l, clouds, noise, x, y, f.w(), horizon);
    });
    // A line of trees along the far edge of the meadow.
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        double x = random(-40, 0);
        while (x < f.w() + 40) {
            const double r = f.h() * random(0.025, 0.05);
            if (random.chance(0.8))
                drawCrown(p, random, QPointF(x, horizon - r * 0.7), r, rgb(60, 90, 44), l, 0.3, 40);
            x += r * random(0.7, 1.5);
        }
    }
    image = softened(image, 2.5);
    // Some pictures are taken crouching, the grass close to the lens.
    const bool low = variant % 4 == 2;
    const Camera cam{horizon, f.w() * 0.9, low ? random(0.5, 0.7) : random(1.2, 1.8), f.w() / 2};
    const Rgb grass = mix(rgb(104, 136, 50), rgb(130, 140, 56), random.unit());
    // The blanket: a square on the ground in perspective, checked.
    const double blanketZ = random(4.0, 6.5);
    const double blanketX = random(-1.2, 1.2) * (f.portrait ? 0.4 : 1.0);
    const double turn = random(-0.5, 0.5);
    const std::array<Rgb, 4> checks = {rgb(196, 40, 44), rgb(40, 84, 160), rgb(220, 170, 50), rgb(60, 120, 80)};
    const Rgb check = checks[size_t(variant % 4)];
    const double ct = std::cos(turn), st = std::sin(turn);
    paintGround(image, int(horizon) + 1, f.height, horizon, [&](double x, double y) {
        const double z = cam.depthAt(y);
        const double wx = cam.worldX(x, z);
        const double foot = cam.footprint(z);
        const double patches = noise.fbm(wx * 0.05, z * 0.05, 4, foot * 0.05);
        const double fine = grassStreaks(noise, x, y, horizon, 0.006);
        const double litness = std::clamp(0.12 + fine * 0.95 + (patches - 0.5) * 0.6, 0.0, 1.0);
        Rgb c = mix(grass, rgb(176, 170, 84), smoothstep(0.5, 0.8, patches)) * mix(l.shade, l.lit, litness);
        // Blanket coordinates.
        const double bx = (wx - blanketX) * ct - (z - blanketZ) * st, bz = (wx - blanketX) * st + (z - blanketZ) * ct;
        const double px = foot * 1.5;
        const double inside = smoothstep(0.8 + px, 0.8 - px, std::abs(bx)) * smoothstep(0.8 + px, 0.8 - px, std::abs(bz));
        if (inside > 0) {
            const double sx = std::sin(bx * 14.0), sz = std::sin(bz * 14.0);
            const double ax = smoothstep(-0.1, 0.1, sx), az = smoothstep(-0.1, 0.1, sz);
            const Rgb cloth = mix(rgb(244, 240, 230), check, 0.2 + 0.4 * ax + 0.4 * az);
            const double fold = noise.fbm(bx * 2.0, bz * 2.0 + 30, 3) - 0.5;
            const double shade = std::clamp(0.7 + fold * 1.2 * l.side, 0.0, 1.0);
            c = mix(c, cloth * mix(l.shade, l.lit, shade), inside);
        }
        return mix(c, l.haze, std::exp(-(y - horizon) / (f.h() * 0.04)) * 0.5);
    });
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const auto onBlanket = [&](double x, double y, double margin) {
        const double z = cam.depthAt(y);
        const double wx = cam.worldX(x, z);
        const double bx = (wx - blanketX) * ct - (z - blanketZ) * st;
        const double bz = (wx - blanketX) * st + (z - blanketZ) * ct;
        return std::abs(bx) < margin && std::abs(bz) < margin;
    };
    const auto blades = [&](double from, double to, int count) {
        drawGrass(p, random, cam, f.w(), from, to, count, 0.14 / cam.height, 0.12 * l.side,
                  [&](double x, double y, double r) {
                      if (onBlanket(x, y, 0.75))
                          return Rgb{-1, -1, -1};
                      return mix(grass * 0.8, rgb(176, 170, 80), r * r * 0.5) * mix(l.shade, l.lit, 0.2 + r * 0.9);
                  });
    };
    // A wicker basket on the blanket; the grass behind it is drawn first and
    // the grass in front after.
    const double basketZ = blanketZ + 0.2;
    const double basketX = cam.screenX(blanketX + 0.35 * (variant % 2 ? 1 : -1), basketZ);
    const double basketY = cam.rowAt(basketZ), bs = cam.focal * 0.5 / basketZ;
    const double grassFrom = horizon + f.h() * 0.06, grassTo = f.h() + 40;
    const int grassCount = low ? 9000 : 12000;
    const double behind = std::clamp(std::log((basketY - horizon) / (grassFrom - horizon))
                                         / std::log((grassTo - horizon) / (grassFrom - horizon)),
                                     0.0, 1.0);
    blades(grassFrom, std::max(grassFrom, basketY), int(grassCount * behind));
    {
        const double x = basketX, y = basketY, s = bs;
        QRadialGradient shadow(QPointF(x - l.side * s * 0.3, y), s * 0.8);
        shadow.setColorAt(0, QColor(0, 0, 0, 90));
        shadow.setColorAt(1, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shadow);
        p.drawEllipse(QPointF(x - l.side * s * 0.3, y), s * 0.8, s * 0.22);
        QLinearGradient g(x - s / 2, 0, x + s / 2, 0);
        g.setColorAt(l.side > 0 ? 0 : 1, toColor(rgb(120, 80, 40) * l.shade));
        g.setColorAt(l.side > 0 ? 1 : 0, toColor(rgb(200, 150, 90) * l.lit));
        p.setBrush(g);
        QPainterPath body;
        body.moveTo(x - s * 0.5, y - s * 0.45);
        body.lineTo(x + s * 0.5, y - s * 0.45);
        body.lineTo(x + s * 0.42, y);
        body.quadTo(x, y + s * 0.08, x - s * 0.42, y);
        body.closeSubpath();
        p.drawPath(body);
        // The weave: rows of short strands, each row offset from the last.
        p.setClipPath(body);
        const double strand = std::max(2.0, s * 0.06);
        for (int row = 0; row < 9; ++row) {
            const double ry = y - s * 0.45 + (row + 0.5) * s * 0.05;
            for (double rx = x - s * 0.5 + (row % 2) * strand * 0.5; rx < x + s * 0.5; rx += strand) {
                const double t = (rx - (x - s * 0.5)) / s;
                const Rgb wicker = rgb(190, 140, 80) * mix(l.shade, l.lit, l.side > 0 ? t : 1.0 - t);
                p.setPen(QPen(toColor(wicker * 0.7), std::max(0.8, s * 0.012)));
                p.setBrush(toColor(wicker));
                p.drawRoundedRect(QRectF(rx, ry - s * 0.02, strand * 0.9, s * 0.04), 2, 2);
            }
        }
        p.setClipping(false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(toColor(rgb(150, 104, 60) * mix(l.shade, l.lit, 0.6)), std::max(2.0, s * 0.04)));
        p.drawArc(QRectF(x - s * 0.35, y - s * 0.85, s * 0.7, s * 0.8), 0, 180 * 16);
    }
    blades(std::max(grassFrom, basketY), grassTo, grassCount - int(grassCount * behind));
    const int flowers = variant % 3 == 1 ? 2500 : 700;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < flowers; ++i) {
        const double y = horizon + (f.h() - horizon) * std::pow(random.unit(), 0.8);
        const double x = random(0, f.w());
        const double s = (y - horizon) / f.h() * random(2.0, 6.0) / cam.height * 1.5;
        const Rgb petal = random.chance(0.5) ? rgb(250, 246, 236) : random.chance(0.6) ? rgb(244, 206, 66)
                                                                                       : rgb(200, 80, 160);
        if (onBlanket(x, y, 0.85))
            continue;
        p.setBrush(toColor(petal * mix(l.shade, l.lit, 0.85)));
        p.drawEllipse(QPointF(x, y), s, s * 0.7);
    }
    p.end();
    lensGlow(image, l);
    finishLikeAPhoto(image, random, 2.2, 0.34);
    return image;
}

} // namespace

QImage drawOutdoorScene(PhotoScene scene, int variant, QSize size, PhotoRandom& random)
{
    const Frame frame{size.width(), size.height(), size.height() > size.width()};
    switch (scene) {
    case PhotoScene::Beach: return drawBeach(variant, frame, random);
    case PhotoScene::Mountains: return drawMountains(variant, frame, random);
    case PhotoScene::Road: return drawRoad(variant, frame, random);
    case PhotoScene::Snow: return drawSnow(variant, frame, random);
    case PhotoScene::Autumn: return drawAutumn(variant, frame, random);
    case PhotoScene::Meadow: return drawMeadow(variant, frame, random);
    default: break;
    }
    return drawBeach(variant, frame, random);
}

} // namespace qf::tools
