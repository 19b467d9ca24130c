#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QSizeF>

#include <optional>

namespace qf {

// The crop window of a slot: the part of its picture that shows. cx and cy
// are the window's centre as fractions of the image width and height (origin
// bottom left), l its width as a fraction of the image width. The height is
// not stored: it follows from the aspect ratio of the slot the picture is
// drawn into, so one window fits every size of the same slot. A negative l
// means "not computed yet"; the next repair puts the aspect-fill width there.
//
// Every operation taking (image, rw, rh) gets the image's size and the slot
// rectangle's width and height. When one of those is not positive and finite
// the geometry means nothing: the operations then leave the window alone
// (see each for its answer) rather than store NaN or infinity.
class PanZoomPos {
public:
    PanZoomPos();
    PanZoomPos(double cx, double cy, double l);

    double cx() const { return m_cx; }
    void setCx(double cx) { m_cx = cx; }
    double cy() const { return m_cy; }
    void setCy(double cy) { m_cy = cy; }
    double l() const { return m_l; }
    void setL(double l) { m_l = l; }

    // The window height as a fraction of the image height. 1.0 (the whole
    // height) when the geometry is degenerate or the answer is not finite.
    double getLinYDir(QSizeF image, double rw, double rh) const;

    // True when the window reaches past an image edge (beyond a tiny slack).
    bool isOverflowing(QSizeF image, double rw, double rh) const;

    // Computes a negative l first. When the window overflows, moves the
    // centre 1/21 of the way towards the middle on one axis and shrinks the
    // window to the largest that fits there; answers true when it did. Called
    // after every zoom or pan step, so a window pushed against an edge creeps
    // back over successive calls. Degenerate geometry: false, no change.
    bool fixToNotOverflow(QSizeF image, double rw, double rh);

    // The centred aspect-fill window: the largest of the slot's shape that
    // the image holds. Degenerate geometry: (0.5, 0.5, 1.0).
    static PanZoomPos getInitial(QSizeF image, double rw, double rh);

    // Moves the window against a drag of (xTrans, yTrans) in slot units, so
    // the picture follows the pointer, keeping the window inside the image.
    // Degenerate geometry or a non-finite drag: no change.
    void translate(QSizeF image, double rw, double rh, double xTrans, double yTrans);

    // The window as {"panzcx", "panzcy", "panzl"}.
    static QJsonObject jsonDictionary(const PanZoomPos& pz);
    // Reading a non-object gives the centred whole-width window (0.5, 0.5,
    // 1.0); a missing or non-finite value reads as 0. Nothing is checked:
    // slots read through fromFile.
    static PanZoomPos fromJsonDictionary(const QJsonValue& dict);

    // A crop window read from a file, made safe to use: none when the value
    // is not an object or its width is missing, not finite or not positive
    // (the layouts then compute the centred aspect-fill window); otherwise
    // the centre clamped into 0..1 and the width into (0, 1]. Missing or
    // non-finite centre coordinates read as 0.
    static std::optional<PanZoomPos> fromFile(const QJsonValue& value);

    friend bool operator==(const PanZoomPos&, const PanZoomPos&) = default;

private:
    double m_cx;
    double m_cy;
    double m_l;
};

} // namespace qf
