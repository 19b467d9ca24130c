#include "platform/widgets/windows/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace qf;

namespace {

// A 1400 x 900 screen with a 30-pixel panel on top.
const QRect kAvailable(0, 30, 1400, 870);
const QSize kFrame(1190, 790);
constexpr int kStep = WindowPlacement::kCascadeStep;

TEST(WindowPlacement, CascadeStepsDownUntilTheScreenEndsThenStartsAgain)
{
    const struct {
        const char* name;
        std::optional<QRect> last;
        QSize frame;
        QPoint expected;
    } cases[] = {
        {"no window yet", std::nullopt, kFrame, kAvailable.topLeft()},
        {"room for one step", QRect(QPoint(0, 30), kFrame), kFrame, QPoint(kStep, 30 + kStep)},
        {"the bottom edge reached exactly", QRect(QPoint(40, 82), kFrame), kFrame, QPoint(40 + kStep, 82 + kStep)},
        {"one pixel below the bottom", QRect(QPoint(40, 83), kFrame), kFrame, kAvailable.topLeft()},
        {"past the right edge", QRect(QPoint(200, 30), kFrame), kFrame, kAvailable.topLeft()},
        {"a last window moved off the area", QRect(QPoint(-500, 30), QSize(400, 300)), QSize(400, 300),
         kAvailable.topLeft()},
        {"a small window by the bottom-right", QRect(QPoint(1000, 600), QSize(400, 300)), QSize(400, 300),
         kAvailable.topLeft()},
        {"a frame larger than the screen", QRect(QPoint(0, 30), QSize(1500, 1000)), QSize(1500, 1000),
         kAvailable.topLeft()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QPoint at = WindowPlacement::cascaded(kAvailable, c.last, c.frame);
        EXPECT_EQ(at, c.expected);
    }
    // Every window of a long cascade stays on the screen.
    std::optional<QRect> last;
    for (int i = 0; i < 40; ++i) {
        const QRect frame(WindowPlacement::cascaded(kAvailable, last, kFrame), kFrame);
        EXPECT_TRUE(kAvailable.contains(frame)) << i;
        last = frame;
    }
}

TEST(WindowPlacement, CentredOnAWindowAndKeptOnTheScreen)
{
    const QSize size(400, 200);
    const struct {
        const char* name;
        QRect over;
        QPoint expected;
    } cases[] = {
        {"a window in the middle", QRect(300, 200, 600, 400), QPoint(400, 300)},
        {"the screen itself", kAvailable, QPoint(500, 365)},
        {"a window by the top-left corner", QRect(-100, 0, 300, 100), kAvailable.topLeft()},
        {"a window by the bottom-right corner", QRect(1300, 850, 300, 100), QPoint(1000, 700)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowPlacement::centred(kAvailable, c.over, size), c.expected);
    }
}

} // namespace
