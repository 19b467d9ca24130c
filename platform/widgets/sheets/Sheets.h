#pragma once

class QDialog;
class QWidget;

namespace qf {

// Opens a dialog as a sheet of its window: window-modal (application-modal
// without a window), deleted when it closes, opened without a nested event
// loop, and above the window. A window not shown yet (an alert raised while
// its document opens) gets the sheet once it is shown, so a window manager
// never stacks the window over it.
void openSheet(QDialog* dialog, QWidget* window);

} // namespace qf
