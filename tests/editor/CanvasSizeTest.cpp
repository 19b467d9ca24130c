#include "editor/CustomSizeForm.h"
#include "editor/FotoloomController.h"

#include "document/CollageDocument.h"
#include "model/Collage.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/undo/UndoManager.h"

#include "GridDocuments.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QVariantList>

using namespace qf;

namespace {

const char* kTwoMinutes = "Your final collage may take upto 2 minutes to generate";
const char* kFourMinutes = "Your final collage may take upto 4 minutes to generate";
const char* kWidthPx = "Width should lie between 64px and 12000px";
const char* kHeightPx = "Height should lie between 64px and 12000px";
const char* kResolution = "Resolution should lie between 36px/in and 1200px/in";

TEST(CustomSizeForm, ValidationOrderMessagesAndNotices)
{
    struct Case {
        const char *w, *h, *res;
        int unit;
        bool accepted;
        const char* text;
    };
    for (const Case& k : {
             Case{"63", "100", "300", SizeUnitPixels, false, kWidthPx},
             Case{"100", "63", "300", SizeUnitPixels, false, kHeightPx},
             Case{"12001", "100", "300", SizeUnitPixels, false, kWidthPx},
             Case{"0.2", "10", "300", SizeUnitInches, false,
                  "Width should lie between 0.21inches and 40.00inches at a resolution of 300 pixels/inch"},
             Case{"10", "41", "300", SizeUnitInches, false,
                  "Height should lie between 0.21inches and 40.00inches at a resolution of 300 pixels/inch"},
             // The resolution is checked before the sides.
             Case{"10", "10", "1201", SizeUnitInches, false, kResolution},
             Case{"63", "63", "35", SizeUnitPixels, false, kResolution},
             Case{"100", "100", "nan", SizeUnitPixels, false, kResolution},
             Case{"nan", "100", "300", SizeUnitPixels, false, kWidthPx},
             Case{"inf", "100", "300", SizeUnitPixels, false, kWidthPx},
             Case{"100", "-inf", "300", SizeUnitPixels, false, kHeightPx},
             Case{"", "100", "300", SizeUnitPixels, false, kWidthPx},
             Case{"64", "12000", "36", SizeUnitPixels, true, ""},
             Case{"6000", "6000", "300", SizeUnitPixels, true, ""},
             Case{"6001", "6000", "300", SizeUnitPixels, true, kTwoMinutes},
             Case{"7000", "7000", "300", SizeUnitPixels, true, kTwoMinutes},
             Case{"7001", "7000", "300", SizeUnitPixels, true, kFourMinutes},
             Case{"20", "20", "300", SizeUnitInches, true, ""},
         }) {
        SCOPED_TRACE(std::string(k.w) + " x " + k.h + " at " + k.res);
        const CustomSizeVerdict v = CustomSizeForm::validate({k.w, k.h, k.res, {}, k.unit});
        EXPECT_EQ(v.accepted, k.accepted);
        EXPECT_EQ(v.text.toStdString(), k.text);
    }
}

TEST(CustomSizeForm, NamesAreTrimmedAndCut)
{
    const QString thirty = QStringLiteral("abcdefghijklmnopqrstuvwxyz1234");
    struct Case {
        QString typed, stored;
    };
    for (const Case& k : {Case{thirty, thirty.left(25)}, Case{QStringLiteral("     "), QString()},
                          Case{QStringLiteral("\n Poster \t"), QStringLiteral("Poster")},
                          Case{QString(24, QLatin1Char('x')) + QStringLiteral(" tail"), QString(24, QLatin1Char('x'))}})
        EXPECT_EQ(CustomSizeForm::trimmedName(k.typed), k.stored);
}

TEST(CustomSizeForm, UnitChangesGoThroughWholePixels)
{
    struct Case {
        const char* value;
        int from, to;
        const char* res;
        const char* expected;
    };
    for (const Case& k : {Case{"3000", SizeUnitPixels, SizeUnitInches, "300", "10"},
                          Case{"10", SizeUnitInches, SizeUnitPixels, "300", "3000"},
                          Case{"2550.9", SizeUnitPixels, SizeUnitInches, "300", "8.5"},
                          Case{"254", SizeUnitMm, SizeUnitPixels, "100", "999"}, // truncated, not rounded
                          Case{"nan", SizeUnitPixels, SizeUnitInches, "300", "nan"},
                          // Resolutions and sides no whole number of pixels holds, typed
                          // before the sheet checks them: sides that find no pixels stay
                          // as typed, the others convert at the largest resolution there is.
                          Case{"0", SizeUnitPixels, SizeUnitInches, "1e30", "0"},
                          Case{"3000", SizeUnitPixels, SizeUnitPixels, "1e300", "3000"},
                          Case{"10", SizeUnitInches, SizeUnitPixels, "1e30", "10"},
                          Case{"1e300", SizeUnitPixels, SizeUnitInches, "300", "1e300"},
                          Case{"-1e300", SizeUnitCm, SizeUnitInches, "300", "-1e300"},
                          Case{"3000", SizeUnitPixels, SizeUnitInches, "inf", "3000"},
                          Case{"3000", SizeUnitPixels, SizeUnitInches, "-1e300", "3000"}}) {
        SCOPED_TRACE(k.value);
        const CustomSizeFields f = CustomSizeForm::withUnit({k.value, k.value, k.res, {}, k.from}, k.to);
        EXPECT_EQ(f.width.toStdString(), k.expected);
        EXPECT_EQ(f.unit, k.to);
    }
}

TEST(CustomSizeForm, OnlySizesWithinTheLimitsAreOffered)
{
    QFCollageSize command(-1, -1, SizeUnitPixels, 300, false);
    command.setCustomSizeCommand(true);
    struct Case {
        QFCollageSize size;
        bool offered;
    };
    for (const Case& k : {Case{QFCollageSize(64, 12000, SizeUnitPixels, 36, true), true},
                          Case{QFCollageSize(63, 100, SizeUnitPixels, 300, true), false},
                          Case{QFCollageSize(100, 12001, SizeUnitPixels, 300, true), false},
                          Case{QFCollageSize(0, 0, SizeUnitPixels, 300, true), false},
                          Case{QFCollageSize(100, 100, SizeUnitPixels, 1201, true), false},
                          Case{QFCollageSize(8.5, 11, SizeUnitInches, 300, false), true}, Case{command, true}})
        EXPECT_EQ(CustomSizeForm::isOffered(k.size), k.offered) << k.size.displayName().toStdString();
}

TEST(CustomSizeForm, PatternRowsMultiplyBeforeDividing)
{
    struct Case {
        qint64 rows, newH, oldH, expected;
    };
    for (const Case& k : {Case{3, 5400, 5400, 3}, Case{3, 7200, 5400, 4}, Case{3, 2700, 5400, 1},
                          Case{1, 2700, 5400, -1}, Case{3, 5400, 7200, 2}})
        EXPECT_EQ(CustomSizeForm::scaledPatternRows(k.rows, k.newH, k.oldH), k.expected);
}

// ---- the controller -----------------------------------------------------------------

class CanvasSizeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    CollageDocument doc;
    FotoloomController* c = nullptr;

