#pragma once

#include "layouts/CollageCommand.h"
#include "layouts/CollageTypes.h"
#include "platform/core/Status.h"

#include <QList>
#include <QObject>
#include <QString>

namespace qf {

class EditorSession;
class PanZoomPos;

// Runs the commands of the current collage as their rows declare them, and
// the few changes the canvas and the crop sheet ask for, each one undo step.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    explicit CommandRunner(EditorSession& session);

    // The current collage's commands: its type's and every type's share.
    QList<const CollageCommand*> commands() const;
    bool isCommandEnabled(const QString& name) const;
    // Runs a command of the current collage by name: its undo step, the
    // spinner, the call and what the window shows again afterwards. A name
    // the type lacks, or a command not enabled now, does nothing and records
    // nothing; typed text the collage refuses records nothing either (it is
    // tried on a copy first). The failure says why.
    Status runCommand(const QString& name, const CommandArgument& argument = {});
    // The delete key: the command that removes the selected picture or
    // text, one step even without a selection; true when something went.
    bool removeSelectedPictureOrText();
    // A click beside the canvas: nothing selected any more (one step).
    void deselectAll();
    // The crop sheet's answers for the selected picture: its aspect and crop
    // window, or no crop (one step each).
    void cropSelectedTo(double widthToHeight, const PanZoomPos& crop);
    void removeCropFromSelected();
    // An arrow key: the selected picture moves a little where the type
    // nudges; the opposite nudge is the undo. Types without nudging record nothing.
    void nudge(Nudge direction);

private:
    // A command's step, spinner, call and follow-up, without its guard.
    Status perform(const CollageCommand& command, const CommandArgument& argument);

    EditorSession& m_session;
};

} // namespace qf
