#pragma once

#include "layouts/CollageCommand.h"
#include "layouts/SettingsControl.h"

#include <QList>

namespace qf::SharedControls {

// What every collage type offers, around its own commands: first Shuffle,
// Remove and Choose Picture, which begin the command row's two parts; last
// the commands of the selected place and of the background.
QList<CollageCommand> commandsFirst();
QList<CollageCommand> commandsLast();

// The boxes every type shows after its own, with their controls.
QList<SettingsBox> boxes();

} // namespace qf::SharedControls
