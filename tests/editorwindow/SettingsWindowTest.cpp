// The settings side of the editor window as a user works it: typed counts,
// slider and colour drags, the commands that follow the selection, the size
// and orientation popups, and alerts raised while a document opens. Run once
// offscreen and once in a real X server.
#include "editorwindow/OpenedWindow.h"

#include "model/Collage.h"
#include "model/QFCollageSize.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/graphics/Color.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QWindow>

using namespace qf;
using qf::test::Opened;

namespace {

// The window's events until the by-event undo group has closed.
void settle(const Opened& o)
{
    for (int i = 0; i < 20 && o.doc.undoManager().groupingLevel() > 0; ++i)
        QApplication::processEvents();
    QApplication::processEvents();
}

void type(QWidget* field, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + c.digitValue(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
    }
}

qint64 count(const Opened& o, const char* key)
{
    return o.editor->collage()->valueForKey(QLatin1String(key)).toLongLong();
}

void press(QWidget* w, QEvent::Type type)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(SettingsWindow, ATypedCountAppliesOnceWhenTypingEndsAndTheArrowsAtOnce)
{
    Opened o;
    settle(o);
    o.doc.undoManager().removeAllActions();
    auto* rows = o.find<QSpinBox>("rowCountStepper");
    ASSERT_TRUE(rows && rows->isEnabled());
    rows->setFocus();
    rows->selectAll();
    type(rows, QStringLiteral("12"));
    // Half typed, nothing applied: "1" would have raised the columns.
    EXPECT_EQ(count(o, "rowCount"), 2);
    EXPECT_EQ(count(o, "columnCount"), 2);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(rows, &enter);
    EXPECT_EQ(count(o, "rowCount"), 12);
    EXPECT_EQ(count(o, "columnCount"), 2);
    settle(o);
    o.doc.undoManager().undo();
    EXPECT_EQ(count(o, "rowCount"), 2);
    EXPECT_FALSE(o.doc.undoManager().canUndo());

    rows->stepUp();
    EXPECT_EQ(count(o, "rowCount"), 3);
}

TEST(SettingsWindow, ASliderDragIsOneUndoStepAndAKeyIsOne)
{
    Opened o;
    settle(o);
    o.doc.undoManager().removeAllActions();
    auto* slider = o.find<QSlider>("spacingSlider");
    const double before = o.editor->collage()->spacing();
    // What a drag does to a slider: down, positions, up.
    slider->setSliderDown(true);
    for (int v : {60, 90, 120, 150})
        slider->setSliderPosition(v);
    slider->setSliderDown(false);
    settle(o);
    EXPECT_DOUBLE_EQ(o.editor->collage()->spacing(), 0.15);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    QApplication::sendEvent(slider, &up);
    settle(o);
    EXPECT_GT(o.editor->collage()->spacing(), 0.15);
    o.doc.undoManager().undo();
    EXPECT_DOUBLE_EQ(o.editor->collage()->spacing(), 0.15);
    o.doc.undoManager().undo();
    EXPECT_DOUBLE_EQ(o.editor->collage()->spacing(), before);
    EXPECT_FALSE(o.doc.undoManager().canUndo());
}

TEST(SettingsWindow, ColourPanelsSetTheCollageOneStepADragAndFollowUndo)
{
    Opened o;
    const QString picture = o.write(1).first();
    o.editor->intake().setBackgroundPictureFile(picture);
    // Read on a worker thread; the collage takes it in a later event.
    ASSERT_TRUE(o.waitFor([&] { return o.editor->collage()->backgroundIsImage(); }));
    settle(o);
    o.doc.undoManager().removeAllActions();

    auto* border = o.find<QPushButton>("borderColorButton");
    ASSERT_TRUE(border->isEnabled());
    border->click();
    auto* panel = o.window->findChild<QColorDialog*>(QStringLiteral("borderColorPanel"));
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_FALSE(panel->isModal());
    // A drag in the panel: every colour on the way is one step.
    press(panel, QEvent::MouseButtonPress);
    for (const QColor c : {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200)})
        panel->setCurrentColor(c);
    press(panel, QEvent::MouseButtonRelease);
    settle(o);
    EXPECT_EQ(o.editor->collage()->borderColor().toQColor().rgb(), QColor(0, 0, 200).rgb());
    o.doc.undoManager().undo();
    EXPECT_EQ(o.editor->collage()->borderColor(), Color::white());
    // The panel follows the collage the undo made.
    EXPECT_EQ(panel->currentColor().rgb(), QColor(Qt::white).rgb());

    // A background colour replaces the background picture.
    o.find<QPushButton>("backgroundColorButton")->click();
    auto* background = o.window->findChild<QColorDialog*>(QStringLiteral("backgroundColorPanel"));
    ASSERT_TRUE(background);
    background->setCurrentColor(QColor(10, 20, 30));
    settle(o);
    EXPECT_FALSE(o.editor->collage()->backgroundIsImage());
    EXPECT_TRUE(o.editor->collage()->backgroundImagePath().isEmpty());
    panel->close();
    background->close();
}

