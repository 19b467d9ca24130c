#include "editor/window/FotoloomWindow.h"
#include "editor/window/OnScreenDrawingView.h"
#include "editor/window/PictureListView.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "platform/undo/UndoManager.h"

#include "TestPictures.h"
#include "editorwindow/OpenedWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QUrl>

using namespace qf;
using qf::test::md5;
using qf::test::Opened;
using qf::test::png;

TEST(PictureWindow, FilesDroppedOnTheCanvasArriveAsOneStepAndShowInTheList)
{
    Opened o;
    auto* canvas = o.find<OnScreenDrawingView>("onScreenDrawingView");
    auto* list = o.find<PictureListView>("imageBrowser");
    ASSERT_TRUE(canvas && list && list->model());
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : o.write(3))
        urls << QUrl::fromLocalFile(path);
    mime.setUrls(urls);
    o.drop(canvas, mime, QPointF(2, 2));
    ASSERT_TRUE(o.waitFor([&] { return o.editor->collage()->images().size() == 3; }));
    EXPECT_EQ(list->model()->rowCount(), 3);
    EXPECT_FALSE(o.find<QProgressBar>("progressIndicator")->maximum() > 0
                 && o.find<QProgressBar>("progressIndicator")->isVisible());
    EXPECT_TRUE(o.find<QLabel>("addingPicturesLabel")->text().isEmpty());

    // Delete in the list removes the selected picture, one named step.
    QApplication::processEvents();
    list->setCurrentIndex(list->model()->index(1, 0));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(list, &del);
    EXPECT_EQ(o.editor->collage()->images().size(), 2);
    EXPECT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(o.doc.undoManager().undoActionName(), QStringLiteral("Remove Pictures"));
    o.doc.undoManager().undo();
    o.doc.undoManager().undo();
    EXPECT_TRUE(o.editor->collage()->images().isEmpty());
}

TEST(PictureWindow, PicturesFromApplicationsShowTheHelpAndFilesDroppedOnTheListAreAdded)
{
    Opened o;
    auto* canvas = o.find<OnScreenDrawingView>("onScreenDrawingView");
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.invalid/photo.jpg"))});
    o.drop(canvas, web, QPointF(5, 5));
    QApplication::processEvents();
    auto* sheet = o.window->findChild<QMessageBox*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->text(), QStringLiteral("Add Pictures from either Photos app or iPhoto"));
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(o.editor->collage()->images().isEmpty());
    sheet->accept();

    auto* list = o.find<PictureListView>("imageBrowser");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(o.write(1).first())});
    int dropped = 0;
    QObject::connect(list, &PictureListView::filesDropped, [&dropped] { ++dropped; });
    o.drop(list->viewport(), files, QPointF(3, 3));
    EXPECT_EQ(dropped, 1);
    ASSERT_TRUE(o.waitFor([&] { return o.editor->collage()->images().size() == 1; }));
}

TEST(PictureWindow, ArrowKeysOnAGridRecordNothingAndTheSortPopupReturnsToItsTitle)
{
    Opened o;
    auto* canvas = o.find<OnScreenDrawingView>("onScreenDrawingView");
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(canvas, &press);
    }
    QApplication::processEvents();
    EXPECT_FALSE(o.doc.undoManager().canUndo());

    auto* sort = o.find<QComboBox>("sortPicturesPopupButton");
    ASSERT_EQ(sort->count(), 5);
    EXPECT_TRUE(sort->isEnabled());
    emit sort->activated(2);
    EXPECT_EQ(sort->currentIndex(), 0);
}

TEST(PictureWindow, DeleteOnTheCanvasIsAStepOnlyWithoutModifiers)
{
    Opened o;
    auto* canvas = o.find<OnScreenDrawingView>("onScreenDrawingView");
    QKeyEvent shifted(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier);
    QApplication::sendEvent(canvas, &shifted);
    QApplication::processEvents();
    EXPECT_FALSE(o.doc.undoManager().canUndo());

    // Nothing selected: the collage changes nothing, but the key press is a step.
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(canvas, &plain);
    QApplication::processEvents();
    EXPECT_TRUE(o.doc.undoManager().canUndo());
}
