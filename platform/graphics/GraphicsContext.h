#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPaintDevice;

namespace qf {

class RedrawCache;

// The drawing context of the model: a QPainter behind a y-up coordinate
// system. The drawing space is width x height units with the origin at the
// bottom left; user space is that space under the current transform (CTM).
//
// Besides QPainter's own state it keeps what the model's drawing code relies
// on: line widths and dashes in user units, non-zero winding fills, shadows
// (offsets in drawing-space axes, never turned by the CTM), global alpha and
// transparency layers. Shadows and layers render into buffers bounded to what
// is drawn, never a whole-canvas buffer.
class GraphicsContext {
public:
    enum class Interpolation { None, Low, High };

    // A bitmap context: draws into `image`, which is cleared to transparent
    // first. The drawing space is `drawingSize` (the image size when empty),
    // scaled onto the image.
    explicit GraphicsContext(QImage& image, QSizeF drawingSize = {});
    // Draws onto another device (a widget) without clearing it.
    GraphicsContext(QPaintDevice* device, QSizeF drawingSize);
    // Draws into the target rectangle (device units) of the device, without
    // clearing it: a page with margins.
    GraphicsContext(QPaintDevice* device, const QRectF& target, QSizeF drawingSize);
    ~GraphicsContext();
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    // A new transparent bitmap of the given pixel size, premultiplied ARGB;
    // null when it cannot be allocated.
    static QImage newBitmap(QSize size);

    QSizeF drawingSize() const { return m_drawingSize; }

    // Screen drawing keeps pictures drawn through a clip, already scaled and
    // clipped, and the shadows of transparency layers in `cache`, and takes
    // them from there while exactly the same is drawn again. Without a cache
    // (the default, and what output uses) everything is drawn anew.
    void setRedrawCache(RedrawCache* cache);

    // ---- graphics state ---------------------------------------------------
    void saveGState();
    void restoreGState();

    void translateCTM(double tx, double ty);
    // Positive angles turn anticlockwise, as y points up.
    void rotateCTM(double radians);
    void scaleCTM(double sx, double sy);
    void concatCTM(const QTransform& transform);
    // User space to drawing space.
    QTransform ctm() const { return m_state.ctm; }

    void setFillColor(const QColor& color) { m_state.fillColor = color; }
    void setStrokeColor(const QColor& color) { m_state.strokeColor = color; }
    QColor fillColor() const { return m_state.fillColor; }
    QColor strokeColor() const { return m_state.strokeColor; }
    void setLineWidth(double width) { m_state.lineWidth = width; }
    double lineWidth() const { return m_state.lineWidth; }
    // Dash lengths and phase in user units; an empty list draws solid lines.
    void setLineDash(double phase, const QList<double>& lengths);
    void clearLineDash() { setLineDash(0, {}); }
    void setLineCap(Qt::PenCapStyle cap) { m_state.cap = cap; }
    void setLineJoin(Qt::PenJoinStyle join) { m_state.join = join; }

    // Global alpha, applied to everything drawn (and to layers at their end).
    void setAlpha(double alpha);
    double alpha() const { return m_state.alpha; }
    void setBlendMode(QPainter::CompositionMode mode);

    // A shadow under everything drawn from now on: offset and blur in
    // drawing-space units, black at one third opacity unless a colour is given.
    void setShadow(QPointF offset, double blur);
    void setShadowWithColor(QPointF offset, double blur, const QColor& color);
    void clearShadow();
    static QColor defaultShadowColor() { return QColor(0, 0, 0, 85); }

    void setShouldAntialias(bool on);
    void setInterpolationQuality(Interpolation quality);
    // Curve flattening tolerance; kept for the drawing code that asks.
    void setFlatness(double flatness) { m_state.flatness = flatness; }
    double flatness() const { return m_state.flatness; }

    void clipToPath(const QPainterPath& path);
    void clipToRect(const QRectF& rect);

    // Output drawn in bands: what lies wholly outside `rect` (drawing space)
    // cannot show, and drawing code may leave it out. None by default.
    void setCullRect(const QRectF& rect) { m_cullRect = rect; }
    // Whether what `userBounds` (user space) bounds lies wholly outside the
    // cull rectangle.
    bool isCulled(const QRectF& userBounds) const;
    // The farthest any shadow set on this context reaches from what casts
    // it, in drawing-space units at one device pixel a unit.
    double widestShadowReach() const { return m_widestShadowReach; }

