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

// The same 1/8 picture as a sequential JPEG: the progressive file's DC
// coefficients, decoded from its DC scans, coded again in one interleaved
// sequential scan with no AC coefficients, after the file's own segments
// (its quantization tables, EXIF, ICC profile, Adobe and JFIF markers).
// libjpeg decodes such a file a row of blocks at a time, where a
// progressive file has it hold every coefficient of the picture (100 MB for
// 15 megapixels) until its last scan. Holds 2 bytes a block while it works.
//
// None (empty) where jpegDcScansOnly gives none, and for what a single
// sequential scan cannot hold (more than 4 components, more than 10 blocks
// an MCU), quantization tables redefined after the first scan, and scan
// parameters libjpeg refuses.
QByteArray jpegDcAsSequential(const QByteArray& bytes);

// Whether the headers are those of a progressive JPEG whose 1/8 picture is
// made from DC coefficients alone: what the two above take. Reads up to
// the frame header only, so a file that ends early may still say yes.
bool jpegEighthIsDcAlone(const QByteArray& bytes);

} // namespace qf
