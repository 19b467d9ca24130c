#pragma once

#include <QByteArray>
#include <QImage>
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
    static std::optional<QImage> decode(const QByteArray& bytes, QSize scaledSize);
    // The picture at the M/8 step the reader picks for `scaledSize`, before
    // the reader's own smooth scaling to that size, which is left to the
    // caller. None where decode gives none for other reasons.
    static std::optional<QImage> decodeAtStepFor(const QByteArray& bytes, QSize scaledSize);
};

} // namespace qf
