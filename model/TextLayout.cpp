#include "model/TextLayout.h"

#include <QGlyphRun>
#include <QImage>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextLayout>

#include <cmath>

namespace qf {

namespace {

QStringList paragraphsOf(const QString& text)
{
    // QTextLayout keeps one paragraph; split on every line and paragraph break.
    static const QRegularExpression breaks(QStringLiteral("\r\n|[\n\r\u2028\u2029\u000B\u0085]"));
    return text.split(breaks);
}

Qt::Alignment qtAlignment(qint64 alignment)
{
    switch (alignment) {
    case 1:
        return Qt::AlignRight;
    case 2:
        return Qt::AlignHCenter;
    case 3:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

} // namespace

QPaintDevice* TextLayout::device72()
{
    static QImage device = [] {
        QImage img(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = int(std::lround(72.0 / 0.0254));
        img.setDotsPerMeterX(dotsPerMeter);
        img.setDotsPerMeterY(dotsPerMeter);
        return img;
    }();
    return &device;
}

TextLayout::TextLayout(const QString& text, const QFont& font, qint64 alignment, double width)
    : m_font(font)
{
    if (text.isEmpty())
        return;
    m_font.setHintingPreference(QFont::PreferNoHinting);
    const bool bounded = width > 0 && std::isfinite(width);

    QTextOption option;
    option.setUseDesignMetrics(true);
    option.setWrapMode(bounded ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setAlignment(bounded ? qtAlignment(alignment) : Qt::AlignLeft);

    double y = 0;
    for (const QString& paragraph : paragraphsOf(text)) {
        auto layout = std::make_unique<QTextLayout>(paragraph, m_font, device72());
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            if (bounded)
                line.setLineWidth(width);
            else
                line.setNumColumns(qMax(1, paragraph.size()));
            line.setPosition(QPointF(0, y));
            y += line.ascent() + line.descent() + line.leading();
            m_naturalWidth = std::max(m_naturalWidth, double(line.naturalTextWidth()));
            ++m_lineCount;
        }
        layout->endLayout();
        m_paragraphs.push_back(std::move(layout));
    }
    m_height = y;
}

TextLayout::~TextLayout() = default;

QPainterPath TextLayout::glyphOutlines() const
{
    QPainterPath outlines;
    outlines.setFillRule(Qt::WindingFill);
    for (const auto& layout : m_paragraphs) {
        for (const QGlyphRun& run : layout->glyphRuns()) {
            const QRawFont raw = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
                outlines.addPath(raw.pathForGlyph(glyphs[i]).translated(positions[i]));
        }
    }
    return outlines;
}

QList<TextLayout::Line> TextLayout::lines() const
{
    QList<Line> out;
    for (const auto& layout : m_paragraphs) {
        const QString& text = layout->text();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            // Spaces that end a wrapped line are not underlined.
            int end = line.textStart() + line.textLength();
            while (end > line.textStart() && text.at(end - 1).isSpace())
                --end;
            double left = line.x() + line.cursorToX(line.textStart());
            double right = line.x() + line.cursorToX(end);
            if (left > right)
                std::swap(left, right);
            out.append({left, right, line.y() + line.ascent()});
        }
    }
    return out;
}

} // namespace qf
