#include "editorwindow/OpenedWindow.h"

#include "editor/window/CustomSizeSheet.h"
#include "platform/services/UrlOpener.h"
#include "model/Collage.h"
#include "model/QFCollageSize.h"
#include "platform/defaults/UserDefaults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVariantList>

using namespace qf;
using qf::test::Opened;

namespace {

// The user's sizes of this test only.
struct OwnDefaults {
    QTemporaryDir dir;
    OwnDefaults() { UserDefaults::standard().useFile(dir.filePath(QStringLiteral("defaults.ini"))); }
    ~OwnDefaults() { UserDefaults::standard().useStandardStore(); }
};

TEST(CanvasSizeWindow, ThePopupOffersValidSizesAndItsCustomEntryOpensTheSheet)
{
    OwnDefaults defaults;
    UserDefaults::standard().setValue(
        QFCollageSize::customSizesDefaultsKey(),
        QVariantList{QVariantMap{{"width", 63.0}, {"height", 500.0}, {"unit", 3}, {"resolution", 300}},
                     QVariantMap{{"width", 900.0}, {"height", 700.0}, {"unit", 3}, {"resolution", 300}}});
    Opened o;
    auto* sizes = o.find<QComboBox>("selectCollageSizePopUp");
    auto* orientation = o.find<QComboBox>("orientationSegmentedControl");
    ASSERT_TRUE(sizes && orientation);
    EXPECT_TRUE(sizes->isEnabled());
    EXPECT_TRUE(orientation->isEnabled());
    QStringList shown;
    for (int i = 0; i < sizes->count(); ++i)
        shown << sizes->itemText(i);
    EXPECT_FALSE(shown.contains(QStringLiteral("63 X 500 pixels")));
    EXPECT_TRUE(shown.contains(QStringLiteral("900 X 700 pixels")));
    EXPECT_EQ(shown.last(), QStringLiteral("Set Custom Size"));

    // A size is one step; the popup then shows it.
    const int custom = int(shown.indexOf(QStringLiteral("900 X 700 pixels")));
    sizes->setCurrentIndex(custom);
    emit sizes->activated(custom);
    Collage& collage = *o.editor->collage();
    EXPECT_EQ(collage.width(), 900);
    EXPECT_EQ(collage.height(), 700);
    EXPECT_EQ(sizes->currentIndex(), custom);
    o.waitFor([&] { return o.doc.undoManager().groupingLevel() == 0; });
    EXPECT_EQ(o.doc.undoManager().undoActionName(), QStringLiteral("Size Change"));

    orientation->setCurrentIndex(1);
    emit orientation->activated(1);
    EXPECT_EQ(collage.width(), 700);
    EXPECT_EQ(collage.height(), 900);

    // The last entry opens the sheet with the canvas in pixels.
    sizes->setCurrentIndex(sizes->count() - 1);
    emit sizes->activated(sizes->count() - 1);
    auto* sheet = o.window->findChild<CustomSizeSheet*>(QStringLiteral("customSizePanel"));
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(o.waitFor([&] { return sheet->isVisible(); }));
    auto* width = sheet->findChild<QLineEdit*>(QStringLiteral("customSizeWidthTextField"));
    auto* unit = sheet->findChild<QComboBox*>(QStringLiteral("customWidthUnitPopUpButton"));
    auto* error = sheet->findChild<QLabel*>(QStringLiteral("customSizeErrorTextField"));
    ASSERT_TRUE(width && unit && error);
    EXPECT_EQ(width->text(), QStringLiteral("700"));
    EXPECT_EQ(unit->currentIndex(), int(SizeUnitPixels));
    width->setText(QStringLiteral("63"));
    sheet->setCustomSize();
    EXPECT_EQ(error->text(), QStringLiteral("Width should lie between 64px and 12000px"));
    EXPECT_TRUE(sheet->isVisible()) << "a refused size keeps the sheet";
    width->setText(QStringLiteral("3000"));
    unit->setCurrentIndex(SizeUnitInches);
    sheet->changeUnit(SizeUnitInches);
    EXPECT_EQ(width->text(), QStringLiteral("10"));
    // Help opens the page on custom sizes; the sheet stays.
    struct Recording final : UrlOpener {
        QList<QUrl> opened;
        bool openUrl(const QUrl& url) override
        {
            opened.append(url);
            return true;
        }
    } opener;
    {
        ScopedUrlOpener scoped(opener);
        sheet->findChild<QPushButton*>(QStringLiteral("openSizeHelpButton"))->click();
    }
    EXPECT_EQ(opener.opened, QList<QUrl>{CanvasSizes::sizeHelpAddress()});
    EXPECT_TRUE(sheet->isVisible());
    sheet->cancelCustomSize();
    EXPECT_EQ(collage.width(), 700);
    EXPECT_EQ(sizes->currentIndex(), int(o.editor->getSelectedCollageSizeIndex()));
}

} // namespace

