// Which settings boxes and command buttons the editor window shows for each
// collage type, in order, and the type boxes' controls acting on the collage.
#include "editorwindow/OpenedWindow.h"

#include "editor/window/FlowLayout.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QJsonObject>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QLayout>
#include <QPushButton>

using namespace qf;
using qf::test::Opened;

namespace {

void switchTo(Opened& o, const char* type)
{
    // The window opens on a grid; piles are made again from here on.
    for (const CollageType& row : CollageTypes::all())
        o.editor->setCollageMaker(row.type, row.maker);
    o.editor->changeCollageType(CollageTypes::indexOf(QLatin1String(type)));
    QApplication::processEvents();
    ASSERT_EQ(o.editor->collage()->collageType(), QLatin1String(type));
}

// The names of the layout's widgets shown, in order, one space apart; a
// command row ends at its first spacer after the first widget.
QString shown(QWidget* container, bool untilSpacer)
{
    QStringList names;
    QLayout* layout = container->layout();
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (untilSpacer && item->spacerItem() && !names.isEmpty())
            break;
        if (QWidget* w = item->widget(); w && w->isVisibleTo(container))
            names << w->objectName();
    }
    return names.join(QLatin1Char(' '));
}

QString names(const QString& text)
{
    return text.simplified();
}

const char* const kPileAll = "spreadoutCommandButton spreadoutToGridCommandButton ";
const char* const kPileSizes = "increaseAllInSizeCommandButton decreaseAllInSizeCommandButton "
                               "equateAllInSizeCommandButton rotateAllTo0CommandButton ";
const char* const kPileSelected =
    "cropSelectedCommandButton moveSelectedUpCommandButton moveSelectedDownCommandButton "
    "increaseSelectedInSizeCommandButton decreaseSelectedInSizeCommandButton rotateSelected0CommandButton "
    "rotateSelectedAnticlockwiseCommandButton rotateSelectedClockwiseCommandButton "
    "makeSelectedEmptyCommandButton removeCropFromSelectedCommandButton ";

TEST(TypePanelsWindow, EachTypeShowsItsBoxesAndCommandsInOrder)
{
    const QString all = QStringLiteral("allLabel shuffleCommandButton ");
    const QString selected = QStringLiteral(
        "verticalCommandSeparatorLine selectedLabel removeSelectedPicOrTextCommandButton pickPictureForSelectedCommandButton ");
    const QString split = QStringLiteral("splitSelectedAlongWidthCommandButton splitSelectedAlongHeightCommandButton ");
    const struct {
        const char* type;
        QString layoutBox;
        QString bordersBox;
        QString commands;
        QString boxButtons; // command buttons inside the layout box
    } rows[] = {
        {"grid", "gridLayoutControlsBox", "mosaicPictureBordersControlsBox", all + selected, ""},
        {"pile", "pileLayoutControlsBox", "regularPilePictureBordersControlsBox",
         all + kPileAll + "spreadoutToMosaicCommandButton " + kPileSizes + selected + kPileSelected, ""},
        {"circlepile", "pileLayoutControlsBox", "circlePilePictureBordersControlsBox",
         all + kPileAll + kPileSizes + "changeShapeAllPopupButton " + selected + kPileSelected +
             "shapeChangeSelectedPopupButton",
         ""},
        {"mosaic", "mosaicLayoutControlsBox", "mosaicPictureBordersControlsBox",
         all + "shuffleInPlaceCommandButton bestFitCommandButton " + selected + split,
         "setPositionsOnZigMosaicButton"},
        {"centerframe", "centeredLayoutControlsBox", "mosaicPictureBordersControlsBox",
         all + "shuffleInPlaceCommandButton " + selected + split + "setSelectedAsCenterCommandButton", ""},
        {"zigmosaic", "mosaicLayoutControlsBox", "mosaicPictureBordersControlsBox",
         all + "shuffleInPlaceCommandButton " + selected, "setPositionsOnZigMosaicButton"},
        {"hexagon", "hexagonLayoutControlsBox", "mosaicPictureBordersControlsBox", all + selected,
         "increasePositionsCommandButton decreasePositionsCommandButton"},
    };
    Opened o;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        switchTo(o, row.type);
        EXPECT_EQ(shown(o.find<QWidget>("settingsOptionsContainerStackView"), false).toStdString(),
                  QStringList({"collageTypeControlsBox", row.layoutBox, row.bordersBox, "backgroundControlsBox",
                               "shadowControlsBox"}).join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(shown(o.find<QWidget>("commandContainerStackView"), true).toStdString(),
                  names(row.commands).toStdString());
        auto* box = o.find<QWidget>(row.layoutBox.toLatin1());
        QStringList inBox;
        for (auto* button : box->findChildren<QAbstractButton*>())
            if (button->isVisibleTo(box) && button->objectName().endsWith(QLatin1String("Button")))
                inBox << button->objectName();
        EXPECT_EQ(inBox.join(QLatin1Char(' ')).toStdString(), names(row.boxButtons).toStdString());
    }
}

