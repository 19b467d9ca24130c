#pragma once

#include "model/PanZoomPos.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace qf {

// The texts of an alert sheet, already localised.
struct AlertText {
    QString message;
    QString informativeText;
    QString button;
    QString otherButton{}; // a second button that cancels; empty for none
};

// What the editor's core asks of its window. The window built from the
// layout implements it; tests fake it. Every call returns at once: sheets are
// window-modal and opened without a nested event loop, so an undo group open
// at the time is not ended early.
class EditorWindow {
public:
    virtual ~EditorWindow() = default;

    // The document cannot be shown; `ended` runs once the user dismissed the
    // sheet (the core then closes the document).
    virtual void showCouldNotOpenSheet(const AlertText& alert, std::function<void()> ended) = 0;
    // Pictures of the collage were dropped because the store lacks them.
    virtual void showMissingPicturesSheet(const AlertText& alert) = 0;

    // The canvas draws again at the next paint; that draw stops the spinner.
    virtual void setCanvasNeedsDisplay() = 0;
    virtual void startSpinner() = 0;
    // A draw that is no canvas draw (printing) finished.
    virtual void stopSpinner() {}
    // The picture list shows the current collage's pictures again.
    virtual void reloadPictureList() = 0;
    // The side panel shows its tab (1 pictures, 2 text), and the text
    // editor takes the keyboard: a click on the canvas selected a picture or
    // a text item.
    virtual void selectTab(int /*tab*/) {}
    virtual void focusTextEditor() {}
    // What a new text item says: it points to where this window's text
    // editor is. Empty keeps the collage's own.
    virtual QString newTextHint() const { return {}; }
    // The settings panel matches the current collage's type.
    virtual void enableRightControlsAndPositionThem() = 0;
    // The canvas keeps the current collage's aspect within its container.
    virtual void updateDrawingViewFrame() = 0;
    // The background picture well; a null image shows none.
    virtual void showBackgroundImage(const QImage& image) = 0;
    // An alert sheet with one button.
    virtual void showAlertSheet(const AlertText&) {}
    // Files of an add being read: `done` of `total`; a total of 0 ends the display.
    virtual void showAddingPicturesProgress(qsizetype /*done*/, qsizetype /*total*/) {}

    // Export: the saving sheet covers the window while a picture renders;
    // it is on screen (painted) when showSavingSheet() returns. While it is
    // on, the window takes no user input and does not close, so the core may
    // run events under it.
    virtual void showSavingSheet() {}
    virtual void hideSavingSheet() {}
    // How far the render under the saving sheet is: `done` of `total`.
    virtual void showSavingProgress(qsizetype /*done*/, qsizetype /*total*/) {}
    // A sheet with the alert's two buttons; `ended` is told whether the
    // default button (not the other one) was chosen.
    virtual void showChoiceSheet(const AlertText& /*alert*/, std::function<void(bool)> /*ended*/) {}
    // The crop sheet for the selected picture: its drawing image, the slot's
    // width over height, its crop window, whether that aspect is fixed and
    // the slot's outline. The answer goes to the controller's
    // cropSelectedTo or removeCropFromSelected.
    virtual void showCropSheet(const QImage& /*image*/, double /*widthToHeight*/,
                               const std::optional<PanZoomPos>& /*crop*/, bool /*constrainAspect*/,
                               qint64 /*shape*/)
    {
    }
};

} // namespace qf