    // Output may be handed pictures that are only the part of a larger one
    // its draws show: `parts` tells which, with the whole picture's size and
    // where the part lies in it (pixels, rows downward). The drawing code
    // works on the whole picture, as pictureSize gives it, and the part's
    // pixels are drawn where the whole picture's would be.
    struct PicturePart {
        QSize whole;
        QPoint offset;
    };
    using PictureParts = std::function<std::optional<PicturePart>(const QImage& image)>;
    void setPictureParts(PictureParts parts) { m_parts = std::move(parts); }
    // The size of the whole picture the image stands for.
    QSize pictureSize(const QImage& image) const;

    // ---- drawing ----------------------------------------------------------
    void fillPath(const QPainterPath& path);
    void strokePath(const QPainterPath& path);
    void fillRect(const QRectF& rect);
    void strokeRect(const QRectF& rect);
    void fillEllipseInRect(const QRectF& rect);
    void strokeLine(QPointF from, QPointF to);

    // Draws the part `source` of the image (image pixels, origin at the
    // image's bottom left, y up) upright into `dest`.
    void drawImage(const QImage& image, const QRectF& dest, const QRectF& source, double opacity = 1.0);
    void drawImage(const QImage& image, const QRectF& dest, double opacity = 1.0);

    // Runs `draw` with a painter whose origin is `topLeft` (user space) and
    // whose y axis points down, so text laid out as usual appears upright.
    // `bounds` (in that frame) bounds what is drawn, for shadows.
    void drawUpright(QPointF topLeft, const QRectF& bounds, const std::function<void(QPainter&)>& draw);

    // Everything drawn until the matching end is composited as one image,
    // with the shadow and alpha in force at the begin. `bounds` (user space)
    // limits the layer; without bounds it covers the clip.
    void beginTransparencyLayer(const QRectF& bounds);
    void beginTransparencyLayer();
    void endTransparencyLayer();

    // Draws what `draw` draws. With a redraw cache the result is kept, and
    // while exactly the same would be drawn again (pictures, shapes,
    // transforms, colours, shadows) it comes from the cache: `draw` first
    // runs without drawing, to find what it would draw, and runs again to
    // draw only when nothing kept matches. `draw` leaves saves and layers
    // balanced; what it draws through painter() or drawUpright is never kept.
    void drawKept(const std::function<void()>& draw);

    // ---- y-up path helpers -------------------------------------------------
    // An arc around `centre` from `startAngle` to `endAngle` (radians,
    // anticlockwise from +x in y-up space), turning clockwise or not; a line
    // joins it to the current point.
    static void addArc(QPainterPath& path, QPointF centre, double radius, double startAngle, double endAngle,
                       bool clockwise);
    // A line towards `corner` rounded by an arc of `radius` tangent to the
    // lines current point -> corner and corner -> `next`.
    static void addArcToPoint(QPainterPath& path, QPointF corner, QPointF next, double radius);

    // The painter of the surface being drawn (a layer's inside a layer), set
    // to the current transform and clip. For the few callers that need Qt
    // directly; what they draw is never kept in a redraw cache.
    QPainter& painter();

private:
    struct Shadow {
        bool on = false;
        QPointF offset;
        double blur = 0;
        QColor color;
    };
    // A clip as it was set: the painter's transform and antialiasing then,
    // and the transform to the whole drawing's pixels, which layers moved
    // elsewhere do not change.
    struct Clip {
        QPainterPath path;
        QTransform transform;
        bool antialias = true;
        QTransform device;
    };
    struct QuickDraw;
    struct State {
        QTransform ctm;
        QColor fillColor = Qt::black;
        QColor strokeColor = Qt::black;
        double lineWidth = 1.0;
        double dashPhase = 0;
        QList<double> dash;
        Qt::PenCapStyle cap = Qt::FlatCap;
        Qt::PenJoinStyle join = Qt::MiterJoin;
        double alpha = 1.0;
        Shadow shadow;
        double flatness = 0.6;
        QPainter::CompositionMode blendMode = QPainter::CompositionMode_SourceOver;
        // The clips of the current surface, outermost first; the painter has
        // the first `clipsApplied` of them. With a redraw cache clips reach
        // the painter only when something is drawn through them there.
        QList<Clip> clips;
        qsizetype clipsApplied = 0;
    };
    struct Layer {
        std::unique_ptr<QImage> image; // stays put while its painter works on it
        QPoint origin;                 // device position of the image
        QPoint uncutOrigin;            // where it would start uncut, on the whole drawing's pixels
        std::unique_ptr<QPainter> painter;
        State stateAtBegin;
        std::size_t depthAtBegin = 0;
        // A layer with a shadow, drawn with a redraw cache, records what is
        // drawn into it: the same record finds the same shadow again.
        bool recording = false;
        QByteArray record;
        // drawKept's layers: one that draws nothing but measures and
        // records, and one that draws for keeping, noting the cache
        // entries its picture is made of.
        bool dry = false;
        bool keeping = false;
        QList<QByteArray> pictureParts;
        QList<QByteArray> shadowParts;
    };

