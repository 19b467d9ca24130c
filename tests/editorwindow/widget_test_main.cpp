#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>

// Widget tests: a QApplication on the offscreen platform.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                   : qgetenv("QT_QPA_PLATFORM"));
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("QuiltfolioTests"));
    QApplication::setApplicationName(QStringLiteral("quiltfolio-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