namespace {

struct OpenSheet {
    CustomSizeSheet* sheet = nullptr;
    QLineEdit* width = nullptr;
    QLineEdit* height = nullptr;
    QLineEdit* name = nullptr;
    QComboBox* unit = nullptr;
    QLabel* error = nullptr;
};

OpenSheet openSheet(Opened& o)
{
    auto* sizes = o.find<QComboBox>("selectCollageSizePopUp");
    sizes->setCurrentIndex(sizes->count() - 1);
    emit sizes->activated(sizes->count() - 1);
    OpenSheet s;
    s.sheet = o.window->findChild<CustomSizeSheet*>(QStringLiteral("customSizePanel"));
    if (!s.sheet)
        return s;
    o.waitFor([&] { return s.sheet->isVisible(); });
    s.width = s.sheet->findChild<QLineEdit*>(QStringLiteral("customSizeWidthTextField"));
    s.height = s.sheet->findChild<QLineEdit*>(QStringLiteral("customSizeHeightTextField"));
    s.name = s.sheet->findChild<QLineEdit*>(QStringLiteral("customSizeNameTextField"));
    s.unit = s.sheet->findChild<QComboBox*>(QStringLiteral("customWidthUnitPopUpButton"));
    s.error = s.sheet->findChild<QLabel*>(QStringLiteral("customSizeErrorTextField"));
    return s;
}

} // namespace

TEST(CanvasSizeWindow, TheFieldsStayPutAsTheMessageGrows)
{
    OwnDefaults defaults;
    Opened o;
    OpenSheet s = openSheet(o);
    ASSERT_TRUE(s.sheet && s.width && s.name && s.unit && s.error);
    QApplication::processEvents();
    const QPoint nameAt = s.name->mapTo(s.sheet, QPoint());
    const int sheetHeight = s.sheet->height();
    const int errorHeight = s.error->height();
    const int lines = s.error->fontMetrics().lineSpacing();
    // The longest message there is: a side out of bounds in a physical unit.
    s.unit->setCurrentIndex(SizeUnitMm);
    s.sheet->changeUnit(SizeUnitMm);
    s.width->setText(QStringLiteral("1"));
    EXPECT_FALSE(s.sheet->validateFields());
    ASSERT_TRUE(s.error->text().startsWith(QStringLiteral("Width should lie between")));
    QApplication::processEvents();
    EXPECT_EQ(s.name->mapTo(s.sheet, QPoint()), nameAt);
    EXPECT_EQ(s.sheet->height(), sheetHeight);
    EXPECT_EQ(s.error->height(), errorHeight);
    EXPECT_GE(errorHeight, 3 * lines) << "three lines of message have room";
    // The whole message fits in that room.
    EXPECT_LE(s.error->heightForWidth(s.error->width()), errorHeight);
    s.width->setText(QStringLiteral("100"));
    EXPECT_TRUE(s.sheet->validateFields());
    QApplication::processEvents();
    EXPECT_EQ(s.name->mapTo(s.sheet, QPoint()), nameAt);
    s.sheet->cancelCustomSize();
}

