#pragma once

#include <QString>

namespace qf {

// The user defaults the shell's windows read and write.
class ShellPreferences {
public:
    // YES: no getting-started window at launch. Nothing sets it but the
    // user, through the two windows' check boxes.
    static QString dontShowGetStartedKey();

    // Whether launch shows the getting-started window (the key is not YES;
    // a value of another type counts as absent).
    static bool showsGettingStartedAtLaunch();
    static void setShowsGettingStartedAtLaunch(bool show);
};

} // namespace qf
