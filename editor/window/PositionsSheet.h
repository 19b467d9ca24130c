#pragma once

#include "platform/core/Status.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;

namespace qf {

// The sheet where the user types the cells of a mosaic: a JSON list of
// polygons, each a list of [x, y] corners as fractions of the canvas. Done
// hands the text to `apply`; a refusal keeps the sheet open and shows why.
class PositionsSheet : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<Status(const QString& text)>;

    explicit PositionsSheet(Apply apply, QWidget* parent = nullptr);

    // The sample the Copy Sample button writes: four quadrilaterals.
    static QString sampleText();

private:
    void apply();

    Apply m_apply;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace qf
