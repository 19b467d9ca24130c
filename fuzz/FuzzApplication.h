#pragma once

#include <QGuiApplication>
#include <QStandardPaths>

#include <memory>

namespace qf::fuzz {

// Text needs fonts and fonts need a GUI application: one offscreen for the
// whole run, with settings kept out of the user's own store.
inline void startGuiApplication(const char* name)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name), nullptr};
    static auto app = std::make_unique<QGuiApplication>(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("QuiltfolioFuzz"));
}

} // namespace qf::fuzz
