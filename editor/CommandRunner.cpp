#include "editor/CommandRunner.h"

#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"
#include "model/Collage.h"
#include "platform/undo/UndoManager.h"

#include <QPointer>

namespace qf {

CommandRunner::CommandRunner(EditorSession& session)
    : m_session(session)
{
}

QList<const CollageCommand*> CommandRunner::commands() const
{
    return CollageTypes::commandsOf(m_session.collage()->collageType());
}

bool CommandRunner::isCommandEnabled(const QString& name) const
{
    const Collage& collage = *m_session.collage();
    const CollageCommand* command = CollageTypes::command(collage.collageType(), name);
    return command && command->call && command->isEnabled(collage);
}

Status CommandRunner::runCommand(const QString& name, const CommandArgument& argument)
{
    const CollageCommand* command = CollageTypes::command(m_session.collage()->collageType(), name);
    if (!command || !command->call)
        return Status::failure(tr("This collage has no such command."), name);
    if (!command->isEnabled(*m_session.collage()))
        return Status::failure(tr("The command cannot be used now."), name);
    return perform(*command, argument);
}

Status CommandRunner::perform(const CollageCommand& command, const CommandArgument& argument)
{
    Collage& collage = *m_session.collage();
    if (command.input == CommandInput::CellText) {
        // Tried on a copy first, so that text the collage refuses records no step.
        const std::shared_ptr<Collage> trial = m_session.getNewCollageFor(collage.collageType());
        if (trial)
            trial->setMyPropertiesFrom(collage.dictionaryRepresentationActual(false));
        const Status tried = trial ? command.call(*trial, argument)
                                   : Status::failure(tr("These positions cannot be used for this collage."));
        if (!tried)
            return tried;
    }
    if (command.undoName)
        m_session.makeDocumentDirty(*command.undoName);
    EditorWindow* window = m_session.window();
    if (command.spinner && window)
        window->startSpinner();
    const Status done = command.call(collage, argument);
    if (window) {
        if (command.followUp & CollageCommand::ReloadPictures)
            window->reloadPictureList();
        if (command.followUp & CollageCommand::ShowBackground)
            window->showBackgroundImage(collage.backgroundImage());
    }
    m_session.setOnscreenDrawingViewNeedsDisplay();
    return done;
}

bool CommandRunner::removeSelectedPictureOrText()
{
    // The key works whatever is selected: one step even when nothing goes.
    const CollageCommand* remove = CollageTypes::command(m_session.collage()->collageType(),
                                                         QStringLiteral("removeSelectedPicOrTextCommandButton"));
    return remove && perform(*remove, {}).ok();
}

void CommandRunner::deselectAll()
{
    m_session.makeDocumentDirty();
    m_session.collage()->deselectAll();
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

void CommandRunner::cropSelectedTo(double widthToHeight, const PanZoomPos& crop)
{
    m_session.change([widthToHeight, crop](Collage& c) { c.cropSelectedTo(widthToHeight, crop); });
}

void CommandRunner::removeCropFromSelected()
{
    m_session.change([](Collage& c) { c.removeCropFromSelected(); });
}

void CommandRunner::nudge(Nudge direction)
{
    Collage& collage = *m_session.collage();
    const CollageType* type = CollageTypes::find(collage.collageType());
    if (!type || !type->nudge || !type->nudge(collage, direction))
        return;
    static constexpr Nudge opposite[] = {Nudge::Down, Nudge::Up, Nudge::Right, Nudge::Left};
    // Registered during an undo, the opposite becomes the redo.
    const QPointer<CommandRunner> self(this);
    const Nudge back = opposite[int(direction)];
    m_session.undoManager().registerUndo([self, back] {
        if (self)
            self->nudge(back);
    });
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

} // namespace qf
