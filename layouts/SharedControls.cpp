#include "layouts/SharedControls.h"

#include "model/Collage.h"
#include "model/CollageHost.h"

namespace qf::SharedControls {

namespace {

using Kind = SettingsControl::Kind;

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
    CollageCommand c;
    c.name = QLatin1String(name);
    c.title = c.buttonText = QString::fromUtf8(text);
    c.toolTip = commandText(tip);
    c.group = CommandGroup::Settings;
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

} // namespace

QList<CollageCommand> commandsFirst()
{
    CollageCommand shuffle;
    shuffle.name = QStringLiteral("shuffleCommandButton");
    shuffle.title = shuffle.buttonText = commandText("Shuffle");
    shuffle.toolTip = commandText("A new arrangement of all pictures");
    shuffle.enabledKeys = {QStringLiteral("images")};
    shuffle.call = CollageCommand::on(&Collage::shuffle);

    CollageCommand remove;
    remove.name = QStringLiteral("removeSelectedPicOrTextCommandButton");
    remove.title = commandText("Remove Selected");
    remove.buttonText = commandText("Remove");
    remove.toolTip = commandText("Remove the selected picture or text");
    remove.group = CommandGroup::Selected;
    remove.enabledKeys = {QStringLiteral("pictureOrTextInDrawingViewSelected")};
    remove.followUp = CollageCommand::ReloadPictures;
    remove.call = [](Collage& collage, const CommandArgument&) {
        return collage.removeSelectedTextOrPicture() ? Status::success()
                                                     : Status::failure(commandText("Nothing was removed."));
    };

    CollageCommand pick;
    pick.name = QStringLiteral("pickPictureForSelectedCommandButton");
    pick.title = pick.buttonText = commandText("Choose Picture…");
    pick.toolTip = commandText("Choose the picture for the selected place");
    pick.group = CommandGroup::Selected;
    pick.enabledKeys = {QStringLiteral("pictureInDrawingViewSelected")};
    pick.undoName.reset(); // the picture chosen is a step of its own
    pick.spinner = false;
    pick.call = [](Collage& collage, const CommandArgument&) {
        if (CollageHost* host = collage.myWindowController())
            host->selectPictureFor(collage.selectedImagePosition());
        return Status::success();
    };
    return {shuffle, remove, pick};
}

QList<CollageCommand> commandsLast()
{
    CollageCommand fillFirst;
    fillFirst.name = QStringLiteral("switchSelectedPrefferedToFillCommand");
    fillFirst.title = commandText("Fill This Place First");
    fillFirst.toolTip = commandText("New pictures go into this empty place before the others");
    fillFirst.group = CommandGroup::Selected;
    fillFirst.button = false;
    fillFirst.enabledKeys = {QStringLiteral("pictureInDrawingViewSelected")};
    fillFirst.spinner = false;
    fillFirst.checked = selectedSlotFlag(&Position::preferredToFill);
    fillFirst.call = CollageCommand::on(&Collage::switchSelectedPrefferedToFill);

    CollageCommand hidePicker = fillFirst;
    hidePicker.name = QStringLiteral("switchSelectedHideImagePickerCommand");
    hidePicker.title = commandText("Hide Picture Button");
    hidePicker.toolTip = commandText("This empty place shows no button for choosing its picture");
    hidePicker.checked = selectedSlotFlag(&Position::hideImagePicker);
    hidePicker.call = CollageCommand::on(&Collage::switchSelectedHideImagePicker);

    CollageCommand asBackground;
    asBackground.name = QStringLiteral("setSelectedPictureAsBackgroundCommandButton");
    asBackground.title = commandText("Use as Background");
    asBackground.buttonText = commandText("Use Selected");
    asBackground.toolTip = commandText("The selected picture becomes the background");
    asBackground.group = CommandGroup::Selected;
    asBackground.button = false;
    asBackground.enabledKeys = {QStringLiteral("nonEmptyPictureInDrawingViewSelected")};
    asBackground.followUp = CollageCommand::ShowBackground;
    asBackground.call = CollageCommand::on(&Collage::setSelectedPictureAsBackground);

    CollageCommand choose;
    choose.name = QStringLiteral("changeBackgroundImageButton");
    choose.title = choose.buttonText = commandText("Choose…");
    choose.toolTip = commandText("Choose a picture file for the background");
    choose.group = CommandGroup::Settings;
    choose.undoName.reset(); // the file chosen is a step of its own
    choose.spinner = false;
    choose.call = [](Collage& collage, const CommandArgument&) {
        if (CollageHost* host = collage.myWindowController())
            host->selectBackgroundPictureFile();
        return Status::success();
    };

    return {fillFirst,
            hidePicker,
            asBackground,
            choose,
            patternRows("decreaseImagePatternRowCountButton", "Fewer pattern rows", "−", -1),
            patternRows("increaseImagePatternRowCountButton", "More pattern rows", "+", 1)};
}

QList<SettingsBox> boxes()
{
    const auto checkBox = [](const char* name, const char* key, const char* label, const char* tip) {
        SettingsControl c;
        c.kind = Kind::CheckBox;
        c.name = QLatin1String(name);
        c.key = QLatin1String(key);
        c.label = commandText(label);
        c.toolTip = commandText(tip);
        return c;
    };
    const auto button = [](const char* command, const char* label) {
        SettingsControl c;
        c.kind = Kind::Button;
        c.name = c.command = QLatin1String(command);
        c.label = commandText(label);
        return c;
    };
    const auto slider = [](const char* name, const char* key, const char* label, double minimum, double maximum) {
        SettingsControl c;
        c.kind = Kind::Slider;
        c.name = QLatin1String(name);
        c.key = QLatin1String(key);
        c.label = commandText(label);
        c.minimum = minimum;
        c.maximum = maximum;
        c.enabledKey = QStringLiteral("drawShadow");
        return c;
    };

    SettingsBox canvas{QStringLiteral("collageTypeControlsBox"),
                       {checkBox("lockPicturesCheckBox", "lockPictures", "Lock pictures",
                                 "Pictures cannot be selected or moved on the canvas"),
                        checkBox("lockTextCheckBox", "lockText", "Lock text",
                                 "Text cannot be selected or moved on the canvas")}};

    SettingsControl colour;
    colour.kind = Kind::Colour;
    colour.name = QStringLiteral("backgroundColorButton");
    colour.key = QStringLiteral("backgroundColor");
    colour.label = commandText("Colour");
    colour.title = commandText("Background Colour");
    SettingsControl pattern = checkBox("backgroundImageIsPatternCheckBox", "backgroundImageIsPattern",
                                       "Tile the picture", "Repeat the background picture as a pattern");
    pattern.enabledKey = QStringLiteral("backgroundPictureIsPatternCheckboxEnabled");
    SettingsBox background{QStringLiteral("backgroundControlsBox"),
                           {colour, button("changeBackgroundImageButton", "Picture"),
                            button("setSelectedPictureAsBackgroundCommandButton", "Picture"), pattern,
                            button("decreaseImagePatternRowCountButton", "Rows"),
                            button("increaseImagePatternRowCountButton", "Rows"),
                            checkBox("transparentBackgroundCheckBox", "backgroundIsTransparent", "Transparent",
                                     "No background at all in exported PNG and TIFF pictures")}};

    // Offsets and blur are fractions of a 30-unit reference on a canvas
    // 2400 units wide; y grows upwards.
    SettingsBox shadow{QStringLiteral("shadowControlsBox"),
                       {checkBox("drawShadowCheckBox", "drawShadow", "Drop shadows under pictures", ""),
                        slider("shadowXSlider", "shadowX", "Across", -1.0, 1.0),
                        slider("shadowYSlider", "shadowY", "Up", -1.0, 1.0),
                        slider("shadowBlurSlider", "shadowBlur", "Blur", 0.0, 1.0)}};
    return {canvas, background, shadow};
}

} // namespace qf::SharedControls
