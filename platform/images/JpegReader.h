#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>

namespace qf {

// Decodes JPEGs with libjpeg straight into 32-bit RGB rows, for the common
// case only: the picture comes out as Qt's image reader gives it, to the
// bit, without the reader's copy of every APP1 segment (megabytes of XMP in
// some photographs) and its second pass over each row to widen it.
class JpegReader {
public:
    // The picture at libjpeg's M/8 scale for `scaledSize` (picked as the
    // image reader picks it; empty: whole size), with its ICC profile and
    // resolution as the reader sets them. None when the reader would give
    // anything else, or should be the one to say why it gives nothing:
    // other than three colour components, a scale that does not reach
    // `scaledSize` exactly (the reader would then scale it further), or an
    // error on the way. The caller turns the picture upright: this reads
    // no EXIF orientation.
    //
    // With a `region` of the picture at that scale, only its rows are
    // decoded and only the blocks of its columns turned into pixels, in
    // their places in the picture: `region` gets what was decoded, the one
    // asked for widened to libjpeg's blocks. The pixels beyond it are left
    // unset; those within are the whole picture's, but for its edges inside
    // the picture, which libjpeg's smoothing of the colours may leave a
    // level apart. Anything else in `region` (empty, beyond the picture)
    // decodes the whole picture, as `region` then says.
    static std::optional<QImage> decode(const QByteArray& bytes, QSize scaledSize, QRect* region = nullptr);
    // The picture at the M/8 step the reader picks for `scaledSize`, before
    // the reader's own smooth scaling to that size, which is left to the
    // caller. None where decode gives none for other reasons.
    static std::optional<QImage> decodeAtStepFor(const QByteArray& bytes, QSize scaledSize);
};

} // namespace qf
