#include "platform/widgets/sheets/Sheets.h"

#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace qf {

namespace {

void openNow(QDialog* dialog)
{
    dialog->open();
    dialog->raise();
    dialog->activateWindow();
}

// Opens the sheet once its window has been shown, then goes.
class OpenWhenShown : public QObject {
public:
    OpenWhenShown(QDialog* dialog, QWidget* window)
        : QObject(window)
        , m_dialog(dialog)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            // After the show: the window is mapped first, its sheet above it.
            const QPointer<QDialog> dialog = m_dialog;
            QTimer::singleShot(0, parent(), [dialog] {
                if (dialog)
                    openNow(dialog);
            });
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QDialog> m_dialog;
};

} // namespace

void openSheet(QDialog* dialog, QWidget* window)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    if (window && !window->isVisible()) {
        new OpenWhenShown(dialog, window);
        return;
    }
    openNow(dialog);
}

} // namespace qf
