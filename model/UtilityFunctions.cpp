#include "model/UtilityFunctions.h"

#include "model/TextLayout.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/json/JsonValues.h"
#include "platform/random/RandomSource.h"
#include "platform/vision/FaceDetector.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainterPath>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qf {

namespace {

// No collage holds more pictures; the bound keeps the row-and-column search
// short whatever a file claims.
constexpr qint64 kMaxGridCells = qint64(1) << 32;

// Faces are looked for in a picture at least this wide: the detector misses
// faces in smaller ones that it finds once they are scaled up. A long, thin
// picture is scaled up no further than the longest side given here.
constexpr int kFaceSearchWidth = 600;
constexpr int kFaceSearchLongestSide = 2400;

qint64 saturatingProduct(qint64 a, qint64 b)
{
    qint64 p = 0;
    if (__builtin_mul_overflow(a, b, &p))
        return std::numeric_limits<qint64>::max();
    return p;
}

// a >= 0, b >= 1.
qint64 ceilDiv(qint64 a, qint64 b)
{
    return a / b + (a % b != 0 ? 1 : 0);
}

int hexDigitValue(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QJsonObject UtilityFunctions::getJsonDictionaryForColor(const Color& c)
{
    return QJsonObject{{"r", c.r}, {"g", c.g}, {"b", c.b}, {"a", c.a}};
}

std::optional<Color> UtilityFunctions::getColorFromJsonDictionary(const QJsonValue& dict)
{
    const auto o = json::toObject(dict);
    if (!o)
        return std::nullopt;
    return Color{json::clampedNumber(*o, u"r", 0.0, 1.0, 0.0),
                 json::clampedNumber(*o, u"g", 0.0, 1.0, 0.0),
                 json::clampedNumber(*o, u"b", 0.0, 1.0, 0.0),
                 json::clampedNumber(*o, u"a", 0.0, 1.0, 0.0)};
}

QJsonObject UtilityFunctions::getJsonDictionaryForPoint(QPointF p)
{
    return QJsonObject{{"pox", p.x()}, {"poy", p.y()}};
}

QPointF UtilityFunctions::getPointFromJsonDictionary(const QJsonValue& dict)
{
    const QJsonObject o = json::toObject(dict).value_or(QJsonObject());
    return QPointF(json::numberOr(o, u"pox", 0.0), json::numberOr(o, u"poy", 0.0));
}

QJsonObject UtilityFunctions::getJsonDictionaryForRect(const QRectF& r)
{
    return QJsonObject{{"rox", r.x()}, {"roy", r.y()}, {"rwi", r.width()}, {"rhe", r.height()}};
}

QRectF UtilityFunctions::getRectFromJsonDictionary(const QJsonValue& dict)
{
    const QJsonObject o = json::toObject(dict).value_or(QJsonObject());
    return QRectF(json::numberOr(o, u"rox", 0.0), json::numberOr(o, u"roy", 0.0),
                  json::numberOr(o, u"rwi", 0.0), json::numberOr(o, u"rhe", 0.0));
}

QJsonObject UtilityFunctions::getJsonDictionaryForPanZoom(const PanZoomPos& pz)
{
    return PanZoomPos::jsonDictionary(pz);
}

PanZoomPos UtilityFunctions::getPanZoomFromJsonDictionary(const QJsonValue& dict)
{
    return PanZoomPos::fromJsonDictionary(dict);
}

QString UtilityFunctions::nsdataToHex(const QByteArray& data)
{
    return QString::fromLatin1(data.toHex().toUpper());
}

QByteArray UtilityFunctions::hexToNsdata(QStringView hex)
{
    QByteArray bytes(hex.size() / 2, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        int value = 0;
        for (qsizetype k = 2 * i; k < 2 * i + 2; ++k) {
            const int digit = hexDigitValue(hex[k]);
            if (digit < 0)
                break;
            value = value * 16 + digit;
        }
        bytes[i] = static_cast<char>(value);
    }
    return bytes;
}

QByteArray UtilityFunctions::nsdataMD5(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QString UtilityFunctions::md5Identity(const QByteArray& fileBytes)
{
    return nsdataToHex(nsdataMD5(fileBytes));
}

QDateTime UtilityFunctions::getFileModifiedDateForPath(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc());
    const QDateTime modified = info.lastModified();
    if (!modified.isValid())
        return QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc());
    return modified.toUTC();
}

bool UtilityFunctions::pointInRect(QPointF point, const QRectF& rect)
{
    return point.x() >= rect.x() && point.x() < rect.x() + rect.width() && point.y() >= rect.y()
           && point.y() < rect.y() + rect.height();
}

double UtilityFunctions::distanceBetweenPt1(QPointF p1, QPointF p2)
{
    const double dx = p1.x() - p2.x();
    const double dy = p1.y() - p2.y();
    return std::sqrt(dx * dx + dy * dy);
}

QRectF UtilityFunctions::getBoundingRectOfPts(const QList<QPointF>& pts)
{
    if (pts.isEmpty())
        return QRectF();
    double minX = pts.first().x();
    double maxX = minX;
    double minY = pts.first().y();
    double maxY = minY;
    for (const QPointF& p : pts) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

qint64 UtilityFunctions::integerWithin(double value, qint64 lo, qint64 hi, qint64 ifNaN)
{
    if (std::isnan(value))
        return ifNaN;
    // Every whole double in [-2^63, 2^63) converts exactly; the rest lie
    // beyond any bound a qint64 can give.
    constexpr double kLimit = 9223372036854775808.0;
    const double whole = std::trunc(value);
    if (whole >= kLimit)
        return hi;
    if (whole < -kLimit)
        return lo;
    return std::clamp(static_cast<qint64>(whole), lo, hi);
}

QFIntegralPoint UtilityFunctions::getRightNumberOfRowsAndColsForCollageWidth(
    qint64 collageWidth, qint64 collageHeight, qint64 initialRowCount, qint64 initialColCount,
    qint64 totalPics)
{
    const double ratio = static_cast<double>(std::max<qint64>(collageWidth, 1))
                         / static_cast<double>(std::max<qint64>(collageHeight, 1));
    const auto canvasWider = [ratio](qint64 rows, qint64 cols) {
        return ratio > static_cast<double>(cols) / static_cast<double>(rows);
    };
    qint64 r = std::max<qint64>(initialRowCount, 1);
    qint64 c = std::max<qint64>(initialColCount, 1);
    const qint64 m = std::clamp<qint64>(totalPics, 1, kMaxGridCells);

    // One column while the canvas is wider than the grid, else one row, until
    // the grid holds m. Real grids take a few hundred steps at most; past a
    // budget, each run of the same choice is taken in one jump, to where the
    // step-by-step growth would change its choice or stop, so hostile counts
    // and shapes cost little. Inside the loop r and c stay below m, so every
    // count is exact as a double.
    for (int budget = 4096; budget > 0 && saturatingProduct(r, c) < m; --budget) {
        if (canvasWider(r, c))
            ++c;
        else
            ++r;
    }
    while (saturatingProduct(r, c) < m) {
        if (canvasWider(r, c)) {
            const qint64 enough = ceilDiv(m, r);
            const double estimate = std::ceil(ratio * static_cast<double>(r));
            qint64 next = estimate >= static_cast<double>(enough)
                              ? enough
                              : std::max(c, static_cast<qint64>(estimate));
            while (next > c && !canvasWider(r, next - 1))
                --next;
            while (next < enough && canvasWider(r, next))
                ++next;
            c = std::max(next, c + 1);
        } else {
            const qint64 enough = ceilDiv(m, c);
            const double estimate = std::floor(static_cast<double>(c) / ratio) + 1.0;
            qint64 next = estimate >= static_cast<double>(enough)
                              ? enough
                              : std::max(r, static_cast<qint64>(estimate));
            while (next > r && canvasWider(next - 1, c))
                --next;
            while (next < enough && !canvasWider(next, c))
                ++next;
            r = std::max(next, r + 1);
        }
    }
    return QFIntegralPoint(r, c);
}

double UtilityFunctions::randomFrom0to1()
{
    return static_cast<double>(RandomSource::current().next() & 63u) / 64.0;
}

bool UtilityFunctions::randomBool()
{
    return RandomSource::current().next() % 2 == 0;
}

int UtilityFunctions::randomSign()
{
    return RandomSource::current().next() % 10 < 5 ? 1 : -1;
}

qsizetype UtilityFunctions::randomIndexBelow(qsizetype count)
{
    if (count <= 0)
        return 0;
    const quint64 value = RandomSource::current().next();
    return static_cast<qsizetype>(value % static_cast<quint64>(count));
}

QPointF UtilityFunctions::faceCentroidInImage(const QImage& image)
{
    const QPointF none(-1, -1);
    if (image.isNull())
        return none;
    QImage searched = image;
    if (image.width() < kFaceSearchWidth) {
        const double up = std::min(double(kFaceSearchWidth) / image.width(),
                                   double(kFaceSearchLongestSide) / std::max(image.width(), image.height()));
        if (up > 1) {
            const QImage larger = image.scaled(int(std::lround(image.width() * up)),
                                               int(std::lround(image.height() * up)), Qt::IgnoreAspectRatio,
                                               Qt::SmoothTransformation);
            if (!larger.isNull())
                searched = larger;
        }
    }
    const QList<QRectF> faces = FaceDetector::current().detectFaces(searched);
    if (faces.isEmpty())
        return none;
    QPointF sum;
    for (const QRectF& face : faces)
        sum += face.center();
    const QPointF mean = sum / static_cast<double>(faces.size());
    // Detector rectangles are y-down; the model measures from the bottom.
    return QPointF(mean.x() / searched.width(), 1.0 - mean.y() / searched.height());
}

Cursor UtilityFunctions::cursorFor(qint64 kind)
{
    switch (kind) {
    case 2:
        return Cursor::fromShape(Qt::SizeVerCursor);
    case 3:
        return Cursor::fromShape(Qt::SizeBDiagCursor); // "/"
    case 4:
        return Cursor::fromShape(Qt::SizeFDiagCursor); // "\"
    default:
        return Cursor::fromShape(Qt::SizeHorCursor);
    }
}

void UtilityFunctions::addDashToContext(GraphicsContext& context)
{
    context.setLineDash(0, {5, 2});
}

void UtilityFunctions::removeDashFromContext(GraphicsContext& context)
{
    context.clearLineDash();
}

void UtilityFunctions::drawStringMessageOnDrawingView(GraphicsContext& context, const QString& message,
                                                      QPointF point)
{
    if (message.isEmpty())
        return;
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(13);
    // Laid out at 72 dpi, so 13 points are 13 units at every output size.
    const TextLayout layout(message, font, 0, 0);
    const QRectF text(point, QSizeF(layout.naturalWidth(), layout.height()));
    QPainterPath box;
    box.addRoundedRect(text.adjusted(-8, -4, 8, 4), 3, 3);

    context.saveGState();
    context.setFillColor(Qt::black);
    context.fillPath(box);
    context.setStrokeColor(Qt::white);
    context.setLineWidth(1.5);
    context.strokePath(box);
    const QPainterPath glyphs = layout.glyphOutlines();
    context.drawUpright(QPointF(point.x(), point.y() + text.height()), QRectF(QPointF(0, 0), text.size()),
                        [&](QPainter& p) { p.fillPath(glyphs, Qt::white); });
    context.restoreGState();
}

ProgrammerError UtilityFunctions::programmerErrorException(const QString& reason)
{
    return ProgrammerError(reason);
}

std::optional<QString> UtilityFunctions::getPicturesDirectoryURL()
{
    const QString path = QStandardPaths::standardLocations(QStandardPaths::PicturesLocation).value(0);
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(path);
    if (!info.isDir())
        return std::nullopt;
    return info.absoluteFilePath();
}

QString UtilityFunctions::getMacOSXVersion()
{
    // Kernel versions look like "6.1.0-18-amd64": the leading digits of the
    // first three dot-separated parts; values too large for an int saturate.
    const QStringList parts = QSysInfo::kernelVersion().split(QLatin1Char('.'));
    int numbers[3] = {0, 0, 0};
    for (qsizetype i = 0; i < 3 && i < parts.size(); ++i) {
        qint64 n = 0;
        for (const QChar ch : parts[i]) {
            if (ch < u'0' || ch > u'9')
                break;
            n = std::min<qint64>(n * 10 + (ch.unicode() - u'0'), std::numeric_limits<int>::max());
        }
        numbers[i] = static_cast<int>(n);
    }
    return QString::asprintf("%d.%d.%d", numbers[0], numbers[1], numbers[2]);
}

bool UtilityFunctions::isRunningInSandbox()
{
    return qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
}

QString UtilityFunctions::applicationIdentifier()
{
    return QStringLiteral("com.quiltfolio.mac");
}

QString UtilityFunctions::applicationVersion()
{
    return QStringLiteral(QF_VERSION);
}

QString UtilityFunctions::imageSaveCountKey(const QString& identifier, const QString& version)
{
    return QStringLiteral("%1.imagesavecount_%2").arg(identifier, version);
}

QString UtilityFunctions::currentVersionImageSaveCountKey()
{
    return imageSaveCountKey(applicationIdentifier(), applicationVersion());
}

QString UtilityFunctions::firstTimeSetupKey()
{
    return QStringLiteral("fotoloom_first_time_setup_v3_0");
}

QString UtilityFunctions::secondFirstTimeSetupKey()
{
    return QStringLiteral("com.quiltfolio.mac.firstsetupv4_0");
}

void UtilityFunctions::doFirstTimeSetup(const std::function<void()>& clearRecentDocuments)
{
    UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.contains(firstTimeSetupKey())) {
        if (clearRecentDocuments)
            clearRecentDocuments();
        defaults.setValue(firstTimeSetupKey(), true);
    }
    if (!defaults.contains(secondFirstTimeSetupKey()))
        defaults.setValue(secondFirstTimeSetupKey(), true);
}

} // namespace qf
