#pragma once

#include "app/shell/CustomSizesEraser.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QProgressBar;

namespace Ui {
class QFPreferencesWindowController;
}

namespace qf {

// The preferences window, an ordinary window. One instance, made on first
// use and kept for the process.
class QFPreferencesWindowController : public QWidget, private CustomSizesEraser::Progress {
    Q_OBJECT
public:
    static QFPreferencesWindowController* sharedPreferencesWindowController();
    static QString nibName() { return QStringLiteral("QFPreferencesWindowController"); }

    ~QFPreferencesWindowController() override;

    // Front and key, not modal.
    void showWindow();

    QPointer<QProgressBar> progressIndicator;

public slots:
    void deleteCustomSizes();

private:
    QFPreferencesWindowController();
    void showAtZero() override;
    void showValue(int value) override;
    void hideProgress() override;

    std::unique_ptr<Ui::QFPreferencesWindowController> m_ui;
};

} // namespace qf
