#pragma once

#include <QString>

#include <memory>

namespace qf {

// Finds installed applications by identifier and opens files with them.
// Tests answer through a fake; the desktop's own lookup is desktopLookup().
class ApplicationLookup {
public:
    virtual ~ApplicationLookup() = default;

    // Whether an application with that identifier is installed.
    virtual bool hasApplication(const QString& identifier) const = 0;
    // Opens the file with the named application; false when it could not.
    virtual bool openFileWithApplication(const QString& path, const QString& application) = 0;

    // The lookup of this desktop.
    static std::shared_ptr<ApplicationLookup> desktopLookup();
};

} // namespace qf
