#include "model/TextLayout.h"

#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace qf {

namespace {

std::atomic<qint64> g_layoutsMade{0};
std::atomic<qint64> g_outlinesMade{0};

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

qint64 TextLayout::layoutsMade()
{
    return g_layoutsMade.load(std::memory_order_relaxed);
}

qint64 TextLayout::outlinesMade()
{
    return g_outlinesMade.load(std::memory_order_relaxed);
}

TextLayout::TextLayout(const QString& text, const QFont& font, qint64 alignment, double width)
    : m_font(font)
{
    g_layoutsMade.fetch_add(1, std::memory_order_relaxed);
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

const std::vector<TextLayout::LineOutlines>& TextLayout::lineOutlines() const
{
    if (m_outlines)
        return *m_outlines;
    g_outlinesMade.fetch_add(1, std::memory_order_relaxed);
    std::vector<LineOutlines> out;
    // Text repeats a few glyphs many times: each outline is made once a face.
    std::vector<std::pair<QRawFont, QHash<quint32, QPainterPath>>> faces;
    for (const auto& layout : m_paragraphs) {
        for (int i = 0; i < layout->lineCount(); ++i) {
            QPainterPath glyphs;
            glyphs.setFillRule(Qt::WindingFill);
            for (const QGlyphRun& run : layout->lineAt(i).glyphRuns()) {
                const QRawFont raw = run.rawFont();
                auto face = std::find_if(faces.begin(), faces.end(), [&raw](const auto& f) { return f.first == raw; });
                if (face == faces.end())
                    face = faces.insert(faces.end(), {raw, {}});
                const QList<quint32> indexes = run.glyphIndexes();
                const QList<QPointF> positions = run.positions();
                for (qsizetype g = 0; g < indexes.size() && g < positions.size(); ++g) {
                    auto shape = face->second.constFind(indexes[g]);
                    if (shape == face->second.cend())
                        shape = face->second.insert(indexes[g], raw.pathForGlyph(indexes[g]));
                    glyphs.addPath(shape->translated(positions[g]));
                }
            }
            if (!glyphs.isEmpty())
                out.push_back({glyphs.controlPointRect(), std::move(glyphs)});
        }
    }
    m_outlines = std::move(out);
    return *m_outlines;
}

QPainterPath TextLayout::glyphOutlines() const
{
    QPainterPath outlines;
    outlines.setFillRule(Qt::WindingFill);
    for (const LineOutlines& line : lineOutlines())
        outlines.addPath(line.glyphs);
    return outlines;
}

QPainterPath TextLayout::glyphOutlinesIn(const QRectF& area) const
{
    QPainterPath outlines;
    outlines.setFillRule(Qt::WindingFill);
    for (const LineOutlines& line : lineOutlines())
        if (line.bounds.intersects(area))
            outlines.addPath(line.glyphs);
    return outlines;
}

const QList<TextLayout::Line>& TextLayout::lines() const
{
    if (m_lines)
        return *m_lines;
    QList<Line> out;
    for (const auto& layout : m_paragraphs) {
        const QString& text = layout->text();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            // Spaces that end a wrapped line are not underlined.
            int end = line.textStart() + line.textLength();
            while (end > line.textStart() && text.at(end - 1).isSpace())
                --end;
            const auto span = [&line](int from, int to) {
                const double a = line.x() + line.cursorToX(from);
                const double b = line.x() + line.cursorToX(to);
                return Span{std::min(a, b), std::max(a, b)};
            };
            const Span whole = span(line.textStart(), end);
            QList<Span> words;
            for (int i = line.textStart(); i < end;) {
                while (i < end && text.at(i).isSpace())
                    ++i;
                const int start = i;
                while (i < end && !text.at(i).isSpace())
                    ++i;
                if (i > start)
                    words.append(span(start, i));
            }
            out.append({whole.left, whole.right, line.y() + line.ascent(), std::move(words)});
        }
    }
    m_lines = std::move(out);
    return *m_lines;
}

} // namespace qf