    void SetUp() override
    {
        UserDefaults::standard().useFile(dir.filePath(QStringLiteral("defaults.ini")));
        doc.setHostFactory(
            [this](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &doc.undoManager()); });
        doc.makeWindowControllers();
        c = static_cast<FotoloomController*>(doc.fotoloomController());
        test::startNewDocumentsAsGrids(*c);
        ASSERT_TRUE(c->windowDidLoad().ok());
        endEvent();
    }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }
    Collage& collage() const { return *c->collage(); }
    void endEvent()
    {
        for (int i = 0; i < 20 && doc.undoManager().groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
    void canvas(qint64 w, qint64 h, qint64 rows, bool pattern = true)
    {
        collage().setWidth(w);
        collage().setHeight(h);
        collage().setResolution(300);
        collage().setBackgroundIsImage(true);
        collage().setBackgroundImageIsPattern(pattern);
        collage().setBackgroundImagePatternNumberOfRows(rows);
        endEvent();
    }
};

TEST_F(CanvasSizeTest, SizeAndOrientationChangesScalePatternRows)
{
    const QFCollageSize halfHeight(7200, 2700, SizeUnitPixels, 300, true);
    struct Case {
        const char* name;
        qint64 w, h, rows;
        bool pattern;
        std::function<void(FotoloomController&)> act;
        qint64 expectW, expectH, expectRows;
        const char* undoName;
    };
    auto orient = [](qint64 s) { return [s](FotoloomController& fc) { fc.sizes().changeOrientation(s); }; };
    auto size = [halfHeight](FotoloomController& fc) { fc.sizes().changeCollageSizeTo(halfHeight); };
    for (const Case& k : {
             Case{"same orientation", 7200, 5400, 3, true, orient(0), 7200, 5400, 3, "Orientation Change"},
             Case{"to portrait", 7200, 5400, 3, true, orient(1), 5400, 7200, 4, "Orientation Change"},
             Case{"to landscape", 5400, 7200, 3, true, orient(0), 7200, 5400, 2, "Orientation Change"},
             Case{"no segment", 7200, 5400, 3, true, orient(-1), 7200, 5400, 3, "Orientation Change"},
             Case{"half height", 7200, 5400, 3, true, size, 7200, 2700, 1, "Size Change"},
             Case{"half height, one row", 7200, 5400, 1, true, size, 7200, 2700, -1, "Size Change"},
             Case{"no pattern", 7200, 5400, 3, false, size, 7200, 2700, 3, "Size Change"},
         }) {
        SCOPED_TRACE(k.name);
        canvas(k.w, k.h, k.rows, k.pattern);
        k.act(*c);
        EXPECT_EQ(collage().width(), k.expectW);
        EXPECT_EQ(collage().height(), k.expectH);
        EXPECT_EQ(collage().backgroundImagePatternNumberOfRows(), k.expectRows);
        endEvent();
        ASSERT_TRUE(doc.undoManager().canUndo());
        EXPECT_EQ(doc.undoManager().undoActionName().toStdString(), k.undoName);
        // One step takes the canvas back.
        doc.undoManager().undo();
        endEvent();
        EXPECT_EQ(collage().width(), k.w);
        EXPECT_EQ(collage().height(), k.h);
        EXPECT_EQ(collage().backgroundImagePatternNumberOfRows(), k.rows);
    }
}

TEST_F(CanvasSizeTest, SizesOutsideTheLimitsNeverReachTheCanvas)
{
    UserDefaults::standard().setValue(
        QFCollageSize::customSizesDefaultsKey(),
        QVariantList{QVariantMap{{"width", 63.0}, {"height", 500.0}, {"unit", 3}, {"resolution", 300}},
                     QVariantMap{{"width", 500.0}, {"height", 500.0}, {"unit", 3}, {"resolution", 2000}},
                     QVariantMap{{"width", 900.0}, {"height", 700.0}, {"unit", 3}, {"resolution", 300}}});
    c->sizes().updateCollageSizes();
    const QList<QFCollageSize>& sizes = c->sizes().collageSizesArray();
    ASSERT_FALSE(sizes.isEmpty());
    EXPECT_TRUE(sizes.last().customSizeCommand());
    for (const QFCollageSize& s : sizes)
        EXPECT_TRUE(CustomSizeForm::isOffered(s)) << s.displayName().toStdString();
    EXPECT_TRUE(std::any_of(sizes.begin(), sizes.end(), [](const QFCollageSize& s) { return s.pixelWidth() == 900; }));

    canvas(7200, 5400, -1);
    c->sizes().changeCollageSizeTo(QFCollageSize(63, 500, SizeUnitPixels, 300, true));
    c->sizes().changeCollageSizeTo(QFCollageSize(0, 0, SizeUnitPixels, 300, true));
    EXPECT_FALSE(c->hasPendingUndoSnapshot());
    EXPECT_EQ(collage().width(), 7200);
    EXPECT_EQ(collage().height(), 5400);
}

TEST_F(CanvasSizeTest, CustomSizeIsStoredNamedAndApplied)
{
    QString why;
    EXPECT_FALSE(c->sizes().setCustomSize({"63", "500", "300", "x", SizeUnitPixels}, &why));
    EXPECT_EQ(why.toStdString(), kWidthPx);
    EXPECT_TRUE(QFCollageSize::userDefinedSizes().isEmpty());

    ASSERT_TRUE(c->sizes().setCustomSize({"10", "5", "300", QStringLiteral("  A poster name of thirty chars "), SizeUnitInches}));
    const QList<QFCollageSize> stored = QFCollageSize::userDefinedSizes();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].initialDisplayInfo(), QStringLiteral("A poster name of thirty c"));
    EXPECT_EQ(stored[0].unit(), SizeUnitInches);
    EXPECT_TRUE(stored[0].orientationMatters());
    EXPECT_EQ(collage().width(), 3000);
    EXPECT_EQ(collage().height(), 1500);
    EXPECT_EQ(c->sizes().collageSizesArray()[c->getSelectedCollageSizeIndex()].initialDisplayInfo(),
              QStringLiteral("A poster name of thirty c"));
}

TEST_F(CanvasSizeTest, PatternRowCommandsKeepTheirGuards)
{
    struct Case {
        qint64 rows;
        bool pattern, increase;
        qint64 expected;
        bool recorded;
    };
    for (const Case& k : {Case{1, true, false, 1, false}, Case{2, true, false, 1, true}, Case{3, true, true, 4, true},
                          Case{-1, true, true, -1, false}, Case{3, false, true, 3, false},
                          Case{3, false, false, 3, false}}) {
        SCOPED_TRACE(k.rows);
        canvas(7200, 5400, k.rows, k.pattern);
        (void)c->runner().runCommand(k.increase ? QStringLiteral("increaseImagePatternRowCountButton")
                                       : QStringLiteral("decreaseImagePatternRowCountButton"));
        EXPECT_EQ(collage().backgroundImagePatternNumberOfRows(), k.expected);
        EXPECT_EQ(c->hasPendingUndoSnapshot(), k.recorded);
        endEvent();
    }
}

} // namespace
