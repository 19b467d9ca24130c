#include "OpenedWindow.h"

#include "editor/window/ShareMenu.h"
#include "platform/files/PrivateTemporaryFolder.h"
#include "platform/services/ShareService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

using namespace qf;

namespace {

class TitledService : public ShareService {
public:
    explicit TitledService(QString name) : m_name(std::move(name)) {}
    QString name() const override { return m_name; }
    QString title() const override { return m_name.section(u'.', -1); }
    bool canPerformWithItems(const ShareItems&) const override { return true; }
    void performWithItems(const ShareItems&, Finished finished) override { finished(true, {}); }
    QString m_name;
};

class Registry : public ShareServiceRegistry {
public:
    QStringList names;
    std::shared_ptr<ShareService> serviceNamed(const QString& name) const override
    {
        return names.contains(name) ? std::make_shared<TitledService>(name) : nullptr;
    }
};

// Fires only when the test moves its clock.
class StepCall : public DelayedCall {
public:
    qint64* now;
    qint64 due = 0;
    std::function<void()> call;
    explicit StepCall(qint64* clock) : now(clock) {}
    void start(std::chrono::milliseconds delay, std::function<void()> c) override { due = *now + delay.count(), call = std::move(c); }
    void cancel() override { call = {}; }
};

TEST(ShareWindow, MenuOffersTheMachinesServicesAndTheNoticeHidesAfterTheLastOne)
{
    test::Opened opened;
    opened.editor->exporter().setTemporaryFolder(
        std::make_shared<PrivateTemporaryFolder>(opened.tmp.filePath(QStringLiteral("shared"))));
    auto* share = opened.window->findChild<ShareMenu*>();
    ASSERT_NE(share, nullptr);
    auto registry = std::make_shared<Registry>();
    share->setRegistry(registry);
    auto* button = opened.find<QToolButton>("shareFromToolbarButton");
    EXPECT_FALSE(button->isEnabled());
    // Greyed, the button says what the machine lacks.
    EXPECT_TRUE(button->toolTip().contains("xdg-email")) << button->toolTip().toStdString();
    EXPECT_TRUE(button->toolTip().contains("desktop picture")) << button->toolTip().toStdString();

    registry->names = {ShareServiceNames::addToPhotos, ShareServiceNames::useAsDesktopPicture,
                       ShareServiceNames::composeEmail};
    share->setRegistry(registry);
    QStringList titles;
    for (QAction* item : opened.find<QMenu>("shareMenu")->actions())
        titles << item->text();
    EXPECT_EQ(titles, (QStringList{"email", "Set Desktop Picture", "photos"}));
    EXPECT_TRUE(button->isEnabled());
    EXPECT_FALSE(button->toolTip().contains("needs"));

    qint64 now = 0;
    auto step = std::make_unique<StepCall>(&now);
    StepCall* clock = step.get();
    share->setDelayedCall(std::move(step));
    const auto moveTo = [&](qint64 time) {
        now = time;
        if (clock->call && clock->due <= now)
            std::exchange(clock->call, {})();
    };
    QWidget* view = opened.find<QWidget>("notificationView");
    QWidget* canvas = opened.find<QWidget>("QFDrawingContainerView");
    EXPECT_FALSE(view->isVisible());
    QApplication::processEvents();
    const QRect canvasBefore = canvas->geometry();
    share->sharing().share(CollageSharing::Entry::DesktopPicture);
    EXPECT_TRUE(view->isVisible());
    // The notice floats over the top of the canvas, which stays where it was.
    QApplication::processEvents();
    EXPECT_EQ(canvas->geometry(), canvasBefore);
    EXPECT_EQ(view->parentWidget(), canvas->parentWidget());
    EXPECT_TRUE(canvas->geometry().contains(view->geometry())) << "over the canvas";
    EXPECT_LT(view->geometry().top() - canvas->geometry().top(), canvas->height() / 4) << "at its top";
    EXPECT_EQ(view->parentWidget()->children().last(), view) << "in front of the canvas";
    EXPECT_EQ(opened.find<QLabel>("notificationStringTextField")->text(), "Set as Desktop Picture");
    moveTo(1000);
    share->sharing().share(CollageSharing::Entry::Photos);
    EXPECT_EQ(opened.find<QLabel>("notificationStringTextField")->text(), "Added to Photos");
    moveTo(2999);
    EXPECT_TRUE(view->isVisible());
    moveTo(3000);
    EXPECT_FALSE(view->isVisible());
}

} // namespace