    void init(QPaintDevice* device, QSize deviceSize, QSizeF drawingSize, std::optional<QRectF> target = std::nullopt);
    QPainter& current();
    QTransform deviceTransform() const; // user space -> device pixels
    void applyTransform();
    QPen pen() const;
    // Draws through `op`, with the shadow when one is set; `userBounds`
    // bounds the op in user space.
    void paintOp(const QRectF& userBounds, const std::function<void(QPainter&)>& op);
    QRect shadowedDeviceBounds(const QRectF& userBounds) const;
    // The top left shadowedDeviceBounds would have were it not cut to what
    // can show, on the whole drawing's pixels: the same in a band of it.
    QPoint uncutOrigin(const QRectF& userBounds) const;
    // `cacheKey` (empty: none) finds and keeps the shadow in the redraw cache.
    void compositeWithShadow(QPainter& target, const QImage& content, QPoint origin, QPoint uncutOrigin,
                             const Shadow& shadow, double alpha, const QByteArray& cacheKey = {});
    void applyClips();
    // Draws the picture from the redraw cache (made there first when
    // missing); false when this draw cannot be taken from a cache.
    bool drawImageFromCache(const QImage& image, const QRectF& dest, const QRectF& sourceDown, double opacity);
    // Draws a turned picture with TurnedPicture where that draws as Qt
    // would, far faster; false, drawing nothing, where it does not.
    bool drawTurned(const QImage& image, const QRectF& dest, const QRectF& sourceDown, double opacity);
    // Whether a draw may be taken from the redraw cache, with the painter as it is.
    bool cacheable();
    // The draw of a picture made the quick way while things change, with
    // the record that finds it; nothing when the cache wants it exact, or,
    // `ahead`, when it need not be made ahead.
    std::optional<QuickDraw> quickDraw(const QImage& image, const QRectF& dest, const QRectF& sourceDown,
                                       bool ahead = false);
    // Measuring a kept drawing, starts making on other cores the pictures
    // its drawing pass will make the quick way.
    void makeAhead(const QImage& image, const QRectF& dest, const QRectF& sourceDown);
    // The record of what layers with cached shadows have drawn into them.
    bool recording() const;
    QByteArray opRecord(char kind);
    void record(const QByteArray& op);
    void stopRecording();
    QPointF deviceShadowOffset(const Shadow& s) const;
    // Whether drawing only measures and records, for drawKept.
    bool dry() const { return m_dryLayer != kNoLayer; }
    // Whether what is drawn goes into a drawing drawKept keeps.
    bool keepingDrawing() const;
    void noteDryReach(const QRect& deviceRect, const Shadow& shadow);
    // How far past what casts it a shadow reaches, in device pixels.
    int shadowSpread(const Shadow& shadow) const;
    // Notes a cache entry the drawing being kept is made of.
    void notePart(const QByteArray& key, bool shadow);
    // Where the surface being drawn lies on the device, and its size.
    QRect surfaceRect() const;
    // Pushes a layer for drawKept that keeps the current state (alpha,
    // shadow) and draws into `image` at `origin`.
    void pushKeptLayer(QImage image, QPoint origin, bool dryRun);
    Layer popKeptLayer(std::size_t layersBefore, const State& stateBefore, std::size_t savedBefore);
    double deviceShadowSigma(const Shadow& s) const;

    QPainter m_painter;
    QSize m_deviceSize;
    std::optional<QRectF> m_cullRect;
    PictureParts m_parts;
    double m_widestShadowReach = 0;
    QPoint m_wholeOffset; // the device's top left on the whole drawing's pixels
    QSizeF m_drawingSize;
    QTransform m_base; // drawing space -> device pixels
    State m_state;
    std::vector<State> m_saved;
    std::vector<Layer> m_layers;
    RedrawCache* m_cache = nullptr;
    static constexpr std::size_t kNoLayer = std::size_t(-1);
    std::size_t m_dryLayer = kNoLayer; // the index of drawKept's measuring layer
    QRect m_dryReach;                  // device pixels the measured drawing reaches
};

} // namespace qf
