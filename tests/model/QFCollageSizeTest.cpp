#include "model/QFCollageSize.h"

#include "platform/defaults/UserDefaults.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTemporaryDir>

#include <limits>

using namespace qf;

namespace {

class QFCollageSizeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        UserDefaults::standard().useFile(m_dir.filePath(QStringLiteral("defaults.ini")));
    }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }

    static void storeRecords(const QVariant& value)
    {
        UserDefaults::standard().setValue(QFCollageSize::customSizesDefaultsKey(), value);
    }

    static QFCollageSize standardSize(const QString& name)
    {
        for (const QFCollageSize& s : QFCollageSize::standardSizes())
            if (s.initialDisplayInfo() == name)
                return s;
        ADD_FAILURE() << "no standard size " << name.toStdString();
        return QFCollageSize(0, 0, SizeUnitPixels, 300, false);
    }

    QTemporaryDir m_dir;
};

TEST_F(QFCollageSizeTest, ConvertsByTruncationAndRefusesWhatCannotBeConverted)
{
    const QFCollageSize a3 = standardSize(QStringLiteral("A3"));
    EXPECT_EQ(a3.pixelWidth(), 3507);
    EXPECT_EQ(a3.pixelHeight(), 4960);
    const QFCollageSize a6 = standardSize(QStringLiteral("A6"));
    EXPECT_EQ(a6.pixelWidth(), 1240);
    EXPECT_EQ(a6.pixelHeight(), 1748);
    const QFCollageSize letter = standardSize(QStringLiteral("8.5 X 11 (US Letter)"));
    EXPECT_EQ(letter.pixelWidth(), 2550);
    EXPECT_EQ(letter.pixelHeight(), 3300);
    EXPECT_EQ(QFCollageSize::valueToPixels(1, SizeUnitCm, 300), 118);

    EXPECT_EQ(QFCollageSize::valueToPixels(5, 7, 300), -1);
    EXPECT_EQ(QFCollageSize::valueToPixels(std::numeric_limits<double>::quiet_NaN(), SizeUnitPixels, 300), -1);
    EXPECT_EQ(QFCollageSize::valueToPixels(1e300, SizeUnitInches, 300), -1);
    EXPECT_DOUBLE_EQ(QFCollageSize::pixelsToValue(300, 7, 300), -1.0);
    EXPECT_DOUBLE_EQ(QFCollageSize::pixelsToValue(300, SizeUnitInches, 0), -1.0);
    EXPECT_DOUBLE_EQ(QFCollageSize::pixelsToValue(300, SizeUnitPixels, 0), 300.0);
    EXPECT_NEAR(QFCollageSize::pixelsToValue(3507, SizeUnitMm, 300), 297.0, 0.1);

    // A changed resolution must not answer the old cached pixels.
    QFCollageSize size(2, 3, SizeUnitInches, 300, false);
    EXPECT_EQ(size.pixelWidth(), 600);
    size.setResolution(100);
    EXPECT_EQ(size.pixelWidth(), 200);
}

TEST_F(QFCollageSizeTest, FormatsHundredthsInTheLocaleStyle)
{
    EXPECT_EQ(QFCollageSize::formatToTwoDecimalPlaces(8.5), QStringLiteral("8.5"));
    EXPECT_EQ(QFCollageSize::formatToTwoDecimalPlaces(12), QStringLiteral("12"));
    EXPECT_EQ(QFCollageSize::formatToTwoDecimalPlaces(2.999), QStringLiteral("3"));
    EXPECT_EQ(QFCollageSize::formatToTwoDecimalPlaces(-0.001), QStringLiteral("0"));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(QFCollageSize::formatToTwoDecimalPlaces(8.5), QStringLiteral("8,5"));
    // The group separator is a dot here: its zeros must stay.
    EXPECT_EQ(QFCollageSize::formatToTwoDecimalPlaces(1000), QStringLiteral("1.000"));
    QLocale::setDefault(QLocale::c());
}

TEST_F(QFCollageSizeTest, DisplayNames)
{
    QFCollageSize poster(5000, 4000, SizeUnitPixels, 300, false, QStringLiteral("Poster"));
    poster.setUserDefined(true);
    EXPECT_EQ(poster.displayName(), QStringLiteral("Poster (5000 X 4000 pixels)"));
    poster.setInitialDisplayInfo({});
    EXPECT_EQ(poster.displayName(), QStringLiteral("5000 X 4000 pixels"));

    QFCollageSize inches(8.5, 11, SizeUnitInches, 300, false);
    inches.setUserDefined(true);
    EXPECT_EQ(inches.displayName(), QStringLiteral("8.5 X 11 inches"));
    EXPECT_EQ(standardSize(QStringLiteral("A3")).displayName(), QStringLiteral("A3"));

    const QList<QFCollageSize> all = QFCollageSize::allSizes();
    ASSERT_EQ(all.size(), QFCollageSize::standardSizes().size() + 2);
    const QFCollageSize& command = all.last();
    EXPECT_TRUE(command.customSizeCommand());
    EXPECT_EQ(command.displayName(), QStringLiteral("Set Custom Size"));
    EXPECT_EQ(command.pixelWidth(), -1);

    const QFCollageSize& desktop = all.at(all.size() - 2);
    EXPECT_EQ(desktop.displayName(), QStringLiteral("Desktop Picture Size"));
    EXPECT_TRUE(desktop.orientationMatters());
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(desktop.pixelWidth(), qRound64(screen->geometry().width() * screen->devicePixelRatio()));
}

