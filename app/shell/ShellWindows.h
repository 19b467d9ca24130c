#pragma once

namespace qf {

// The shell's shared windows as the application delegate drives them; the
// real ones are QtShellWindows, tests fake them.
class ShellWindows {
public:
    virtual ~ShellWindows() = default;
    // Runs the getting-started window application-modally; returns when its
    // close button ends the loop.
    virtual void runGettingStartedModal() = 0;
    // Brings the preferences window to the front and makes it key.
    virtual void showPreferences() = 0;
    // Runs the newsletter window application-modally; returns when it closes.
    virtual void runSubscribeToNlModal() = 0;
};

} // namespace qf
