#include <gtest/gtest.h>

#include <QLocale>
#include <QStandardPaths>

// Widget tests need a QApplication; every other suite runs with the lighter
// QGuiApplication, so that it never depends on QtWidgets.
#ifdef QF_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                   : qgetenv("QT_QPA_PLATFORM"));
    // Settings and caches go to a throw-away place, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale::c());
    TestApplication app(argc, argv);
    TestApplication::setOrganizationName(QStringLiteral("QuiltfolioTests"));
    TestApplication::setApplicationName(QStringLiteral("quiltfolio-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
