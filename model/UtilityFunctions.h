#pragma once

#include "model/PanZoomPos.h"
#include "model/QFIntegralPoint.h"
#include "platform/core/ProgrammerError.h"
#include "platform/events/CursorStack.h"
#include "platform/graphics/Color.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QPointF>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace qf {

class GraphicsContext;

// Stateless operations shared by the model, the layouts and the document.
//
// The JSON readers take values that came from a file: a value of the wrong
// type counts as absent, and so does a non-finite number.
class UtilityFunctions {
public:
    // Colour as {"r", "g", "b", "a"}.
    static QJsonObject getJsonDictionaryForColor(const Color& c);
    // None for a non-object; missing components read as 0 (so a colour
    // without "a" is transparent); components are clamped into 0..1.
    static std::optional<Color> getColorFromJsonDictionary(const QJsonValue& dict);

    // Point as {"pox", "poy"}; reading a non-object gives (0, 0), a missing
    // key reads as 0.
    static QJsonObject getJsonDictionaryForPoint(QPointF p);
    static QPointF getPointFromJsonDictionary(const QJsonValue& dict);

    // Rectangle as {"rox", "roy", "rwi", "rhe"}; reading a non-object gives
    // the zero rectangle, a missing key reads as 0.
    static QJsonObject getJsonDictionaryForRect(const QRectF& r);
    static QRectF getRectFromJsonDictionary(const QJsonValue& dict);

    // Crop window as {"panzcx", "panzcy", "panzl"}: PanZoomPos's own
    // jsonDictionary and fromJsonDictionary.
    static QJsonObject getJsonDictionaryForPanZoom(const PanZoomPos& pz);
    static PanZoomPos getPanZoomFromJsonDictionary(const QJsonValue& dict);

    // Two uppercase hex digits a byte, no separators.
    static QString nsdataToHex(const QByteArray& data);
    // floor(n/2) bytes for n characters; each pair is read as base 16 up to
    // its first non-digit (so "1G" is 1 and "G1" is 0); an odd last
    // character is ignored.
    static QByteArray hexToNsdata(QStringView hex);
    // The 16-byte MD5 digest.
    static QByteArray nsdataMD5(const QByteArray& data);
    // The picture identity of a file's contents: its MD5 as 32 uppercase hex
    // digits.
    static QString md5Identity(const QByteArray& fileBytes);

    // The content modification time in UTC; 1970-01-01T00:00:00Z when the
    // file cannot be queried.
    static QDateTime getFileModifiedDateForPath(const QString& path);

    // Whether the point lies in the rectangle, its minimum edges inside and
    // its maximum edges outside (QRectF::contains takes both).
    static bool pointInRect(QPointF point, const QRectF& rect);
    static double distanceBetweenPt1(QPointF p1, QPointF p2);
    // The smallest rectangle holding every point; QRectF() for no points.
    static QRectF getBoundingRectOfPts(const QList<QPointF>& pts);

    // A number read from a file or typed by a person as a whole number
    // within [lo, hi]: truncated toward zero, held within the bounds while
    // still a double (converting a double that does not fit is undefined),
    // and `ifNaN` for NaN. Infinities go to the nearer bound.
    static qint64 integerWithin(double value, qint64 lo, qint64 hi, qint64 ifNaN);

    // Rows (x) and columns (y) of a grid that holds totalPics pictures,
    // growing from the initial counts (at least 1 each) one row or column at
    // a time, a column while the canvas is wider than the grid's c/r, else a
    // row. Counts never shrink. Widths and heights below 1 count as 1;
    // picture counts beyond 2^32 count as 2^32.
    static QFIntegralPoint getRightNumberOfRowsAndColsForCollageWidth(qint64 collageWidth,
                                                                     qint64 collageHeight,
                                                                     qint64 initialRowCount,
                                                                     qint64 initialColCount,
                                                                     qint64 totalPics);

    // A multiple of 1/64 from 0 to 63/64.
    static double randomFrom0to1();
    static bool randomBool();
    // +1 or -1.
    static int randomSign();
    // A random value modulo count; 0 when count <= 0.
    static qsizetype randomIndexBelow(qsizetype count);
    // A new list of the same elements in random order.
    template <typename T>
    static QList<T> randomlyShuffledNewArray(const QList<T>& list);