TEST(TypePanelsWindow, TypeBoxControlsChangeTheCollageOneUndoStepEach)
{
    const struct {
        const char* type;
        const char* button;
        const char* key; // a flag the click turns over, or empty for the cell count
    } rows[] = {
        {"pile", "instantCameraBorderCheckBox", "instantCameraBorder"},
        {"pile", "stampBorderCheckBox", "stampBorder"},
        {"centerframe", "centerSymmetricCheckBox", "symmetric"},
        {"hexagon", "increasePositionsCommandButton", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        Opened o;
        switchTo(o, row.type);
        const auto state = [&] {
            const Collage& c = *o.editor->collage();
            return *row.key ? c.valueForKey(QLatin1String(row.key)).toLongLong()
                            : (c.valueForKey(QStringLiteral("rowCount")).toLongLong() *
                           c.valueForKey(QStringLiteral("columnCount")).toLongLong());
        };
        const QVariant before = state();
        auto* button = o.find<QAbstractButton>(row.button);
        ASSERT_TRUE(button && button->isEnabled());
        button->click();
        QApplication::processEvents();
        EXPECT_NE(state(), before);
        o.doc.undoManager().undo();
        QApplication::processEvents();
        EXPECT_EQ(state(), before);
    }
}

} // namespace

TEST(TypePanelsWindow, TheCommandRowWrapsInsteadOfSqueezingItsButtons)
{
    QWidget bar;
    auto* flow = new FlowLayout(&bar, 6);
    flow->setContentsMargins(0, 0, 0, 0);
    QList<QPushButton*> buttons;
    for (int i = 0; i < 3; ++i) {
        buttons << new QPushButton(&bar);
        buttons.last()->setFixedSize(100, 20);
        flow->addWidget(buttons.last());
    }
    EXPECT_EQ(flow->heightForWidth(400), 20) << "one row when there is room";
    EXPECT_EQ(flow->heightForWidth(250), 46) << "two rows of 20 and the gap";
    flow->setGeometry(QRect(0, 0, 250, 46));
    EXPECT_EQ(buttons[2]->geometry(), QRect(75, 26, 100, 20)) << "the second row centred";
    EXPECT_EQ(buttons[0]->width(), 100) << "never squeezed";
}

TEST(TypePanelsWindow, EveryControlOfEveryBoxWritesItsKeyAsOneUndoStep)
{
    using Kind = SettingsControl::Kind;
    for (const CollageType& type : CollageTypes::all()) {
        Opened o;
        switchTo(o, type.type.toLatin1().constData());
        const auto snapshot = [&o] { return o.editor->collage()->dictionaryRepresentationActual(false); };
        int operated = 0;
        for (const SettingsBox* box : CollageTypes::boxesOf(type.type)) {
            for (const SettingsControl& control : box->controls) {
                SCOPED_TRACE((type.type + QLatin1Char(' ') + control.name).toStdString());
                auto* widget = o.window->findChild<QWidget*>(control.name);
                ASSERT_TRUE(widget) << "every row has its control";
                EXPECT_TRUE(widget->isVisibleTo(o.window));
                if (!widget->isEnabled() || control.key.isEmpty())
                    continue;
                const QVariant before = o.editor->collage()->valueForKey(control.key);
                const QJsonObject was = snapshot();
                if (auto* check = qobject_cast<QCheckBox*>(widget)) {
                    check->click();
                } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
                    slider->setValue(slider->value() == slider->maximum() ? slider->minimum() : slider->maximum());
                } else if (auto* popup = qobject_cast<QComboBox*>(widget)) {
                    const int other = popup->currentIndex() == 0 ? 1 : 0;
                    popup->setCurrentIndex(other);
                    emit popup->activated(other);
                } else if (auto* stepper = qobject_cast<QSpinBox*>(widget)) {
                    stepper->setValue(stepper->value() + 1);
                } else {
                    EXPECT_TRUE(control.kind == Kind::Colour || control.kind == Kind::Label) << "not operated";
                    continue;
                }
                QApplication::processEvents();
                ++operated;
                EXPECT_NE(o.editor->collage()->valueForKey(control.key), before);
                o.doc.undoManager().undo();
                QApplication::processEvents();
                EXPECT_EQ(snapshot(), was);
            }
        }
        // The locks, transparency, the shadow and its three sliders at least.
        EXPECT_GE(operated, 7) << type.type.toStdString();
    }
}

