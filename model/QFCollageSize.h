#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

namespace qf {

// Units a canvas size can be given in; stored as integers in custom-size records.
enum SizeUnit : int {
    SizeUnitInches = 0,
    SizeUnitCm = 1,
    SizeUnitMm = 2,
    SizeUnitPixels = 3,
};

// A canvas size as offered in the editor's size popup: a width and height in a
// unit, a resolution in pixels per inch, and whether its orientation is fixed.
// Sizes are plain values; the class operations rebuild their lists on every call.
class QFCollageSize {
public:
    // Pixel caches start empty; the size is neither user-defined nor the command entry.
    QFCollageSize(double width, double height, int unit, qint64 resolution, bool orientationMatters,
                  const QString& initialDisplayInfo = {});

    double width() const { return m_width; }
    void setWidth(double width);
    double height() const { return m_height; }
    void setHeight(double height);
    int unit() const { return m_unit; }
    void setUnit(int unit);
    // Pixels per inch.
    qint64 resolution() const { return m_resolution; }
    void setResolution(qint64 resolution);
    // True: applied as given; false: the collage keeps its current orientation.
    bool orientationMatters() const { return m_orientationMatters; }
    void setOrientationMatters(bool orientationMatters) { m_orientationMatters = orientationMatters; }
    // The size's name; empty when it has none.
    QString initialDisplayInfo() const { return m_initialDisplayInfo; }
    void setInitialDisplayInfo(const QString& info) { m_initialDisplayInfo = info; }
    bool userDefined() const { return m_userDefined; }
    void setUserDefined(bool userDefined) { m_userDefined = userDefined; }
    // The popup's "Set Custom Size" entry rather than a size.
    bool customSizeCommand() const { return m_customSizeCommand; }
    void setCustomSizeCommand(bool command) { m_customSizeCommand = command; }

    // Width and height in pixels (-1 when they cannot be computed).
    qint64 pixelWidth() const;
    qint64 pixelHeight() const;

    // The text shown in the size popup.
    QString displayName() const;
    // The record kept in the user's list of custom sizes.
    QVariantMap dictionaryRepresentation() const;

    // Truncated toward zero; -1 for an unknown unit or a result that does not
    // fit in an integer.
    static qint64 valueToPixels(double value, int unit, qint64 resolution);
    // -1.0 for an unknown unit, or a non-positive resolution in a physical unit.
    static double pixelsToValue(double pixels, int unit, qint64 resolution);
    // Empty for an unknown unit.
    static QString unitName(int unit);
    // In the current locale, rounded to hundredths, without trailing zeros.
    static QString formatToTwoDecimalPlaces(double value);

    static QList<QFCollageSize> standardSizes();
    // The user's list, read from user defaults; malformed records read with defaults.
    static QList<QFCollageSize> userDefinedSizes();
    // The primary screen's size in device pixels.
    static QList<QFCollageSize> deviceDependantSizes();
    // Everything the popup shows, ending with the "Set Custom Size" entry.
    static QList<QFCollageSize> allSizes();
    // Stores the size in the user's list unless a known size has the same pixels
    // (either way round) at the same resolution.
    static void addCustomSize(const QFCollageSize& size);

    static qint64 maxResolutionOfCustomSize() { return 1200; }
    static qint64 maxDimensionOfCustomSize() { return 12000; }
    // The canvas of a new collage, at 300 pixels per inch.
    static qint64 defaultSizeWidth() { return 7200; }
    static qint64 defaultSizeHeight() { return 5400; }
    static const QString& customSizesDefaultsKey();

private:
    void clearPixelCache();

    double m_width;
    double m_height;
    int m_unit;
    qint64 m_resolution;
    bool m_orientationMatters;
    QString m_initialDisplayInfo;
    bool m_userDefined = false;
    bool m_customSizeCommand = false;
    mutable qint64 m_pixelWidth = -1;
    mutable qint64 m_pixelHeight = -1;
};

} // namespace qf