TEST_F(QFCollageSizeTest, AddCustomSizeSkipsKnownSizesEitherWayRound)
{
    QFCollageSize::addCustomSize(QFCollageSize(3300, 2550, SizeUnitPixels, 300, false));
    EXPECT_TRUE(QFCollageSize::userDefinedSizes().isEmpty());

    QFCollageSize::addCustomSize(QFCollageSize(3300, 2550, SizeUnitPixels, 301, false));
    QFCollageSize::addCustomSize(QFCollageSize(2550, 3300, SizeUnitPixels, 301, false));
    QFCollageSize::addCustomSize(QFCollageSize(10, 20, SizeUnitCm, 150, true, QStringLiteral("Card")));

    const QList<QFCollageSize> sizes = QFCollageSize::userDefinedSizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_TRUE(sizes[0].userDefined());
    EXPECT_EQ(sizes[0].resolution(), 301);
    EXPECT_EQ(sizes[0].initialDisplayInfo(), QString());
    EXPECT_EQ(sizes[1].unit(), SizeUnitCm);
    EXPECT_DOUBLE_EQ(sizes[1].height(), 20.0);
    EXPECT_EQ(sizes[1].resolution(), 150);
    EXPECT_TRUE(sizes[1].orientationMatters());
    EXPECT_EQ(sizes[1].displayName(), QStringLiteral("Card (10 X 20 cm)"));
    EXPECT_FALSE(QFCollageSize(1, 2, SizeUnitPixels, 300, false).dictionaryRepresentation().contains(
        QStringLiteral("name")));
}

TEST_F(QFCollageSizeTest, MalformedRecordsReadWithDefaults)
{
    storeRecords(QStringLiteral("not a list"));
    EXPECT_TRUE(QFCollageSize::userDefinedSizes().isEmpty());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    storeRecords(QVariantList{
        5,
        QStringLiteral("x"),
        QVariantMap{{QStringLiteral("width"), 640}, {QStringLiteral("height"), 480.0}},
        QVariantMap{{QStringLiteral("width"), QStringLiteral("12")},
                    {QStringLiteral("height"), nan},
                    {QStringLiteral("unit"), 1e300},
                    {QStringLiteral("resolution"), nan},
                    {QStringLiteral("orientationMatters"), QStringLiteral("true")},
                    {QStringLiteral("name"), 42}},
        QVariantMap{{QStringLiteral("width"), 1e300},
                    {QStringLiteral("height"), 2.9},
                    {QStringLiteral("unit"), 0.9},
                    {QStringLiteral("resolution"), -5},
                    {QStringLiteral("orientationMatters"), 1}},
    });
    const QList<QFCollageSize> sizes = QFCollageSize::userDefinedSizes();
    ASSERT_EQ(sizes.size(), 3);

    EXPECT_EQ(sizes[0].unit(), SizeUnitPixels);
    EXPECT_EQ(sizes[0].resolution(), 300);
    EXPECT_FALSE(sizes[0].orientationMatters());
    EXPECT_EQ(sizes[0].displayName(), QStringLiteral("640 X 480 pixels"));

    EXPECT_DOUBLE_EQ(sizes[1].width(), 0.0);
    EXPECT_DOUBLE_EQ(sizes[1].height(), 0.0);
    EXPECT_EQ(sizes[1].unit(), SizeUnitPixels);
    EXPECT_EQ(sizes[1].resolution(), 300);
    EXPECT_TRUE(sizes[1].orientationMatters());
    EXPECT_TRUE(sizes[1].initialDisplayInfo().isEmpty());

    // Truncated unit (inches), a refused resolution, and a width too big for pixels.
    EXPECT_EQ(sizes[2].unit(), SizeUnitInches);
    EXPECT_EQ(sizes[2].resolution(), 300);
    EXPECT_TRUE(sizes[2].orientationMatters());
    EXPECT_EQ(sizes[2].pixelWidth(), -1);
    EXPECT_EQ(sizes[2].pixelHeight(), 870);
    EXPECT_FALSE(sizes[2].displayName().isEmpty());
}

} // namespace