TEST(TypePanelsWindow, CellPositionsTypedInTheirSheetReplaceTheCellsAsOneStep)
{
    Opened o;
    switchTo(o, "zigmosaic");
    const QJsonObject before = o.editor->collage()->dictionaryRepresentationActual(false);
    auto* button = o.find<QAbstractButton>("setPositionsOnZigMosaicButton");
    ASSERT_TRUE(button && button->isEnabled());
    button->click();
    auto* sheet = o.find<QDialog>("setEmptyZigMosaicPositionsPanel");
    ASSERT_TRUE(sheet);
    auto* text = sheet->findChild<QPlainTextEdit*>(QStringLiteral("zigMosaicPositionsTextView"));
    // Refused text keeps the sheet open and changes nothing.
    text->setPlainText(QStringLiteral("[[[0,0],[1,0]]]"));
    const auto press = [sheet](const QString& title) {
        for (auto* b : sheet->findChildren<QPushButton*>())
            if (b->text() == title)
                b->click();
    };
    press(QStringLiteral("Done"));
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(o.editor->collage()->dictionaryRepresentationActual(false), before);
    press(QStringLiteral("Copy Sample"));
    press(QStringLiteral("Done"));
    QApplication::processEvents();
    EXPECT_EQ(o.editor->collage()->picturePositions().size(), 4);
    o.doc.undoManager().undo();
    EXPECT_EQ(o.editor->collage()->dictionaryRepresentationActual(false), before);
}

TEST(TypePanelsWindow, TheArrangeMenuHoldsTheTypesCommandsWithTheirCheckmarks)
{
    Opened o;
    for (const CollageType& type : CollageTypes::all()) {
        SCOPED_TRACE(type.type.toStdString());
        switchTo(o, type.type.toLatin1().constData());
        QStringList expected;
        for (const CommandGroup group : {CommandGroup::All, CommandGroup::Selected})
            for (const CollageCommand* command : CollageTypes::commandsOf(type.type))
                if (command->group == group)
                    expected << command->name;
        auto* menu = o.find<QMenu>("menuArrange");
        ASSERT_TRUE(menu);
        emit menu->aboutToShow();
        QStringList items;
        for (QAction* item : menu->actions())
            if (!item->isSeparator())
                items << item->objectName();
        EXPECT_EQ(items, expected);
    }
    // A flag of the selected place shows as a checkmark, and its item turns it over.
    o.editor->intake().addImagesFromDirectoriesOrFiles(o.write(2));
    ASSERT_TRUE(o.waitFor([&o] { return !o.editor->collage()->images().isEmpty(); }));
    o.editor->collage()->setSelectedImagePosition(0);
    auto* fillFirst = o.find<QAction>("switchSelectedPrefferedToFillCommand");
    ASSERT_TRUE(fillFirst && fillFirst->isEnabled());
    EXPECT_FALSE(fillFirst->isChecked());
    fillFirst->trigger();
    emit o.find<QMenu>("menuArrange")->aboutToShow();
    EXPECT_TRUE(o.editor->collage()->picturePositions()[0]->preferredToFill());
    EXPECT_TRUE(fillFirst->isChecked());
}
