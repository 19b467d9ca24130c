#pragma once

class QWidget;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class FotoloomController;

// The canvas controls of the settings panel: the size popup (with its
// custom-size sheet) and the orientation control.
namespace CanvasSizeControls {

// Enables and wires the controls of `ui`.
void install(QWidget* window, Ui::FotoloomWindow& ui, FotoloomController& controller);

} // namespace CanvasSizeControls

} // namespace qf
