#pragma once

#include <memory>
#include <vector>

class QWidget;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class CollageKeyBinding;
class FotoloomController;

// The canvas controls of the settings panel: the size popup (with its
// custom-size sheet), the orientation control and the pattern-row buttons
// of the background box.
namespace CanvasSizeControls {

// Enables and wires the controls of `ui`; the bindings made go to `bindings`.
void install(QWidget* window, Ui::FotoloomWindow& ui, FotoloomController& controller,
             std::vector<std::unique_ptr<CollageKeyBinding>>& bindings);

} // namespace CanvasSizeControls

} // namespace qf
