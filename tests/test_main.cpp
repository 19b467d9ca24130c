#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLocale>
#include <QStandardPaths>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                   : qgetenv("QT_QPA_PLATFORM"));
    // Settings and caches go to a throw-away place, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale::c());
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("QuiltfolioTests"));
    QGuiApplication::setApplicationName(QStringLiteral("quiltfolio-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
