#include "layouts/SharedControls.h"

#include "model/Collage.h"
#include "model/CollageHost.h"

namespace qf::SharedControls {

namespace {

using Group = CommandGroup;

CollageCommand::Test selectedSlotFlag(bool (Position::*flag)() const)
{
    return [flag](const Collage& collage) {
        const PositionPtr slot = collage.selectedPosition();
        return slot && ((*slot).*flag)();
    };
}

// The pattern's rows change on a tiled background picture whose rows are
// known, down to one row.
CollageCommand patternRows(const char* name, const char* tip, const char* text, qint64 change)
{
    CollageCommand c = CollageCommand::make(name, "", "", tip, Group::Settings, "", {});
    c.title = c.buttonText = QString::fromUtf8(text);
    c.enabledKeys = {QStringLiteral("changeRowsEnabledInBackgroundPattern"),
                     QStringLiteral("backgroundImagePatternNumberOfRows")};
    const qint64 least = change > 0 ? 1 : 2;
    c.enabled = [least](const Collage& collage) {
        return collage.getChangeRowsEnabledInBackgroundPattern()
               && collage.backgroundImagePatternNumberOfRows() >= least;
    };
    c.call = [change](Collage& collage, const CommandArgument&) {
        collage.setBackgroundImagePatternNumberOfRows(collage.backgroundImagePatternNumberOfRows() + change);
        return Status::success();
    };
    return c;
}

// A command that asks the user through the editor; the answer is a step of its own.
CollageCommand asking(CollageCommand c)
{
    c.undoName.reset();
    c.spinner = false;
    return c;
}

} // namespace

QList<CollageCommand> commandsFirst()
{
    CollageCommand remove = CollageCommand::make(
        "removeSelectedPicOrTextCommandButton", "Remove Selected", "Remove", "Remove the selected picture or text",
        Group::Selected, "pictureOrTextInDrawingViewSelected", [](Collage& collage, const CommandArgument&) {
            return collage.removeSelectedTextOrPicture() ? Status::success()
                                                         : Status::failure(commandText("Nothing was removed."));
        });
    remove.followUp = CollageCommand::ReloadPictures;
    return {CollageCommand::make("shuffleCommandButton", "Shuffle", "", "A new arrangement of all pictures",
                                 Group::All, "images", CollageCommand::on(&Collage::shuffle)),
            remove,
            asking(CollageCommand::make("pickPictureForSelectedCommandButton", "Choose Picture…", "",
                                        "Choose the picture for the selected place", Group::Selected,
                                        "pictureInDrawingViewSelected", [](Collage& collage, const CommandArgument&) {
                                            if (CollageHost* host = collage.myWindowController())
                                                host->selectPictureFor(collage.selectedImagePosition());
                                            return Status::success();
                                        }))};
}

QList<CollageCommand> commandsLast()
{
    CollageCommand fillFirst = CollageCommand::make(
        "switchSelectedPrefferedToFillCommand", "Fill This Place First", "",
        "New pictures go into this empty place before the others", Group::Selected, "pictureInDrawingViewSelected",
        CollageCommand::on(&Collage::switchSelectedPrefferedToFill));
    fillFirst.checked = selectedSlotFlag(&Position::preferredToFill);
    CollageCommand hidePicker = CollageCommand::make(
        "switchSelectedHideImagePickerCommand", "Hide Picture Button", "",
        "This empty place shows no button for choosing its picture", Group::Selected, "pictureInDrawingViewSelected",
        CollageCommand::on(&Collage::switchSelectedHideImagePicker));
    hidePicker.checked = selectedSlotFlag(&Position::hideImagePicker);
    for (CollageCommand* c : {&fillFirst, &hidePicker}) {
        c->button = false;
        c->spinner = false;
    }
    CollageCommand asBackground = CollageCommand::make(
        "setSelectedPictureAsBackgroundCommandButton", "Use as Background", "Use Selected",
        "The selected picture becomes the background", Group::Selected, "nonEmptyPictureInDrawingViewSelected",
        CollageCommand::on(&Collage::setSelectedPictureAsBackground));
    asBackground.button = false;
    asBackground.followUp = CollageCommand::ShowBackground;
    return {fillFirst,
            hidePicker,
            asBackground,
            asking(CollageCommand::make("changeBackgroundImageButton", "Choose…", "",
                                        "Choose a picture file for the background", Group::Settings, "",
                                        [](Collage& collage, const CommandArgument&) {
                                            if (CollageHost* host = collage.myWindowController())
                                                host->selectBackgroundPictureFile();
                                            return Status::success();
                                        })),
            patternRows("decreaseImagePatternRowCountButton", "Fewer pattern rows", "−", -1),
            patternRows("increaseImagePatternRowCountButton", "More pattern rows", "+", 1)};
}

QList<SettingsBox> boxes()
{
    using C = SettingsControl;
    SettingsBox canvas{QStringLiteral("collageTypeControlsBox"),
                       {C::checkBox("lockPicturesCheckBox", "lockPictures", "Lock pictures",
                                    "Pictures cannot be selected or moved on the canvas"),
                        C::checkBox("lockTextCheckBox", "lockText", "Lock text",
                                    "Text cannot be selected or moved on the canvas")}};

    C pattern = C::checkBox("backgroundImageIsPatternCheckBox", "backgroundImageIsPattern", "Tile the picture",
                            "Repeat the background picture as a pattern");
    pattern.enabledKey = QStringLiteral("backgroundPictureIsPatternCheckboxEnabled");
    SettingsBox background{QStringLiteral("backgroundControlsBox"),
                           {C::colour("backgroundColorButton", "backgroundColor", "Colour", "Background Colour"),
                            C::button("changeBackgroundImageButton", "Picture"),
                            C::button("setSelectedPictureAsBackgroundCommandButton", "Picture"), pattern,
                            C::button("decreaseImagePatternRowCountButton", "Rows"),
                            C::button("increaseImagePatternRowCountButton", "Rows"),
                            C::checkBox("transparentBackgroundCheckBox", "backgroundIsTransparent", "Transparent",
                                        "No background at all in exported PNG and TIFF pictures")}};

    // Offsets and blur are fractions of a 30-unit reference on a canvas
    // 2400 units wide; y grows upwards.
    QList<C> shadow{C::checkBox("drawShadowCheckBox", "drawShadow", "Drop shadows under pictures"),
                    C::slider("shadowXSlider", "shadowX", "Across", -1.0, 1.0),
                    C::slider("shadowYSlider", "shadowY", "Up", -1.0, 1.0),
                    C::slider("shadowBlurSlider", "shadowBlur", "Blur", 0.0, 1.0)};
    for (qsizetype i = 1; i < shadow.size(); ++i)
        shadow[i].enabledKey = QStringLiteral("drawShadow");
    return {canvas, background, {QStringLiteral("shadowControlsBox"), shadow}};
}

} // namespace qf::SharedControls
