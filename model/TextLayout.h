#pragma once

#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QTextLayout;

namespace qf {

// Lines of a text item laid out once, in canvas units (the font's point size
// counts canvas pixels, at 72 dots an inch, unhinted, with design metrics).
// Every output size scales this one layout, so line breaks fall at the same
// words on screen and in print.
class TextLayout {
public:
    // Alignment in the stored numbering: 0 left, 1 right, 2 centre,
    // 3 justified (anything else is left). A width that is not positive and
    // finite breaks lines only at explicit line and paragraph breaks.
    TextLayout(const QString& text, const QFont& font, qint64 alignment, double width);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    double height() const { return m_height; }
    // The widest line's natural width.
    double naturalWidth() const { return m_naturalWidth; }
    int lineCount() const { return m_lineCount; }

    // Glyph outlines with the origin at the top left of the box, y down. They
    // are made on first use and kept, as every repaint fills them.
    QPainterPath glyphOutlines() const;
    // Those of the lines that reach into `area`, in the same units.
    QPainterPath glyphOutlinesIn(const QRectF& area) const;

    struct Span {
        double left;
        double right;
    };
    struct Line {
        double left;       // where the line's glyphs start
        double right;      // and end
        double baseline;   // from the top of the box, downwards
        QList<Span> words; // the words, without the spaces between them
    };
    // Made on first use and kept.
    const QList<Line>& lines() const;

    // 72 dots an inch, so a point is a canvas pixel.
    static QPaintDevice* device72();

    // How many layouts and sets of glyph outlines this process has made,
    // so that tests can count the work a repaint does.
    static qint64 layoutsMade();
    static qint64 outlinesMade();

private:
    std::vector<std::unique_ptr<QTextLayout>> m_paragraphs;
    QFont m_font;
    double m_height = 0;
    double m_naturalWidth = 0;
    int m_lineCount = 0;
    struct LineOutlines {
        QRectF bounds;
        QPainterPath glyphs;
    };
    const std::vector<LineOutlines>& lineOutlines() const;
    mutable std::optional<std::vector<LineOutlines>> m_outlines;
    mutable std::optional<QList<Line>> m_lines;
};

} // namespace qf
