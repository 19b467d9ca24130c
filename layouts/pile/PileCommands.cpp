// What the pile types offer the editor: their commands and boxes.
#include "layouts/pile/AdvancedShapePileCollage.h"
#include "layouts/pile/RegularPileCollage.h"

namespace qf {

namespace {

CollageCommand forAll(const char* name, const char* title, const char* buttonText, const char* toolTip,
                      CollageCommand::Call call)
{
    return CollageCommand::make(name, title, buttonText, toolTip, CommandGroup::All, "images", std::move(call));
}

// A command on the selected picture; `onPicture`: only when the selected
// place shows one.
CollageCommand selected(const char* name, const char* title, const char* buttonText, const char* toolTip,
                        CollageCommand::Call call, QKeySequence shortcut = {}, bool onPicture = false)
{
    CollageCommand c = CollageCommand::make(
        name, title, buttonText, toolTip, CommandGroup::Selected,
        onPicture ? "nonEmptyPictureInDrawingViewSelected" : "pictureInDrawingViewSelected", std::move(call));
    c.shortcut = shortcut;
    return c;
}

} // namespace

QList<CollageCommand> PileCollage::commandsForAll(const CollageCommand::Call& spreadAsMosaic)
{
    QList<CollageCommand> commands{
        forAll("spreadoutCommandButton", "Spread Out", "Spread", "Lay the pictures out afresh, side by side",
               CollageCommand::on(&PileCollage::spreadout)),
        forAll("spreadoutToGridCommandButton", "Spread as Grid", "To Grid", "Lay the pictures out on a grid",
               CollageCommand::on(&PileCollage::spreadoutToGrid))};
    if (spreadAsMosaic)
        commands.append(forAll("spreadoutToMosaicCommandButton", "Spread as Mosaic", "To Mosaic",
                               "Lay the pictures out as a mosaic", spreadAsMosaic));
    commands << forAll("increaseAllInSizeCommandButton", "All Bigger", "Larger", "Make every picture larger",
                       CollageCommand::on(&PileCollage::increaseAllInSize))
             << forAll("decreaseAllInSizeCommandButton", "All Smaller", "Smaller", "Make every picture smaller",
                       CollageCommand::on(&PileCollage::decreaseAllInSize))
             << forAll("equateAllInSizeCommandButton", "All the Same Size", "Same Size",
                       "Give every picture the same size", CollageCommand::on(&PileCollage::equateAllInSize))
             << forAll("rotateAllTo0CommandButton", "All Upright", "Straighten", "Turn every picture upright",
                       CollageCommand::on(&PileCollage::setAllRotationsZero));
    return commands;
}

QList<CollageCommand> PileCollage::commandsForSelected()
{
    CollageCommand crop = selected("cropSelectedCommandButton", "Crop…", "Crop", "Crop the selected picture",
                                   CollageCommand::on(&PileCollage::cropSelected), {}, true);
    crop.undoName.reset(); // the sheet's answer is the step
    crop.spinner = false;
    CollageCommand empty =
        selected("makeSelectedEmptyCommandButton", "Make Empty", "Empty", "Take the picture out and keep its place",
                 CollageCommand::on(&PileCollage::makeSelectedEmpty), {}, true);
    empty.followUp = CollageCommand::ReloadPictures;
    return {crop,
            selected("moveSelectedUpCommandButton", "Bring to Front", "Front", "Bring the selected picture to the front",
                     CollageCommand::on(&PileCollage::moveSelectedUp), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up)),
            selected("moveSelectedDownCommandButton", "Send to Back", "Back", "Send the selected picture to the back",
                     CollageCommand::on(&PileCollage::moveSelectedDown),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down)),
            selected("increaseSelectedInSizeCommandButton", "Bigger", "Larger", "Make the selected picture larger",
                     CollageCommand::on(&PileCollage::increaseSelectedInSize), QKeySequence(Qt::CTRL | Qt::Key_Equal)),
            selected("decreaseSelectedInSizeCommandButton", "Smaller", "Smaller", "Make the selected picture smaller",
                     CollageCommand::on(&PileCollage::decreaseSelectedInSize), QKeySequence(Qt::CTRL | Qt::Key_Minus)),
            selected("rotateSelected0CommandButton", "Upright", "Straighten", "Turn the selected picture upright",
                     CollageCommand::on(&PileCollage::rotateSelectedToZero)),
            selected("rotateSelectedAnticlockwiseCommandButton", "Turn Left 1°", "Rotate Left",
                     "Turn the selected picture one degree to the left",
                     CollageCommand::on(&PileCollage::rotateSelectedAntiClockwise),
                     QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)),
            selected("rotateSelectedClockwiseCommandButton", "Turn Right 1°", "Rotate Right",
                     "Turn the selected picture one degree to the right",
                     CollageCommand::on(&PileCollage::rotateSelectedClockwise),
                     QKeySequence(Qt::CTRL | Qt::Key_BracketRight)),
            empty,
            selected("removeCropFromSelectedCommandButton", "Remove Crop", "Uncrop",
                     "Show the selected picture whole again", CollageCommand::on(&Collage::removeCropFromSelected), {},
                     true)};
}

