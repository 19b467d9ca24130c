#include "editor/window/CropSheet.h"
#include "editor/window/FotoloomWindow.h"
#include "editor/window/OnScreenDrawingView.h"

#include "editor/FotoloomController.h"
#include "layouts/CollageTypes.h"
#include "layouts/pile/RegularPileCollage.h"
#include "platform/undo/UndoManager.h"

#include "editorwindow/OpenedWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

using namespace qf;
using qf::test::Opened;

namespace {

// A pile with two pictures, the first one selected.
void makePileWithSelectedPicture(Opened& o)
{
    o.editor->setCollageMaker(QStringLiteral("pile"), [] { return std::make_shared<RegularPileCollage>(); });
    o.editor->changeCollageType(CollageTypes::indexOf(QStringLiteral("pile")));
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : o.write(2))
        urls << QUrl::fromLocalFile(path);
    mime.setUrls(urls);
    o.drop(o.find<OnScreenDrawingView>("onScreenDrawingView"), mime, QPointF(2, 2));
    ASSERT_TRUE(o.waitFor([&] { return o.editor->collage()->images().size() == 2; }));
    o.editor->collage()->setSelectedImagePosition(0);
    QApplication::processEvents();
}

} // namespace

TEST(CropWindow, ArrangeCropOpensTheSheetAndCropIsOneStep)
{
    Opened o;
    auto* action = o.find<QAction>("cropSelectedCommandButton");
    ASSERT_TRUE(action);
    makePileWithSelectedPicture(o);
    ASSERT_EQ(o.editor->collage()->collageType(), QStringLiteral("pile"));
    EXPECT_TRUE(action->isVisible());
    EXPECT_TRUE(action->isEnabled());

    action->trigger();
    auto* sheet = o.window->findChild<CropSheet*>();
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(o.waitFor([&] { return sheet->isVisible(); }));
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(sheet->findChild<QPushButton*>(QStringLiteral("removeCropButton"))->isVisibleTo(sheet))
        << "a photo's crop can be removed";
    EXPECT_TRUE(sheet->findChild<QLabel*>(QStringLiteral("cropRatioLabel"))->text().startsWith("Width/Height: "));
    ASSERT_TRUE(sheet->cropController().isLaidOut());

    // A narrower frame, taken with Crop.
    CropImageController& crop = sheet->cropController();
    const QRectF picture = crop.drawInRect();
    crop.setFrame(QRectF(0, 0, picture.width() / 2, picture.height()));
    const qint64 steps = o.doc.undoManager().changeCount();
    QPointer<CropSheet> guard(sheet);
    sheet->findChild<QPushButton*>(QStringLiteral("cropButton"))->click();
    ASSERT_TRUE(o.waitFor([&] { return !guard || !guard->isVisible(); }));
    o.waitFor([&] { return o.doc.undoManager().groupingLevel() == 0; });

    const PositionPtr slot = o.editor->collage()->picturePositions().at(0);
    ASSERT_TRUE(slot->panZoomValue());
    EXPECT_NEAR(slot->panZoomValue()->cx(), 0.25, 1e-9);
    EXPECT_NEAR(slot->panZoomValue()->l(), 0.5, 1e-9);
    EXPECT_GT(o.doc.undoManager().changeCount(), steps);
    o.doc.undoManager().undo();
    EXPECT_FALSE(o.editor->collage()->picturePositions().at(0)->panZoomValue()) << "one step";
}

TEST(CropWindow, CancelChangesNothingAndCropNeedsAPicture)
{
    Opened o;
    makePileWithSelectedPicture(o);
    auto* action = o.find<QAction>("cropSelectedCommandButton");
    action->trigger();
    auto* sheet = o.window->findChild<CropSheet*>();
    ASSERT_TRUE(sheet);
    const qint64 steps = o.doc.undoManager().changeCount();
    QPointer<CropSheet> guard(sheet);
    sheet->findChild<QPushButton*>(QStringLiteral("cancelCropButton"))->click();
    ASSERT_TRUE(o.waitFor([&] { return !guard || !guard->isVisible(); }));
    EXPECT_EQ(o.doc.undoManager().changeCount(), steps);
    EXPECT_FALSE(o.editor->collage()->picturePositions().at(0)->panZoomValue());

    o.editor->collage()->setSelectedImagePosition(-1);
    QApplication::processEvents();
    EXPECT_FALSE(action->isEnabled());
}
