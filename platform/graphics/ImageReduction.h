#pragma once

#include <QImage>
#include <QRectF>
#include <QTransform>

#include <functional>

namespace qf {

// Bilinear filtering reads only the four source pixels around each output
// pixel, so a picture drawn at less than half its size aliases: fine detail
// turns into noise. Such a picture is first halved by averaging, as often as
// it takes for the draw to be at least half size.
class ImageReduction {
public:
    // Output pixels per picture pixel when `source` (picture pixels) is drawn
    // into `dest` under `transform` (to output pixels), along the axis that
    // shrinks least; 0 for an empty draw.
    static double scaleOfDraw(const QTransform& transform, const QRectF& dest, const QRectF& source);
    // Halvings that bring a draw at `scale` to at least half size.
    static int halvingsFor(double scale);
    // The picture halved `times` times, each output pixel the mean of a 2 x 2
    // block (premultiplied, so transparent pixels weigh nothing); an odd last
    // row or column is averaged with itself.
    static QImage halved(const QImage& image, int times);
    // The picture as a draw of its whole width at `outputWidth` pixels wants it.
    static QImage reducedForWidth(const QImage& image, double outputWidth);
    // What reducedForWidth gives, cut to the pixels that cover `part`
    // (fractions of the whole picture, rows downward) with a margin that
    // smoothing and rounding never reach past: the same pixels, with no
    // memory spent on what the draws leave out. `offset` gets where the cut
    // lies in the whole reduced picture, `whole` that picture's size.
    static QImage reducedPartForWidth(const QImage& image, double outputWidth, const QRectF& part, QPoint* offset,
                                      QSize* whole);
    // The pixels of a picture of `size` that reducedPartForWidth reads for
    // `part`: all of them when too little would be left out.
    static QRect sourceOfPart(QSize size, double outputWidth, const QRectF& part);

    // A measuring pass: while a listener is set on a thread, the model's
    // picture draws on that thread report each picture and its scale to it,
    // and every draw of a picture the part of it drawn (its pixels, rows
    // downward) to the second.
    using Listener = std::function<void(const QImage& image, double scale)>;
    using PartListener = std::function<void(const QImage& image, const QRectF& part)>;
    class ScopedListener {
    public:
        explicit ScopedListener(Listener listener, PartListener parts = {});
        ~ScopedListener();
        ScopedListener(const ScopedListener&) = delete;
        ScopedListener& operator=(const ScopedListener&) = delete;

    private:
        friend class ImageReduction;
        Listener m_listener;
        PartListener m_parts;
        ScopedListener* m_previous;
    };
    static bool measuring();
    static void reportDraw(const QImage& image, double scale);
    static void reportPart(const QImage& image, const QRectF& part);
};

} // namespace qf