SettingsBox PileCollage::layoutBox()
{
    SettingsControl hint;
    hint.name = QStringLiteral("pileLayoutHintLabel");
    hint.label = commandText("Drag pictures to move them; the two handles beside a selected picture resize and turn it.");
    return {QStringLiteral("pileLayoutControlsBox"), {hint}};
}

QList<SettingsControl> PileCollage::frameControls()
{
    // The frame's width is the spacing (0.08 x spacing x the diagonal).
    return {SettingsControl::slider("pileFrameSlider", "spacing", "Frame", 0.0, maxSpacing()),
            SettingsControl::colour("pileFrameColorButton", "borderColor", "Colour", "Frame Colour")};
}

bool PileCollage::nudge(Collage& collage, Nudge direction)
{
    auto* pile = dynamic_cast<PileCollage*>(&collage);
    if (!pile)
        return false;
    switch (direction) {
    case Nudge::Up: return pile->moveSelectedPositionUp();
    case Nudge::Down: return pile->moveSelectedPositionDown();
    case Nudge::Left: return pile->moveSelectedPositionLeft();
    case Nudge::Right: return pile->moveSelectedPositionRight();
    }
    return false;
}

QList<CollageCommand> RegularPileCollage::commands()
{
    return commandsForAll(CollageCommand::on(&RegularPileCollage::spreadoutToMosaic)) + commandsForSelected();
}

SettingsBox RegularPileCollage::bordersBox()
{
    return {QStringLiteral("regularPilePictureBordersControlsBox"),
            frameControls()
                << SettingsControl::checkBox("instantCameraBorderCheckBox", "instantCameraBorder", "Instant camera frame")
                << SettingsControl::checkBox("stampBorderCheckBox", "stampBorder", "Stamp frame")};
}

QList<CollageCommand> AdvancedShapePileCollage::commands()
{
    // Shapes in menu order: the plain photo (-1), then 0..8.
    const QStringList shapes{commandText("Photo"),   commandText("Oval"),    commandText("Square"),
                             commandText("Diamond"), commandText("Hexagon"), commandText("Upright Hexagon"),
                             commandText("Heart"),   commandText("Octagon"), commandText("Triangle"),
                             commandText("Upside-down Triangle")};
    const auto shapeMenu = [&shapes](CollageCommand c, const char* name, const char* title, const char* toolTip,
                                     void (AdvancedShapePileCollage::*change)(qint64)) {
        c.name = QLatin1String(name);
        c.title = commandText(title);
        c.buttonText = commandText("Shape");
        c.toolTip = commandText(toolTip);
        c.shortcut = {};
        c.input = CommandInput::Choice;
        c.choices = shapes;
        c.call = CollageCommand::withValue(change, -1);
        return c;
    };
    QList<CollageCommand> forAll = commandsForAll();
    forAll.append(shapeMenu(forAll.first(), "changeShapeAllPopupButton", "All Shapes", "The outline of every picture",
                            &AdvancedShapePileCollage::shapeChangeAllTo));
    QList<CollageCommand> forSelected = commandsForSelected();
    forSelected.append(shapeMenu(forSelected.first(), "shapeChangeSelectedPopupButton", "Shape",
                                 "The outline of the selected picture", &AdvancedShapePileCollage::shapeChangeSelectedTo));
    forSelected.last().undoName = QString();
    forSelected.last().spinner = true;
    return forAll + forSelected;
}

SettingsBox AdvancedShapePileCollage::bordersBox()
{
    return {QStringLiteral("circlePilePictureBordersControlsBox"), frameControls()};
}

} // namespace qf