TEST(SettingsWindow, ChoosePictureFollowsTheSelectionAndShuffleThePictures)
{
    Opened o;
    auto* choose = o.find<QPushButton>("pickPictureForSelectedPositionButton");
    auto* shuffle = o.window->findChild<QAction*>(QStringLiteral("actionShuffle"));
    EXPECT_FALSE(choose->isEnabled());
    EXPECT_FALSE(shuffle->isEnabled());

    o.editor->intake().addImagesFromDirectoriesOrFiles(o.write(3));
    ASSERT_TRUE(o.waitFor([&] { return o.editor->collage()->images().size() == 3; }));
    EXPECT_TRUE(shuffle->isEnabled());
    o.editor->collage()->setSelectedImagePosition(3);
    EXPECT_TRUE(choose->isEnabled());
    choose->click();
    QApplication::processEvents();
    auto* files = o.window->findChild<QFileDialog*>();
    ASSERT_TRUE(files && files->isVisible());
    files->reject();
    settle(o);

    o.doc.undoManager().removeAllActions();
    shuffle->trigger();
    settle(o);
    EXPECT_TRUE(o.doc.undoManager().canUndo());
    o.editor->collage()->setSelectedImagePosition(-1);
    EXPECT_FALSE(choose->isEnabled());
}

TEST(SettingsWindow, SizeAndOrientationPopupsShowTheCollageAsItIs)
{
    // No custom size of an earlier run: the list is the standard one.
    UserDefaults::standard().remove(QFCollageSize::customSizesDefaultsKey());
    Opened o;
    auto* sizes = o.find<QComboBox>("selectCollageSizePopUp");
    auto* orientation = o.find<QComboBox>("orientationSegmentedControl");
    Collage& collage = *o.editor->collage();
    EXPECT_EQ(orientation->currentIndex(), 0);

    // A size the list does not know shows none; once known, it shows.
    collage.setWidth(5000);
    collage.setHeight(4000);
    EXPECT_EQ(sizes->currentIndex(), -1);
    const QFCollageSize own(5000, 4000, SizeUnitPixels, collage.resolution(), true);
    o.editor->sizes().addCustomSize(own);
    ASSERT_GE(sizes->currentIndex(), 0);
    EXPECT_EQ(sizes->count(), o.editor->sizes().collageSizesArray().size());
    EXPECT_EQ(sizes->currentText(), o.editor->sizes().collageSizesArray()[sizes->currentIndex()].displayName());

    collage.setWidth(3000);
    EXPECT_EQ(orientation->currentIndex(), 1);
    collage.setWidth(4000);
    EXPECT_EQ(orientation->currentIndex(), -1);
}

TEST(SettingsWindow, MenusAreValidatedByTheCoreAsTheyOpen)
{
    Opened o;
    auto* item = o.window->findChild<QAction*>(QStringLiteral("actionSwitchSavePreviewImage"));
    ASSERT_TRUE(item);
    auto* file = o.window->findChild<QMenu*>(QStringLiteral("menuFile"));
    ASSERT_TRUE(file);
    item->trigger();
    item->setChecked(false); // what the core says wins when the menu opens
    emit file->aboutToShow();
    EXPECT_TRUE(o.editor->savePreviewImage());
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(item->isEnabled());
}

TEST(SettingsWindow, AnAlertMadeBeforeItsWindowShowsOpensAboveIt)
{
    Opened o(false);
    o.window->showAlertSheet({QStringLiteral("Something went wrong"), QStringLiteral("Details"), {}, {}});
    QApplication::processEvents();
    auto* sheet = o.window->findChild<QMessageBox*>();
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(sheet->isVisible()) << "waits for its window";
    o.window->show();
    ASSERT_TRUE(o.waitFor([&] { return sheet->isVisible(); }));
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->parentWidget(), o.window.data());
    ASSERT_TRUE(sheet->windowHandle());
    EXPECT_EQ(sheet->windowHandle()->transientParent(), o.window->windowHandle());
    sheet->accept();
}

} // namespace

TEST(SettingsWindow, ThePictureTabHintFitsTheSelection)
{
    Opened o;
    auto* hint = o.find<QLabel>("pictureHintLabel");
    ASSERT_TRUE(hint);
    o.editor->intake().addImagesFromDirectoriesOrFiles(o.write(3));
    ASSERT_TRUE(o.waitFor([&] { return o.editor->collage()->images().size() == 3; }));
    Collage& collage = *o.editor->collage();
    qint64 full = -1, empty = -1;
    for (qsizetype i = 0; i < collage.picturePositions().size(); ++i)
        (collage.picturePositions()[i]->isEmpty() ? empty : full) = i;
    ASSERT_GE(full, 0);
    ASSERT_GE(empty, 0);
    const struct {
        qint64 selected;
        const char* hint;
    } rows[] = {
        {-1, "Click a picture on the canvas to change it."},
        {full, "Choose another picture for the selected place, or remove it."},
        {empty, "Choose a picture for the selected place."},
        {-1, "Click a picture on the canvas to change it."},
    };
    for (const auto& row : rows) {
        collage.setSelectedImagePosition(row.selected);
        EXPECT_EQ(hint->text(), QLatin1String(row.hint)) << row.selected;
    }
}