    // The mean centre of the faces found (through FaceDetector::current()),
    // as fractions of the image's width and height with y measured from the
    // bottom edge; (-1, -1) when there is no face or the image is null. A
    // small image is searched scaled up.
    static QPointF faceCentroidInImage(const QImage& image);

    // The resize cursor of an edit handle: 2 up-down, 3 and 4 the two
    // diagonals (the left-right cursor turned 45 degrees anticlockwise and
    // clockwise), any other kind left-right.
    static Cursor cursorFor(qint64 kind);

    // The dash of empty-slot outlines: 5 on, 2 off, in user units.
    static void addDashToContext(GraphicsContext& context);
    static void removeDashFromContext(GraphicsContext& context);

    // A black rounded box with a white border and the message in white, 13
    // points of the system font, the text's bottom left at `point` (user
    // space, y up). Draws nothing for an empty message. The context's state
    // is left as it was.
    static void drawStringMessageOnDrawingView(GraphicsContext& context, const QString& message,
                                               QPointF point);

    // The exception for a programming error; the caller throws it.
    static ProgrammerError programmerErrorException(const QString& reason);

    // ---- picture outlines (y up) --------------------------------------------
    // The outline of a picture shape in the rectangle: -1 and 1 the
    // rectangle, 0 the inscribed oval, 2 a diamond, 3 and 4 hexagons (flat,
    // then pointed top and bottom), 5 a heart, 6 an octagon (regular in a
    // square), 7 and 8 triangles (apex at the top, then at the bottom). An
    // unknown shape logs and gives the rectangle. Callers stroke it with
    // outlineJoinForShape's join.
    static QPainterPath getPictureEnclosingPathForDrawingRect(const QRectF& rect, qint64 shape);
    // The line join an outline of the shape is stroked with: round for the
    // heart, whose point and notch would grow long miter spikes under a wide
    // border; miter (sharp corners) for the others.
    static Qt::PenJoinStyle outlineJoinForShape(qint64 shape);
    // The closed polygon through the points with corners rounded by
    // `radius` (0: sharp); empty for fewer than two points.
    static QPainterPath getBezierPathFromPts(const QList<QPointF>& points, double radius);
    // The rectangle with a postage stamp's semicircular notches along every
    // edge, one every 1/24 of the diagonal.
    static QPainterPath getStampBezierPath(const QRectF& rect);

    // The user's Pictures folder as an absolute path, when it exists and is
    // a directory.
    static std::optional<QString> getPicturesDirectoryURL();

    // The running system's version as "major.minor.patch" (on Linux the
    // kernel's); parts it does not report are 0.
    static QString getMacOSXVersion();

    // ---- application and first run ----------------------------------------

    // True when the environment holds APP_SANDBOX_CONTAINER_ID (any value).
    static bool isRunningInSandbox();
    // The running application's identifier and release, which key the
    // per-release defaults.
    static QString applicationIdentifier();
    static QString applicationVersion();
    // "<identifier>.imagesavecount_<version>": the exported-image count of
    // one release.
    static QString imageSaveCountKey(const QString& identifier, const QString& version);
    static QString currentVersionImageSaveCountKey();

    // The first-run markers; each only ever goes from absent to YES.
    static QString firstTimeSetupKey();
    static QString secondFirstTimeSetupKey();
    // While the first marker is absent, calls clearRecentDocuments (the
    // document controller's list, which the model cannot reach) and sets it;
    // sets the second marker when absent.
    static void doFirstTimeSetup(const std::function<void()>& clearRecentDocuments);
};

template <typename T>
QList<T> UtilityFunctions::randomlyShuffledNewArray(const QList<T>& list)
{
    // Drawing from a shrinking working copy keeps the sequence of random
    // values (one per element) that tests script.
    QList<T> working = list;
    QList<T> shuffled;
    shuffled.reserve(list.size());
    while (!working.isEmpty())
        shuffled.append(working.takeAt(randomIndexBelow(working.size())));
    return shuffled;
}

} // namespace qf
