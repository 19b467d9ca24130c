#include "editor/window/SavingSheet.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace qf {

namespace {

// While the sheet is on, every user input of the application goes nowhere
// and no window closes.
class TurnAway : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            event->accept(); // taken, so no shortcut fires
            return true;
        case QEvent::Close: // from the window manager
            if (!event->spontaneous())
                return false;
            event->ignore();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

} // namespace

SavingSheet::SavingSheet(QWidget* window)
    : QFrame(window)
{
    setObjectName(QStringLiteral("savingPanel"));
    setStyleSheet(QStringLiteral("#savingPanel { background: rgba(0, 0, 0, 70); }"));
    auto* outer = new QVBoxLayout(this);
    auto* box = new QFrame(this);
    box->setFrameShape(QFrame::StyledPanel);
    box->setAutoFillBackground(true);
    box->setMinimumWidth(280);
    auto* inner = new QVBoxLayout(box);
    inner->addWidget(new QLabel(tr("Saving the collage…"), box));
    auto* indicator = new QProgressBar(box);
    indicator->setObjectName(QStringLiteral("savingProgressIndicator"));
    indicator->setTextVisible(false);
    inner->addWidget(indicator);
    outer->addWidget(box, 0, Qt::AlignCenter);
    (new TurnAway(this))->setObjectName(QStringLiteral("savingInputFilter"));
    hide();
}

void SavingSheet::begin()
{
    // A sheet over the whole window rather than a window of its own: it is
    // painted before this returns. The export runs events under it.
    showProgress(0, 0); // busy until the render reports
    QCoreApplication::instance()->installEventFilter(findChild<QObject*>(QStringLiteral("savingInputFilter")));
    setGeometry(parentWidget()->rect());
    show();
    raise();
    repaint();
}

void SavingSheet::end()
{
    QCoreApplication::instance()->removeEventFilter(findChild<QObject*>(QStringLiteral("savingInputFilter")));
    hide();
}

void SavingSheet::showProgress(qsizetype done, qsizetype total)
{
    auto* bar = findChild<QProgressBar*>(QStringLiteral("savingProgressIndicator"));
    if (!bar)
        return;
    const int max = int(std::clamp<qsizetype>(total, 0, std::numeric_limits<int>::max()));
    bar->setRange(0, max); // 0 to 0: busy
    bar->setValue(int(std::clamp<qsizetype>(done, 0, max)));
}

} // namespace qf
