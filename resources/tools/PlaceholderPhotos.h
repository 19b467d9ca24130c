#pragma once

// The pictures the shipped templates hold until a person puts in their own:
// scenes painted by our own code that read as photographs at a glance (light,
// depth, texture), so that no licence comes with them. Every picture is a
// function of its scene, variant and seed: each build draws the same files.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>

#include <random>

namespace qf::tools {

enum class PhotoScene {
    // Landscapes (PhotoScenesOutdoor.cpp).
    Beach,     // sea, sand and sky, by day or at sunset
    Mountains, // ridges fading into haze, a lake or meadow below
    Road,      // a road running to the horizon through open country
    Snow,      // snowy slopes and firs under a winter sky
    Autumn,    // a forest path in autumn colours
    Meadow,    // a summer meadow, a picnic blanket, warm light
    // Close-ups and lights (PhotoScenesClose.cpp).
    City,      // a skyline at dusk, lit windows, street-light bokeh
    Fair,      // a fairground wheel at dusk, strings of lights
    Balloons,  // party balloons against a bright wall or sky, confetti
    Flowers,   // a flower close-up with a soft background
    Wedding,   // bouquet, rings or veil in soft white and blush light
    Family,    // figures against a low sun, shallow depth of field
};

// The long side of every picture.
constexpr int kPhotoLongSide = 1440;

// Uniform numbers from a fixed seed; the same on every compiler and library,
// unlike std::uniform_real_distribution.
class PhotoRandom {
public:
    explicit PhotoRandom(quint32 seed) : m_engine(seed) {}
    double unit() { return double(m_engine() >> 8) / double(1u << 24); }
    double operator()(double lo, double hi) { return lo + (hi - lo) * unit(); }
    int integer(int lo, int hi) { return lo + int(unit() * (hi - lo + 1)) % (hi - lo + 1); }
    bool chance(double p) { return unit() < p; }

private:
    std::mt19937 m_engine;
};

// A picture of the scene: 1440 x 1080, or 1080 x 1440 when `portrait`. The
// variant picks the composition, time of day and colours.
QImage drawPlaceholderPhoto(PhotoScene scene, int variant, bool portrait, quint32 seed);

// Each family of scenes draws on an RGB32 image of the given size.
QImage drawOutdoorScene(PhotoScene scene, int variant, QSize size, PhotoRandom& random);
QImage drawCloseScene(PhotoScene scene, int variant, QSize size, PhotoRandom& random);

// ---- what makes a painting read as a photograph ---------------------------

// A lens's blur of the whole image, for backgrounds out of focus; `radius`
// in pixels of the image.
QImage softened(const QImage& image, double radius);
// Out-of-focus highlights: soft discs of light, brighter at the rim, added
// (screen blend) onto the image.
void drawBokeh(QImage& image, QPointF centre, double radius, const QColor& colour, double strength);
// The camera's finish: a gentle tone curve, a vignette towards the corners and
// fine luminance grain.
void finishLikeAPhoto(QImage& image, PhotoRandom& random, double grain = 3.0, double vignette = 0.35);

} // namespace qf::tools
