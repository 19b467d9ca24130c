#pragma once

#include "platform/graphics/Color.h"
#include "platform/keyvalue/KVObject.h"

#include <QFont>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <QColor>
#include <QRectF>

#include <memory>
#include <optional>

namespace qf {

class GraphicsContext;
class TextLayout;

// The observation context of text item changes for undo; compared by identity.
extern const KVContext QFUndoTextObservationContext;

// Underline and strikethrough chosen in the font panel; each is optional and
// written to the file only when set.
struct TextAttributes {
    // Bits of a style as the font panel stores them: the low byte is the
    // line, the next the pattern (solid when unknown); by-word rules leave
    // the spaces between words bare.
    enum LineStyle : qint64 {
        LineNone = 0x00,
        LineSingle = 0x01,
        LineThick = 0x02,
        LineDouble = 0x09,
        LineMask = 0xFF,
        PatternSolid = 0x0000,
        PatternDot = 0x0100,
        PatternDash = 0x0200,
        PatternDashDot = 0x0300,
        PatternDashDotDot = 0x0400,
        PatternMask = 0x0F00,
        ByWord = 0x8000,
    };

    std::optional<qint64> underlineStyle;
    std::optional<Color> underlineColor;
    std::optional<qint64> strikethroughStyle;
    std::optional<Color> strikethroughColor;

    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

// A text item lying over a collage: text, font, colours, shadow, outline,
// background box, width and rotation, all relative to the canvas so that it
// draws alike at every output size. The font's point size counts canvas
// pixels at the collage's full size.
class TextPosition : public KVObject {
public:
    // A new item with the default style at a random centre near the middle.
    TextPosition();
    ~TextPosition() override;
    TextPosition(const TextPosition&) = delete;
    TextPosition& operator=(const TextPosition&) = delete;

    static const KVKeyTable& keyTable();

    // Limits of the panel's controls, applied when reading a file; the
    // setters do not clamp.
    static constexpr double minStrokeWidth() { return 0.75; }
    static constexpr double maxStrokeWidth() { return 15.0; }
    static constexpr double minTextOpacity() { return 0.25; }
    static constexpr double maxTextOpacity() { return 1.0; }
    static constexpr double minTextBackgroundOpacity() { return 0.0; }
    static constexpr double maxTextBackgroundOpacity() { return 1.0; }
    // Font sizes read from a file are kept in this range of canvas pixels.
    static constexpr double defaultFontSize() { return 64.0; }
    static constexpr double minFontSize() { return 1.0; }
    static constexpr double maxFontSize() { return 10000.0; }
    // Far above any real text box: longer content, typed or read, keeps its
    // beginning, as laying it out would take seconds.
    static constexpr qsizetype maxContentLength() { return 10000; }
    // Text items a collage reads from a file; those past it are left out.
    static constexpr qsizetype maxItemsInFile() { return 1000; }

    // The font of a new item: DejaVu Sans (a declared dependency) at the
    // default size, so new text looks the same on every machine; the
    // desktop's general font when DejaVu is missing.
    static QFont defaultFont();

    // ---- fields ------------------------------------------------------------

