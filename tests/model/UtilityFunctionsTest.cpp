#include "model/BezierPathQuartzUtilities.h"
#include "model/UtilityFunctions.h"
#include "platform/random/RandomSource.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <limits>

using namespace qf;
using U = UtilityFunctions;

namespace {

// The growth loop exactly as documented, one step at a time.
QFIntegralPoint rowsAndColsStepByStep(qint64 w, qint64 h, qint64 r0, qint64 c0, qint64 n)
{
    qint64 r = std::max<qint64>(1, r0);
    qint64 c = std::max<qint64>(1, c0);
    while (r * c < std::max<qint64>(1, n))
        (double(w) / double(h) > double(c) / double(r)) ? ++c : ++r;
    return {r, c};
}

} // namespace

TEST(UtilityFunctionsTest, HexAndPictureIdentity)
{
    EXPECT_EQ(U::nsdataToHex(QByteArray::fromRawData("\x00\xAB\x0F", 3)), "00AB0F");
    // RFC 1321 test suite.
    EXPECT_EQ(U::md5Identity(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(U::md5Identity("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(U::md5Identity("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
    EXPECT_EQ(U::md5Identity("abcdefghijklmnopqrstuvwxyz"), "C3FCD3D76192E4007DFB496CCA67E13B");

    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    EXPECT_EQ(U::hexToNsdata(U::nsdataToHex(all)), all);

    // Each pair is read up to its first non-digit; an odd last character is dropped.
    EXPECT_EQ(U::hexToNsdata(u"ABC"), QByteArray("\xAB"));
    EXPECT_EQ(U::hexToNsdata(u"ab"), QByteArray("\xAB"));
    EXPECT_EQ(U::hexToNsdata(u"1G"), QByteArray("\x01"));
    EXPECT_EQ(U::hexToNsdata(u"G10f"), QByteArray::fromRawData("\x00\x0F", 2)); // no shifting
    EXPECT_EQ(U::hexToNsdata(u" 1-1"), QByteArray(2, '\0'));
    EXPECT_EQ(U::hexToNsdata(u"\uFF11\uFF12"), QByteArray(1, '\0')); // other scripts' digits
}

TEST(UtilityFunctionsTest, ValueObjects)
{
    const Color c{0.1, 0.2, 0.3, 0.4};
    EXPECT_EQ(U::getColorFromJsonDictionary(U::getJsonDictionaryForColor(c)), c);
    EXPECT_EQ(U::getColorFromJsonDictionary(QJsonObject{{"r", 1.0}, {"g", 0.5}, {"b", 0.25}}),
              (Color{1.0, 0.5, 0.25, 0.0}));
    EXPECT_EQ(U::getColorFromJsonDictionary(QJsonObject{{"r", "1"}, {"g", qQNaN()}, {"b", 7.0}, {"a", -2.0}}),
              (Color{0.0, 0.0, 1.0, 0.0}));
    EXPECT_FALSE(U::getColorFromJsonDictionary(QJsonValue()));
    EXPECT_FALSE(U::getColorFromJsonDictionary(QJsonArray{1, 2, 3, 4}));

    const QPointF p(0.25, -3.5);
    EXPECT_EQ(U::getPointFromJsonDictionary(U::getJsonDictionaryForPoint(p)), p);
    EXPECT_EQ(U::getPointFromJsonDictionary(QJsonObject{{"pox", qInf()}, {"poy", true}}), QPointF(0, 0));

    const QRectF r(0.1, 0.2, 0.3, 0.4);
    EXPECT_EQ(U::getRectFromJsonDictionary(U::getJsonDictionaryForRect(r)), r);
    EXPECT_EQ(U::getRectFromJsonDictionary(QJsonValue("x")), QRectF());
    EXPECT_EQ(U::getRectFromJsonDictionary(QJsonObject{{"rwi", 2.0}}), QRectF(0, 0, 2, 0));

    const PanZoomPos pz(0.3, 0.7, 0.4);
    EXPECT_EQ(U::getPanZoomFromJsonDictionary(U::getJsonDictionaryForPanZoom(pz)), pz);
    EXPECT_EQ(U::getPanZoomFromJsonDictionary(QJsonValue()), PanZoomPos(0.5, 0.5, 1.0));
    EXPECT_EQ(U::getPanZoomFromJsonDictionary(QJsonObject{{"panzcx", 0.2}}), PanZoomPos(0.2, 0.0, 0.0));
    EXPECT_EQ(U::getPanZoomFromJsonDictionary(QJsonObject{{"panzcy", qQNaN()}, {"panzl", "1"}}),
              PanZoomPos(0.0, 0.0, 0.0));
}

TEST(UtilityFunctionsTest, FileModificationDate)
{
    EXPECT_EQ(U::getFileModifiedDateForPath("/nonexistent/quiltfolio/x.jpg"),
              QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc()));

    QTemporaryDir dir;
    QFile file(dir.filePath("picture.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.flush(); // else closing would stamp the time of the write
    const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc());
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();
    const QDateTime got = U::getFileModifiedDateForPath(file.fileName());
    EXPECT_EQ(got, when) << got.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(got.timeSpec(), Qt::UTC);
}

TEST(UtilityFunctionsTest, RowsAndColumns)
{
    const auto rc = U::getRightNumberOfRowsAndColsForCollageWidth;
    EXPECT_EQ(rc(3000, 2000, 1, 1, 5), QFIntegralPoint(2, 3));
    EXPECT_EQ(rc(1000, 1000, 1, 1, 4), QFIntegralPoint(2, 2));
    EXPECT_EQ(rc(1000, 1000, 1, 1, 5), QFIntegralPoint(3, 2)); // a tie adds a row
    EXPECT_EQ(rc(1000, 1000, 0, 0, 0), QFIntegralPoint(1, 1));
    EXPECT_EQ(rc(1000, 1000, 4, 5, 3), QFIntegralPoint(4, 5)); // never shrinks
    EXPECT_EQ(rc(0, -5, 1, 1, 5), rc(1, 1, 1, 1, 5));

    // Hostile counts answer at once and never overflow.
    constexpr qint64 big = std::numeric_limits<qint64>::max();
    EXPECT_EQ(rc(1000, 1000, big, big, big), QFIntegralPoint(big, big));
    EXPECT_EQ(rc(big, 1, 1, 1, big), QFIntegralPoint(1, qint64(1) << 32));
    const QFIntegralPoint square = rc(1, 1, 1, 1, big);
    EXPECT_GE(double(square.x()) * double(square.y()), double(qint64(1) << 32));

    // Short growths go step by step; long ones jump over runs of the same
    // choice and must land where single steps would.
    for (qint64 w : {1, 7, 1000, 7200, 99999})
        for (qint64 h : {1, 7, 5400})
            for (qint64 r0 : {0, 3})
                for (qint64 c0 : {1, 4})
                    for (qint64 n : {0, 2, 5, 97, 1001, 60000, 30000001})
                        ASSERT_EQ(rc(w, h, r0, c0, n), rowsAndColsStepByStep(w, h, r0, c0, n))
                            << w << "x" << h << " from " << r0 << "x" << c0 << " for " << n;
}

TEST(UtilityFunctionsTest, RandomChoicesFollowTheSource)
{
    ScriptedRandomSource script({0, 63, 64, 0xFFFFFFFFu, 2, 3, 0, 4, 5, 9, 10, 15, 7});
    ScopedRandomSource scope(script);
    for (double expected : {0.0, 63.0 / 64, 0.0, 63.0 / 64})
        EXPECT_EQ(U::randomFrom0to1(), expected);
    EXPECT_TRUE(U::randomBool());
    EXPECT_FALSE(U::randomBool());
    for (int expected : {1, 1, -1, -1, 1, -1})
        EXPECT_EQ(U::randomSign(), expected);
    EXPECT_EQ(U::randomIndexBelow(5), 2);
    EXPECT_EQ(U::randomIndexBelow(0), 0);
}

TEST(UtilityFunctionsTest, ShuffleDrawsFromTheRemainingElements)
{
    const QList<QString> list{"a", "b", "c"};
    {
        ScriptedRandomSource script({2, 0, 7});
        ScopedRandomSource scope(script);
        EXPECT_EQ(U::randomlyShuffledNewArray(list), (QList<QString>{"c", "a", "b"}));
    }
    EXPECT_EQ(list, (QList<QString>{"a", "b", "c"}));
    EXPECT_TRUE(U::randomlyShuffledNewArray(QList<int>()).isEmpty());

    QList<int> many(200);
    std::iota(many.begin(), many.end(), 0);
    QList<int> shuffled = U::randomlyShuffledNewArray(many);
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, many);
}

TEST(UtilityFunctionsTest, DistanceAndBoundingRect)
{
    EXPECT_DOUBLE_EQ(U::distanceBetweenPt1({1, 1}, {4, 5}), 5.0);
    EXPECT_EQ(U::getBoundingRectOfPts({{3, 1}, {-1, 4}, {2, -2}}), QRectF(-1, -2, 4, 6));
    EXPECT_EQ(U::getBoundingRectOfPts({{2, 3}}), QRectF(2, 3, 0, 0));
    EXPECT_EQ(U::getBoundingRectOfPts({}), QRectF());
}

TEST(UtilityFunctionsTest, WholeNumbersWithinBoundsFromAnyDouble)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Row {
        double value;
        qint64 lo, hi, ifNaN, expected;
    };
    for (const Row& row : {Row{2.9, 0, 10, -1, 2}, Row{-2.9, -10, 10, -1, -2}, Row{-0.5, 0, 10, -1, 0},
                           Row{11, 0, 10, -1, 10}, Row{-11, 0, 10, -1, 0}, Row{1e300, 0, 3, -1, 3},
                           Row{-1e300, 0, 3, -1, 0}, Row{1e30, 1, 1200, -1, 1200}, Row{kInf, 0, 3, -1, 3},
                           Row{-kInf, 0, 3, -1, 0}, Row{std::nan(""), 0, 3, 2, 2},
                           // The edges of the 64-bit range: 2^63 itself does not fit, -2^63 does.
                           Row{9223372036854775808.0, kMin, kMax, 0, kMax},
                           Row{-9223372036854775808.0, kMin, kMax, 0, kMin},
                           Row{9223372036854774784.0, kMin, kMax, 0, 9223372036854774784},
                           Row{-1e19, kMin, kMax, 0, kMin}}) {
        EXPECT_EQ(U::integerWithin(row.value, row.lo, row.hi, row.ifNaN), row.expected)
            << row.value << " in " << row.lo << ".." << row.hi;
    }
}

TEST(BezierPathQuartzUtilitiesTest, ClosesTheLastSubpath)
{
    EXPECT_FALSE(BezierPathQuartzUtilities::quartzPath(QPainterPath()));

    QPainterPath moveOnly;
    moveOnly.moveTo(1, 1);
    EXPECT_EQ(BezierPathQuartzUtilities::quartzPath(moveOnly).value().elementCount(), 1);

    QPainterPath open;
    open.moveTo(0, 0);
    open.lineTo(10, 0);
    open.lineTo(10, 10);
    const QPainterPath closed = BezierPathQuartzUtilities::quartzPath(open).value();
    ASSERT_EQ(closed.elementCount(), 4);
    EXPECT_EQ(QPointF(closed.elementAt(3)), QPointF(0, 0));
    EXPECT_EQ(closed.fillRule(), Qt::WindingFill);

    // Closing a closed path adds nothing; curves are kept.
    QPainterPath curved;
    curved.moveTo(0, 0);
    curved.cubicTo(5, 10, 10, 10, 15, 0);
    curved.closeSubpath();
    const QPainterPath same = BezierPathQuartzUtilities::quartzPath(curved).value();
    ASSERT_EQ(same.elementCount(), 5);
    EXPECT_TRUE(same.elementAt(1).isCurveTo());
    EXPECT_EQ(QPointF(same.elementAt(2)), QPointF(10, 10));
}

TEST(BezierPathQuartzUtilitiesTest, HitTestUsesNonZeroWinding)
{
    // The overlap of two squares drawn the same way round winds twice, which
    // odd-even filling (QPainterPath's default) leaves out.
    QPainterPath path;
    path.addRect(0, 0, 10, 10);
    path.addRect(5, 5, 10, 10);
    EXPECT_TRUE(BezierPathQuartzUtilities::pathContainsPoint(path, {7, 7}));
    EXPECT_TRUE(BezierPathQuartzUtilities::pathContainsPoint(path, {2, 2}));
    EXPECT_FALSE(BezierPathQuartzUtilities::pathContainsPoint(path, {12, 2}));
    EXPECT_FALSE(BezierPathQuartzUtilities::pathContainsPoint(QPainterPath(), {0, 0}));
}
