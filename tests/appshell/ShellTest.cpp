#include "app/shell/CustomSizesEraser.h"
#include "app/shell/QFApplicationDelegate.h"
#include "app/shell/QFPreferencesWindowController.h"
#include "app/shell/ShellPreferences.h"
#include "model/QFCollageSize.h"
#include "model/UtilityFunctions.h"
#include "platform/defaults/UserDefaults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantMap>

using namespace qf;

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        UserDefaults::standard().useFile(m_dir.filePath(QStringLiteral("defaults.ini")));
    }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }

    static UserDefaults& defaults() { return UserDefaults::standard(); }

private:
    QTemporaryDir m_dir;
};

struct FakeWindows final : ShellWindows {
    int* modalRuns;
    int* preferencesShown;
    int* newsletterRuns;
    FakeWindows(int* m, int* p, int* n) : modalRuns(m), preferencesShown(p), newsletterRuns(n) {}
    void runGettingStartedModal() override { ++*modalRuns; }
    void showPreferences() override { ++*preferencesShown; }
    void runSubscribeToNlModal() override { ++*newsletterRuns; }
};

struct Launch {
    int modalRuns = 0;
    int preferencesShown = 0;
    int newsletterRuns = 0;
    QFApplicationDelegate delegate{std::make_unique<FakeWindows>(&modalRuns, &preferencesShown, &newsletterRuns)};
};

TEST_F(ShellTest, launchShowsGettingStartedModallyUnlessTurnedOff)
{
    {
        Launch fresh;
        fresh.delegate.applicationDidFinishLaunching();
        EXPECT_EQ(fresh.modalRuns, 1);
        EXPECT_EQ(fresh.preferencesShown, 0);
    }
    defaults().setValue(ShellPreferences::dontShowGetStartedKey(), true);
    {
        Launch off;
        off.delegate.applicationDidFinishLaunching();
        EXPECT_EQ(off.modalRuns, 0);
        // The menu action still shows it.
        off.delegate.showGettingStartedWindow();
        EXPECT_EQ(off.modalRuns, 1);
    }
    // Anything but a boolean YES counts as absent.
    defaults().setValue(ShellPreferences::dontShowGetStartedKey(), QStringLiteral("banana"));
    {
        Launch odd;
        odd.delegate.applicationDidFinishLaunching();
        EXPECT_EQ(odd.modalRuns, 1);
    }
}

TEST_F(ShellTest, preferencesAreShownNotRunModally)
{
    Launch launch;
    launch.delegate.showPreferencesWindow();
    EXPECT_EQ(launch.preferencesShown, 1);
    EXPECT_EQ(launch.modalRuns, 0);
}

TEST_F(ShellTest, newsletterMenuActionRunsOnlyTheNewsletterWindow)
{
    Launch launch;
    launch.delegate.showSubscribeToNlWindow();
    EXPECT_EQ(launch.newsletterRuns, 1);
    EXPECT_EQ(launch.modalRuns, 0);
    EXPECT_EQ(launch.preferencesShown, 0);
}

TEST_F(ShellTest, gettingStartedPreferenceWritesTheKeyTheLaunchReads)
{
    ShellPreferences::setShowsGettingStartedAtLaunch(false);
    EXPECT_EQ(defaults().value(QStringLiteral("dontShowGetStarted1")), QVariant(true));
    EXPECT_FALSE(ShellPreferences::showsGettingStartedAtLaunch());
    ShellPreferences::setShowsGettingStartedAtLaunch(true);
    EXPECT_TRUE(ShellPreferences::showsGettingStartedAtLaunch());
}

struct RecordingProgress final : CustomSizesEraser::Progress {
    QList<int> values;
    bool hidden = false;
    bool sizesPresentWhenHidden = false;
    void showAtZero() override { values.append(0); }
    void showValue(int value) override { values.append(value); }
    void hideProgress() override
    {
        hidden = true;
        sizesPresentWhenHidden = UserDefaults::standard().contains(QFCollageSize::customSizesDefaultsKey());
    }
};

