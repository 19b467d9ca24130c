#pragma once

#include "platform/core/Status.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

namespace qf {

// What an exported picture says about itself.
struct ImageMetadata {
    int dotsPerInch = 72;
    QString software;    // TIFF/EXIF Software, PNG "Software" text
    QString description; // TIFF/EXIF ImageDescription, PNG "Description" text
    QString userComment; // EXIF UserComment (JPEG only)
};

// Turns a rendered picture into the bytes of a JPEG, PNG or TIFF file with
// the resolution, the texts of the metadata and an sRGB profile. The picture
// is taken to be sRGB already. Nothing here touches a file or a window.
class ImageEncoder {
public:
    enum class Format { Jpeg, Png, Tiff };

    // TIFF compression tag values offered.
    static constexpr int tiffNone = 1;
    static constexpr int tiffLzw = 5;
    static constexpr int tiffPackBits = 32773;

    struct Result {
        QByteArray bytes; // empty on failure
        Status status = Status::success();
    };

    // How far an encode is, 0 to 1; called from any thread.
    using Progress = std::function<void(double done)>;

    // JPEG quality is 0..1 (out of range or not finite: 0.96). JPEG has no
    // alpha: a picture with transparent parts is put on white. PNG and TIFF
    // are RGBA for a picture whose format has alpha, else RGB. The TIFF
    // compression is one of the three tag values.
    static Result encode(QImage image, Format format, const ImageMetadata& metadata, double jpegQuality = 0.96,
                         int tiffCompression = tiffLzw, const Progress& progress = {});

    static Result encodeJpeg(QImage image, double quality, const ImageMetadata& metadata,
                             const Progress& progress = {});
    static Result encodePng(QImage image, const ImageMetadata& metadata, const Progress& progress = {});
    static Result encodeTiff(QImage image, int compression, const ImageMetadata& metadata,
                             const Progress& progress = {});

    // Whether no pixel of the picture is even partly transparent.
    static bool isOpaque(const QImage& image);

    // encodeJpeg's file from a picture that comes in bands of rows, in any
    // order and from several threads at once, never held whole. A band
    // starts at a multiple of rowUnit rows and is a multiple of rowUnit rows
    // high but for the last one; transparent parts go on white.
    class JpegBands {
    public:
        static constexpr int rowUnit = 128;
        JpegBands(QSize size, double quality, const ImageMetadata& metadata);
        ~JpegBands();
        JpegBands(const JpegBands&) = delete;
        JpegBands& operator=(const JpegBands&) = delete;

        // False when the band does not fit or cannot be encoded; the
        // reason then comes with finish().
        bool add(int first, QImage rows);
        Result finish();

    private:
        struct Private;
        std::unique_ptr<Private> d;
    };
};

} // namespace qf
