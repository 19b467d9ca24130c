#pragma once

#include "platform/services/ApplicationLookup.h"

namespace qf {

// Applications as the desktop lists them: a desktop entry named after the
// identifier in the applications folders. Opening goes through `gio launch`.
class DesktopApplicationLookup : public ApplicationLookup {
public:
    bool hasApplication(const QString& identifier) const override;
    bool openFileWithApplication(const QString& path, const QString& application) override;

private:
    static QString desktopEntry(const QString& identifier);
};

} // namespace qf
