#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QSet>

#include <memory>

namespace qf {

class AheadPicture;

// What a drawing context may keep from one screen frame to the next, so that
// redrawing an unchanged collage costs little: pictures already scaled and
// clipped to their outlines, and the blurred shadows of transparency layers.
//
// Entries are found by a record of exactly what was drawn (pixels of the
// pictures by their cache keys, shapes, transforms, clips, colours, shadow
// settings), never by names: whatever changes what would be drawn finds no
// entry and draws anew. Views of different sizes may share a cache; threads
// may not.
class RedrawCache {
public:
    // Ends a frame: pictures not drawn in the last few frames are forgotten.
    void frameDone();

    qsizetype pictureCount() const { return m_pictures.size(); }

    // While the frame before made new pictures (something is being dragged
    // or a slider moved), a frame draws what it must make anew the cheap
    // way: pictures scaled without antialiasing their edges, shadows
    // blurred at a lower resolution. What it drew so stays only for that
    // frame: drawn again later, it is made exactly. Whether the last frame
    // drew anything the cheap way, so the view draws once more when the
    // change stops.
    bool lastFrameWasProvisional() const { return m_provisionalLastFrame; }

private:
    friend class GraphicsContext;

    struct Picture {
        QImage image;  // premultiplied, at device pixels
        QPoint origin; // where it goes on its surface
        quint64 frame = 0;
        // The entries a kept drawing was made from: they stay while it is
        // used, ready for when a part of it changes.
        QList<QByteArray> pictureParts;
        QList<QByteArray> shadowParts;
        bool provisional = false; // made the cheap way
    };
    struct Shadow {
        QByteArray key;
        QImage shade;  // the coloured, blurred coverage
        QPointF place; // its corner, from the layer's corner on its surface
        int factor = 1; // drawn this many times larger
        quint64 frame = 0; // the last frame that used it
        quint64 use = 0;   // the order of use, for keeping the latest
        bool provisional = false;
    };

    // What is to be made anew may be made the cheap way.
    bool mayBeProvisional() const { return m_madeLastFrame && !m_settling; }
    // Notes that something was made the cheap way in this frame.
    void madeProvisional() { ++m_provisionalThisFrame; }
    // How many things this frame has shown the cheap way so far.
    quint64 provisionalCount() const { return m_provisionalThisFrame; }

    // A provisional entry is found only by the frame that made it; a later
    // one finds nothing, and draws the rest of its frame exactly.
    const Picture* findPicture(const QByteArray& key);
    // Whether a picture of this many bytes may be kept: a frame of many
    // thousands of tiny draws (a finely tiled background) is drawn directly.
    bool hasRoomFor(qsizetype bytes) const;
    void keepPicture(const QByteArray& key, const QImage& image, QPoint origin, QList<QByteArray> pictureParts = {},
                     QList<QByteArray> shadowParts = {}, bool provisional = false);
    const Shadow* findShadow(const QByteArray& key);
    void touchShadow(const QByteArray& key);
    // Pictures averaged down for drawing the quick way, by the picture's
    // cache key and the number of halvings: bilinear scaling then reads a
    // small picture instead of skipping through a large one.
    // Without `make`, only one made before: null when there is none.
    QImage reduced(const QImage& image, int halvings, bool make = true);
    void keepShadow(Shadow shadow);
    // Pictures this frame will draw the quick way, made on other cores
    // while the frame is measured: by the record of the draw, in the whole
    // drawing's pixels. The frame's end forgets those it did not take.
    std::shared_ptr<AheadPicture> findAhead(const QByteArray& key) const { return m_ahead.value(key); }
    void keepAhead(const QByteArray& key, std::shared_ptr<AheadPicture> picture);
    // Notes a quick draw this frame measures; whether the frame before
    // measured it too, when the cache most likely holds its picture and
    // making it ahead would be work thrown away.
    bool measuredAgain(const QByteArray& key);

    QHash<QByteArray, Picture> m_pictures;
    qsizetype m_pictureBytes = 0;
    QHash<QByteArray, Shadow> m_shadows;
    QHash<QByteArray, std::shared_ptr<AheadPicture>> m_ahead;
    QSet<size_t> m_measuredThisFrame; // hashes of the quick draws' records
    QSet<size_t> m_measuredLastFrame;
    struct Reduced {
        QImage image;
        quint64 frame = 0;
    };
    QHash<QPair<qint64, int>, Reduced> m_reduced;
    qsizetype m_reducedBytes = 0;
    qsizetype m_shadowBytes = 0;
    quint64 m_shadowUses = 0;
    quint64 m_frame = 0;
    bool m_usedThisFrame = false;
    bool m_madeThisFrame = false;
    bool m_madeLastFrame = false;
    quint64 m_provisionalThisFrame = 0;
    bool m_provisionalLastFrame = false;
    bool m_settling = false; // this frame met a provisional entry of an earlier one
};

} // namespace qf