    const QString& content() const { return m_content; }
    // What a new item says until text is typed.
    static QString defaultContent();
    // At most maxContentLength() UTF-16 units, never half a surrogate pair.
    void setContent(const QString& v);
    // Fractions of the canvas, from the lower-left corner, y upwards.
    QPointF center() const { return m_center; }
    void setCenter(QPointF v) { kvSet(QStringLiteral("center"), m_center, v); }
    // A fraction of the canvas width.
    double textWidth() const { return m_textWidth; }
    void setTextWidth(double v) { kvSet(QStringLiteral("textWidth"), m_textWidth, v); }
    // Radians, anticlockwise.
    double rotation() const { return m_rotation; }
    void setRotation(double v) { kvSet(QStringLiteral("rotation"), m_rotation, v); }
    double opacity() const { return m_opacity; }
    void setOpacity(double v) { kvSet(QStringLiteral("opacity"), m_opacity, v); }
    const Color& color() const { return m_color; }
    void setColor(const Color& v) { kvSet(QStringLiteral("color"), m_color, v); }
    const QFont& font() const { return m_font; }
    // The font is kept unhinted, so line breaks do not depend on the output size.
    void setFont(const QFont& v);
    // 0 left, 1 right, 2 centre, 3 justified.
    qint64 alignment() const { return m_alignment; }
    void setAlignment(qint64 v) { kvSet(QStringLiteral("alignment"), m_alignment, v); }
    double xShadowOffsetScale() const { return m_xShadowOffsetScale; }
    void setXShadowOffsetScale(double v) { kvSet(QStringLiteral("xShadowOffsetScale"), m_xShadowOffsetScale, v); }
    double yShadowOffsetScale() const { return m_yShadowOffsetScale; }
    void setYShadowOffsetScale(double v) { kvSet(QStringLiteral("yShadowOffsetScale"), m_yShadowOffsetScale, v); }
    double shadowRadiusBlurScale() const { return m_shadowRadiusBlurScale; }
    void setShadowRadiusBlurScale(double v)
    {
        kvSet(QStringLiteral("shadowRadiusBlurScale"), m_shadowRadiusBlurScale, v);
    }
    bool drawShadows() const { return m_drawShadows; }
    void setDrawShadows(bool v) { kvSet(QStringLiteral("drawShadows"), m_drawShadows, v); }
    const TextAttributes& attributes() const { return m_attributes; }
    void setAttributes(const TextAttributes& v) { kvSet(QStringLiteral("attributes"), m_attributes, v); }
    const Color& textBackgroundColor() const { return m_textBackgroundColor; }
    void setTextBackgroundColor(const Color& v)
    {
        kvSet(QStringLiteral("textBackgroundColor"), m_textBackgroundColor, v);
    }
    double textBackgroundOpacity() const { return m_textBackgroundOpacity; }
    void setTextBackgroundOpacity(double v)
    {
        kvSet(QStringLiteral("textBackgroundOpacity"), m_textBackgroundOpacity, v);
    }
    const Color& strokeColor() const { return m_strokeColor; }
    void setStrokeColor(const Color& v) { kvSet(QStringLiteral("strokeColor"), m_strokeColor, v); }
    // Percent of the drawn point size.
    double strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(double v) { kvSet(QStringLiteral("strokeWidth"), m_strokeWidth, v); }
    // 0 fill only, 1 outline only, 2 outline and fill; other values draw as 0.
    qint64 strokeFill() const { return m_strokeFill; }
    void setStrokeFill(qint64 v) { kvSet(QStringLiteral("strokeFill"), m_strokeFill, v); }
    // False until the natural width of the text has been measured.
    bool hasTextWidth() const { return m_hasTextWidth; }
    void setHasTextWidth(bool v) { kvSet(QStringLiteral("hasTextWidth"), m_hasTextWidth, v); }

    // ---- values for the text panel's bindings ------------------------------

    double fontSize() const { return m_font.pointSizeF(); }
    // Sizes that are not finite and positive are ignored.
    void setFontSize(double size);
    static QList<double> availableStandardSizes();
    // Index into FontCatalogue::families(), -1 when the family is not installed.
    qint64 selectedFontFamilyIndex() const;
    // Out-of-range indexes are ignored.
    void setSelectedFontFamilyIndex(qint64 index);
    QStringList availableFontTypefaces() const;
    qint64 selectedFontTypefaceIndex() const;
    void setSelectedFontTypefaceIndex(qint64 index);
    bool enableFillColor() const { return m_strokeFill == 0 || m_strokeFill == 2; }
    bool enableStrokeColor() const { return m_strokeFill == 1 || m_strokeFill == 2; }
    bool enableStrokeWidth() const { return enableStrokeColor(); }
    // Whole degrees in [0, 360], e.g. "90°"; "0°" for a non-finite rotation.
    QString rotationInDegree() const;

    // Writes to the read-only panel values are ignored, as a binding makes
    // them; unknown keys still raise.
    void setValueForUndefinedKey(const QVariant& value, const QString& key) override;

    // ---- copying and files -------------------------------------------------

    // A new item (own random centre, default text and width) with this
    // item's colours, font, alignment, shadow, background and outline;
    // underline and strikethrough are not copied.
    std::shared_ptr<TextPosition> createNewTextPositionByCopyingMyProperties() const;
    // The text JSON object of this item.
    QJsonObject getJsonDictionary() const;
    // Applies a text JSON object to an item fresh from the constructor.
    // Values of the wrong type or not finite count as absent; opacities,
    // outline width and font size are clamped. Only the canvas width is used.
    void setMyPropertiesFrom(const QJsonObject& dict, qint64 actualCollageWidth, qint64 actualCollageHeight);

