#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace qf {

// Writes PNG files of large pictures quickly: the rows are filtered and
// deflated in strips on several cores, and the strips join into the file's
// single zlib stream. Each strip starts from the end of the one before as its
// dictionary, so the split costs almost nothing in size.
class PngWriter {
public:
    // The row filter, the same for every row.
    enum class Filter { None, Sub, Up, Average, Paeth };

    struct Text {
        QByteArray keyword; // Latin-1, 1 to 79 characters
        QString text;       // tEXt when Latin-1 can hold it, else iTXt (UTF-8)
    };

    struct Options {
        bool alpha = true;     // RGBA (unassociated, as PNG wants) or RGB
        int dotsPerMeter = 0;  // none written when 0
        QByteArray iccProfile; // none written when empty
        QByteArray iccName = "sRGB";
        QList<Text> texts;
        // Chosen on collages of photographs (bench/png_vs_vips.sh): a quarter
        // smaller than no filter at level 6, and several times faster.
        int level = 2; // zlib's, 1..9
        Filter filter = Filter::Average;
        int threads = 0;               // 0: one a core
        // Strips deflated so far of the total; called from the worker threads.
        std::function<void(int done, int total)> progress;
    };

    // The file of an image in one of the 32-bit formats (RGB32, ARGB32,
    // ARGB32_Premultiplied); none, with the reason, for any other image or
    // when memory runs out.
    static std::optional<QByteArray> write(const QImage& image, const Options& options, QString* error);
};

} // namespace qf
