#include "editorwindow/OpenedWindow.h"

#include "editor/window/CustomSizeSheet.h"
#include "platform/services/UrlOpener.h"
#include "model/Collage.h"
#include "model/QFCollageSize.h"
#include "platform/defaults/UserDefaults.h"

#include <gtest/gtest.h>

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
