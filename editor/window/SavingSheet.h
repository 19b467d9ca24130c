#pragma once

#include <QFrame>

namespace qf {

// The saving sheet: a veil over the whole window with a progress bar while a
// render for export, print or sharing runs; no input reaches the
// application meanwhile.
class SavingSheet : public QFrame {
    Q_OBJECT
public:
    explicit SavingSheet(QWidget* window);

    void begin();
    void end();
    // Done of total steps; a total of 0 shows it busy.
    void showProgress(qsizetype done, qsizetype total);
};

} // namespace qf
