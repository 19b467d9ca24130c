#pragma once

#include "platform/core/Status.h"

#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <type_traits>

namespace qf {

class Collage;

// Where a command shows: in the command row's part for all pictures or for
// the selected one (and the Arrange menu), or only as a control of a
// settings box.
enum class CommandGroup { All, Selected, Settings };

// What a command takes besides the collage.
enum class CommandInput {
    None,
    Choice,    // the index of one of `choices` (a popup or a submenu)
    Value,     // a stepper's integer
    CellText,  // the cells typed into the positions sheet
};

// What a command is handed when it runs.
struct CommandArgument {
    qint64 value = 0;
    QString text;
};

// One command of a collage type, declared once: the editor makes its
// button, its Arrange menu item, their enabling and checkmark, and its undo
// step from this row, and runs its call on the collage.
struct CollageCommand {
    using Call = std::function<Status(Collage&, const CommandArgument&)>;
    using Test = std::function<bool(const Collage&)>;
    // What the editor shows again after the call, besides the canvas.
    enum FollowUp { Redraw = 0, ReloadPictures = 1, ShowBackground = 2 };

    // The object name of its button and of its menu item.
    QString name;
    // The menu item's title and the button's short text.
    QString title;
    QString buttonText;
    QString toolTip;
    QKeySequence shortcut;
    CommandGroup group = CommandGroup::All;
    // Keys of the collage whose changes may change `enabled`; without
    // `enabled` the first key alone decides (true, a number other than 0, a
    // list with entries). No keys: always enabled.
    QStringList enabledKeys;
    Test enabled;
    // The undo step's name: empty for an unnamed step; none when the command
    // records no step itself (it opens a sheet or a panel whose answer does).
    std::optional<QString> undoName = QString();
    bool spinner = true;
    int followUp = Redraw;
    // A button in the command row; otherwise the menu item alone (or, in the
    // Settings group, the box's control alone).
    bool button = true;
    CommandInput input = CommandInput::None;
    QStringList choices;
    // A menu item with a checkmark showing this; none: no checkmark.
    Test checked;
    Call call;

    // Whether the command may run on the collage now; a command that may
    // not does nothing and records nothing.
    bool isEnabled(const Collage& collage) const;

    // A command with its texts (translated), enabled by `enabledKey` (none:
    // always), one unnamed step with the spinner.
    static CollageCommand make(const char* name, const char* title, const char* buttonText, const char* toolTip,
                               CommandGroup group, const char* enabledKey, Call call);

    // A key's value as an enabling flag.
    static bool truthy(const QVariant& value);

    // Calls for the common shapes of operations of a type T. A collage of
    // another type is left alone.
    template <class T, class R>
    static Call on(R (T::*operation)())
    {
        return [operation](Collage& collage, const CommandArgument&) {
            if (auto* typed = dynamic_cast<T*>(&collage))
                (typed->*operation)();
            return Status::success();
        };
    }
    template <class T, class R>
    static Call withValue(R (T::*operation)(qint64), qint64 offset = 0)
    {
        return [operation, offset](Collage& collage, const CommandArgument& argument) {
            if (auto* typed = dynamic_cast<T*>(&collage))
                (typed->*operation)(argument.value + offset);
            return Status::success();
        };
    }
};

// A title or tooltip of a command or control, translated.
QString commandText(const char* text);

} // namespace qf
