#pragma once

#include "app/shell/ShellWindows.h"

namespace qf {

// The shared windows themselves.
class QtShellWindows final : public ShellWindows {
public:
    void runGettingStartedModal() override;
    void showPreferences() override;
    void runSubscribeToNlModal() override;
};

} // namespace qf
