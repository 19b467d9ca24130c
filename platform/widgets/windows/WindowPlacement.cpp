#include "platform/widgets/windows/WindowPlacement.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace qf::WindowPlacement {

namespace {

// Inside [low, high - length] where there is room; at `low` where not.
int keptWithin(int value, int low, int high, int length)
{
    return std::max(low, std::min(value, high - length));
}

QScreen* screenFor(const QWidget* near)
{
    if (near) {
        if (QScreen* screen = QGuiApplication::screenAt(near->frameGeometry().center()))
            return screen;
        if (near->screen())
            return near->screen();
    }
    return QGuiApplication::primaryScreen();
}

// What the window manager adds around a window, known once one is framed.
QSize frameMarginsOf(const QWidget* window)
{
    if (!window)
        return {};
    return window->frameGeometry().size() - window->geometry().size();
}

QPointer<QWidget>& lastCascaded()
{
    static QPointer<QWidget> window;
    return window;
}

} // namespace

QPoint cascaded(const QRect& available, const std::optional<QRect>& lastFrame, const QSize& frameSize)
{
    const QPoint start = available.topLeft();
    if (!lastFrame)
        return start;
    const QPoint next = lastFrame->topLeft() + QPoint(kCascadeStep, kCascadeStep);
    const QRect frame(next, frameSize);
    const bool leaves = frame.right() > available.right() || frame.bottom() > available.bottom()
        || !available.contains(next);
    return leaves ? start : next;
}

QPoint centred(const QRect& available, const QRect& over, const QSize& frameSize)
{
    const int x = over.x() + (over.width() - frameSize.width()) / 2;
    const int y = over.y() + (over.height() - frameSize.height()) / 2;
    return {keptWithin(x, available.left(), available.right() + 1, frameSize.width()),
            keptWithin(y, available.top(), available.bottom() + 1, frameSize.height())};
}

void showCascaded(QWidget& window)
{
    if (!window.isVisible() && !window.testAttribute(Qt::WA_Moved)) {
        // The last window placed, or where the user is when that one closed.
        QWidget* last = lastCascaded();
        if (!last || !last->isVisible())
            last = QApplication::activeWindow();
        const bool lastShown = last && last != &window && last->isVisible();
        if (QScreen* screen = screenFor(lastShown ? last : QApplication::activeWindow())) {
            const QRect available = screen->availableGeometry();
            // Frames are alike; before the first window none is known.
            const QSize margins = frameMarginsOf(lastShown ? last : nullptr);
            window.resize(window.size().boundedTo(available.size() - margins).expandedTo(window.minimumSize()));
            // The first window goes where the window manager puts it.
            if (lastShown)
                window.move(cascaded(available, last->frameGeometry(), window.size() + margins));
        }
        lastCascaded() = &window;
    }
    window.show();
}

void showCentredOnActiveWindow(QWidget& window)
{
    if (!window.isVisible()) {
        QWidget* active = QApplication::activeWindow();
        if (active == &window)
            active = nullptr;
        if (QScreen* screen = screenFor(active)) {
            const QRect available = screen->availableGeometry();
            const QSize margins = frameMarginsOf(active);
            window.move(centred(available, active ? active->frameGeometry() : available, window.size() + margins));
        }
    }
    window.show();
}

} // namespace qf::WindowPlacement
