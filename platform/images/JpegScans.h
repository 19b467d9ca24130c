#pragma once

#include <QByteArray>

namespace qf {

// A progressive JPEG's DC scans alone: the bytes up to its first scan, each
// scan that carries only DC coefficients (spectral start 0) with the table
// and restart segments between them, then the end-of-image marker.
//
// At a 1/8 scale libjpeg computes each output pixel from its block's DC
// coefficient only, so decoding these bytes at 1/8 gives the very picture
// decoding the whole file at 1/8 gives, without reading the AC scans, which
// are most of the file and of the work.
//
// A component sampled at half or less both across and down (4:2:0 chroma)
// is decoded at 2/8 by libjpeg, from AC coefficients too: such files give
// none. None (empty) for anything else: a sequential file, one whose markers do not
// lead from start-of-image to end-of-image, or one with no DC scan. Bounded
// by the input's size; reads nothing beyond it.
QByteArray jpegDcScansOnly(const QByteArray& bytes);

} // namespace qf
