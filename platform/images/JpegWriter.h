#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

// Writes baseline JPEG files of large pictures quickly with libjpeg-turbo.
// The file restarts its entropy coding at every MCU row, which makes each
// band of rows independent: bands of 128 rows (eight MCU rows, one cycle of
// restart markers) are encoded on several cores as little JPEGs of their
// own, and their scan data joins into the very file a single pass over the
// whole picture writes.
//
// The file: SOI, JFIF (density per inch), the EXIF APP1 and the ICC profile
// when given, then a sequential 8-bit frame, YCbCr 4:2:0, the standard
// Huffman tables.
class JpegWriter {
public:
    struct Options {
        int quality = 75;      // libjpeg's scale, 0..100
        int dotsPerInch = 72;  // JFIF density, 1..65535
        QByteArray exif;       // APP1 payload, "Exif\0\0" first; none written when empty
        QByteArray iccProfile; // none written when empty
        int threads = 0;       // 0: one a core
        // Bands encoded so far of the total; called from the worker threads.
        std::function<void(int done, int total)> progress;
    };

    // The file of a picture of any format; alpha is ignored, so a picture
    // with transparent parts should be flattened first. RGB32, the ARGB32
    // formats, RGB888 and the RGBX/RGBA8888 formats are read as they are,
    // others are converted. None, with the reason, when libjpeg refuses the
    // picture (too large, a marker too long) or memory runs out.
    static std::optional<QByteArray> write(const QImage& image, const Options& options, QString* error);

    // The same file from a picture that comes in bands of rows and is never
    // held whole: each band is encoded as it is added, on the thread that
    // adds it (several may add at once), and the bands join when all are in.
    // A band starts at a multiple of rowUnit and is a multiple of rowUnit
    // rows high, but for the last one.
    static constexpr int rowUnit = 128;
    class Bands {
    public:
        Bands(QSize size, Options options);
        ~Bands();
        Bands(const Bands&) = delete;
        Bands& operator=(const Bands&) = delete;

        // Encodes the rows [first, first + rows.height()) of the picture;
        // false, with the reason, when the band is out of place or libjpeg
        // refuses it. The band may be freed once this returns.
        bool add(int first, const QImage& rows, QString* error);
        // The file, once every row is in; none with the reason otherwise.
        std::optional<QByteArray> finish(QString* error);

    private:
        struct Private;
        std::unique_ptr<Private> d;
    };
};

} // namespace qf