TEST_F(ShellTest, deletingCustomSizesRunsTheProgressThenRemovesThemAll)
{
    QVariantMap record;
    record.insert(QStringLiteral("width"), 1000.0);
    record.insert(QStringLiteral("height"), 800.0);
    defaults().setValue(QFCollageSize::customSizesDefaultsKey(), QVariantList{record, record});
    defaults().setValue(QStringLiteral("dontShowGetStarted1"), true);
    ASSERT_EQ(QFCollageSize::userDefinedSizes().size(), 2);

    RecordingProgress progress;
    CustomSizesEraser::run(progress);

    ASSERT_EQ(progress.values.size(), 101);
    for (int i = 0; i <= 100; ++i)
        EXPECT_EQ(progress.values[i], i);
    EXPECT_TRUE(progress.hidden);
    EXPECT_TRUE(progress.sizesPresentWhenHidden);
    EXPECT_FALSE(defaults().contains(QFCollageSize::customSizesDefaultsKey()));
    EXPECT_TRUE(QFCollageSize::userDefinedSizes().isEmpty());
    // Only the sizes go.
    EXPECT_TRUE(defaults().contains(QStringLiteral("dontShowGetStarted1")));
}

TEST_F(ShellTest, deletingWithNoCustomSizesOnlyRunsTheProgress)
{
    RecordingProgress progress;
    CustomSizesEraser::run(progress);
    EXPECT_EQ(progress.values.size(), 101);
    EXPECT_TRUE(progress.hidden);
    EXPECT_FALSE(defaults().contains(QFCollageSize::customSizesDefaultsKey()));
}

TEST_F(ShellTest, firstTimeSetupClearsRecentDocumentsOnce)
{
    int clears = 0;
    const auto clear = [&clears] { ++clears; };
    UtilityFunctions::doFirstTimeSetup(clear);
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(defaults().value(QStringLiteral("fotoloom_first_time_setup_v3_0")), QVariant(true));
    EXPECT_EQ(defaults().value(QStringLiteral("com.quiltfolio.mac.firstsetupv4_0")), QVariant(true));

    UtilityFunctions::doFirstTimeSetup(clear);
    EXPECT_EQ(clears, 1);
}

TEST_F(ShellTest, firstTimeSetupLooksOnlyAtAbsence)
{
    int clears = 0;
    // A stored NO is not absent: nothing is cleared and nothing rewritten.
    defaults().setValue(QStringLiteral("fotoloom_first_time_setup_v3_0"), false);
    UtilityFunctions::doFirstTimeSetup([&clears] { ++clears; });
    EXPECT_EQ(clears, 0);
    EXPECT_EQ(defaults().value(QStringLiteral("fotoloom_first_time_setup_v3_0")), QVariant(false));
    // The second marker is set on its own.
    EXPECT_EQ(defaults().value(QStringLiteral("com.quiltfolio.mac.firstsetupv4_0")), QVariant(true));
}

TEST(ShellKeys, imageSaveCountKeyIsPerRelease)
{
    EXPECT_EQ(UtilityFunctions::imageSaveCountKey(QStringLiteral("x.y"), QStringLiteral("2.1")),
              QStringLiteral("x.y.imagesavecount_2.1"));
    EXPECT_EQ(UtilityFunctions::currentVersionImageSaveCountKey(),
              UtilityFunctions::applicationIdentifier() + QStringLiteral(".imagesavecount_") + QStringLiteral(QF_VERSION));
}

TEST(ShellKeys, sandboxIsAnySetContainerId)
{
    const QByteArray name("APP_SANDBOX_CONTAINER_ID");
    qunsetenv(name.constData());
    EXPECT_FALSE(UtilityFunctions::isRunningInSandbox());
    qputenv(name.constData(), QByteArray());
    EXPECT_TRUE(UtilityFunctions::isRunningInSandbox());
    qunsetenv(name.constData());
}

} // namespace

// With the last document gone nothing in the shell opens one: the shell's
// windows close and the application quits.
TEST(ShellQuit, lastDocumentClosedClosesThePreferencesAndQuits)
{
    QFApplicationDelegate delegate;
    delegate.showPreferencesWindow();
    QWidget* preferences = QFPreferencesWindowController::sharedPreferencesWindowController();
    ASSERT_TRUE(preferences->isVisible());

    QTimer::singleShot(0, &delegate, &QFApplicationDelegate::lastDocumentClosed);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0) << "the application did not quit";
    EXPECT_FALSE(preferences->isVisible());
}

// The preferences open over the window they were asked from, inside the
// screen, not in the screen's corner.
TEST(ShellQuit, preferencesOpenCentredOnTheActiveWindow)
{
    QWidget document;
    document.resize(600, 400);
    document.move(300, 200);
    document.show();
    document.activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &document);
    QWidget* preferences = QFPreferencesWindowController::sharedPreferencesWindowController();
    preferences->close();
    QFApplicationDelegate().showPreferencesWindow();
    EXPECT_TRUE(preferences->isVisible());
    // Within the width of a window frame.
    const QPoint offCentre = preferences->frameGeometry().center() - document.frameGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 8) << offCentre.x() << "," << offCentre.y();
    preferences->close();
}