TEST(CanvasSizeWindow, ConvertedSidesShowHundredthsAndKeepTheirPixels)
{
    OwnDefaults defaults;
    Opened o;
    OpenSheet s = openSheet(o);
    ASSERT_TRUE(s.sheet && s.width && s.height && s.unit);
    s.width->setText(QStringLiteral("7000"));
    s.height->setText(QStringLiteral("5000"));
    const struct {
        int unit;
        const char* width;
        const char* height;
    } rows[] = {
        {SizeUnitInches, "23.33", "16.67"},
        {SizeUnitCm, "59.27", "42.33"},
        {SizeUnitPixels, "7000", "5000"},
        {SizeUnitInches, "23.33", "16.67"},
    };
    for (const auto& row : rows) {
        s.unit->setCurrentIndex(row.unit);
        s.sheet->changeUnit(row.unit);
        EXPECT_EQ(s.width->text(), QLatin1String(row.width)) << row.unit;
        EXPECT_EQ(s.height->text(), QLatin1String(row.height)) << row.unit;
    }
    // OK in inches: the canvas gets the pixels the sides stood for.
    s.sheet->setCustomSize();
    Collage& collage = *o.editor->collage();
    EXPECT_EQ(collage.width(), 7000);
    EXPECT_EQ(collage.height(), 5000);
}

TEST(CanvasSizeWindow, ATypedSideCountsAsTyped)
{
    OwnDefaults defaults;
    Opened o;
    OpenSheet s = openSheet(o);
    ASSERT_TRUE(s.sheet && s.width && s.height && s.unit);
    s.width->setText(QStringLiteral("7000"));
    s.unit->setCurrentIndex(SizeUnitInches);
    s.sheet->changeUnit(SizeUnitInches);
    ASSERT_EQ(s.width->text(), QStringLiteral("23.33"));
    s.width->setText(QStringLiteral("20"));
    EXPECT_EQ(s.sheet->fields().width, QStringLiteral("20"));
    s.sheet->cancelCustomSize();
}

TEST(CanvasSizeWindow, ACanvasOfADeletedSizeIsStillNamed)
{
    OwnDefaults defaults;
    Opened o;
    auto* sizes = o.find<QComboBox>("selectCollageSizePopUp");
    ASSERT_TRUE(sizes);
    QString why;
    ASSERT_TRUE(o.editor->sizes().setCustomSize({"900", "700", "300", "Mine", SizeUnitPixels}, &why)) << why.toStdString();
    o.editor->sizes().updateCollageSizes();
    ASSERT_EQ(sizes->currentText(), QStringLiteral("Mine (900 X 700 pixels)"));

    // The preferences delete the user's sizes; the window comes to the front again.
    UserDefaults::standard().remove(QFCollageSize::customSizesDefaultsKey());
    o.editor->sizes().updateCollageSizes();
    EXPECT_EQ(sizes->currentText(), QStringLiteral("900 X 700 pixels"));
    EXPECT_EQ(sizes->itemText(sizes->count() - 1), QStringLiteral("Set Custom Size"));
    const QList<QFCollageSize>& list = o.editor->sizes().collageSizesArray();
    ASSERT_EQ(list.size(), sizes->count());
    EXPECT_FALSE(list[sizes->currentIndex()].customSizeCommand());

    // Another size from the popup, then the entry for the old one: it still works.
    const int own = sizes->currentIndex();
    sizes->setCurrentIndex(0);
    emit sizes->activated(0);
    Collage& collage = *o.editor->collage();
    EXPECT_NE(QSize(int(collage.width()), int(collage.height())), QSize(900, 700));
    sizes->setCurrentIndex(own);
    emit sizes->activated(own);
    EXPECT_EQ(collage.width(), 900);
    EXPECT_EQ(collage.height(), 700);
}

TEST(CanvasSizeWindow, ASquareCanvasHasNoOrientationToChoose)
{
    OwnDefaults defaults;
    Opened o;
    auto* orientation = o.find<QComboBox>("orientationSegmentedControl");
    ASSERT_TRUE(orientation);
    const struct {
        const char* width;
        const char* height;
        bool enabled;
        const char* shown;
    } rows[] = {
        {"900", "900", false, "Square"},
        {"900", "700", true, "Landscape"},
        {"700", "900", true, "Portrait"},
        {"800", "800", false, "Square"},
    };
    for (const auto& row : rows) {
        QString why;
        ASSERT_TRUE(o.editor->sizes().setCustomSize({row.width, row.height, "300", {}, SizeUnitPixels}, &why))
            << why.toStdString();
        EXPECT_EQ(orientation->isEnabled(), row.enabled) << row.width << "x" << row.height;
        EXPECT_EQ(orientation->currentText().isEmpty() ? orientation->placeholderText() : orientation->currentText(),
                  QLatin1String(row.shown))
            << row.width << "x" << row.height;
    }
}