    // ---- layout, hit tests and drawing --------------------------------------
    //
    // W and H are the drawing size, CW and CH the canvas size in pixels. The
    // text is laid out once at canvas size and scaled by W / CW, so it breaks
    // lines at the same words at every output size.

    // What the text is drawn with at drawing width W.
    struct DrawingAttributes {
        double scale = 1.0;        // drawing units per canvas pixel
        double pointSize = 0.0;    // the font's size in drawing units
        QColor foreground;         // colour with the item's opacity
        QColor stroke;             // outline colour with the item's opacity
        double strokeWidth = 0.0;  // percent of the point size: + outline only, - outline and fill
        bool hasShadow = false;
        QPointF shadowOffset;      // drawing units
        double shadowBlur = 0.0;   // drawing units
    };
    DrawingAttributes getTextDrawingAttributesWidth(double width, qint64 collageWidth, qint64 collageHeight,
                                                    bool actual) const;
    // The text rectangle, centred on the item frame's origin, in drawing
    // units. An item without a width takes its natural width here.
    QRectF getBoundaryRectForCollageWidth(double width, qint64 collageWidth, qint64 collageHeight, bool actual);
    // Translation to the centre, then the rotation.
    QTransform getTransformationMatrixForWidth(double width, double height) const;
    static QRectF getDrawingBoundaryRectFromActualBoundaryRect(const QRectF& rect);
    bool liesInBoundary(QPointF point, double width, double height, qint64 collageWidth, qint64 collageHeight);
    // 5 the right width handle, 4 the left one, 15 none.
    qint64 getSelectedHandleByPt(QPointF point, double width, double height, qint64 collageWidth,
                                 qint64 collageHeight);
    // Narrows the box in steps of 0.0001 of the canvas width for as long as
    // the text keeps its height.
    void sizeToFit(double width, qint64 collageWidth, qint64 collageHeight);
    bool reduceTextWidthIfPossible(double width, qint64 collageWidth, qint64 collageHeight);
    // The resize cursor kind for the rotation: 1 left-right, 2 up-down, 3 and
    // 4 the diagonals.
    qint64 rotatedTowards() const;
    // Draws the text (fill, outline, shadow, underline, strikethrough) into
    // the text rectangle `rect` of the current frame.
    void drawText(GraphicsContext& context, const QRectF& rect, double width, qint64 collageWidth,
                  qint64 collageHeight, bool actual);
    // Draws the background box with its shadow, when it is visible.
    void drawBackgroundBox(GraphicsContext& context, const QRectF& rect, double width);

    // ---- undo observation --------------------------------------------------

    // The twelve style keys whose changes are recorded for undo.
    virtual QStringList keysForValuesToObserveForUndo() const;

    bool beingObserved() const { return m_beingObserved; }
    // Registers the observer for the undo keys once; a second call does nothing.
    void startObservingProperties(KVObserver* observer);
    // Removes that registration; nothing when there is none.
    void stopObservingProperties(KVObserver* observer);

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }

private:
    QString m_content;
    QPointF m_center;
    double m_textWidth = 0.5;
    double m_rotation = 0.0;
    double m_opacity = 1.0;
    Color m_color = Color::black();
    QFont m_font;
    qint64 m_alignment = 0;
    double m_xShadowOffsetScale = 0.5;
    double m_yShadowOffsetScale = -0.5;
    double m_shadowRadiusBlurScale = 0.5;
    bool m_drawShadows = true;
    TextAttributes m_attributes;
    Color m_textBackgroundColor = Color::white();
    double m_textBackgroundOpacity = 0.0;
    Color m_strokeColor{2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1.0};
    double m_strokeWidth = 5.0;
    qint64 m_strokeFill = 0;
    bool m_hasTextWidth = true;
    bool m_beingObserved = false;

    // The point in the item's frame and the outline rectangle, for the hit tests.
    std::optional<std::pair<QPointF, QRectF>> pointAndOutlineInFrame(QPointF point, double width, double height,
                                                                     qint64 collageWidth, qint64 collageHeight);
    // The last layout with its outlines, reused by every repaint and hit
    // test while content, font, alignment and box width stay.
    std::shared_ptr<const TextLayout> layoutFor(double boxWidth) const;
    mutable std::shared_ptr<const TextLayout> m_layout;
    mutable QString m_layoutText;
    mutable QFont m_layoutFont;
    mutable qint64 m_layoutAlignment = -1;
    mutable double m_layoutWidth = -1;
};

} // namespace qf

Q_DECLARE_METATYPE(qf::TextAttributes)
