#include "editor/window/PositionsSheet.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qf {

PositionsSheet::PositionsSheet(Apply apply, QWidget* parent)
    : QDialog(parent)
    , m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("setEmptyZigMosaicPositionsPanel"));
    setWindowTitle(tr("Cell Positions"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("Type the cells as a list of polygons, each a list of [x, y] corners given as "
                                "fractions of the canvas width and height, from 0 to 1. The cells replace the "
                                "present ones, empty."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("zigMosaicPositionsTextView"));
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setMinimumSize(420, 220);
    layout->addWidget(m_text);

    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00020"));
    m_error->hide();
    layout->addWidget(m_error);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* sample = buttons->addButton(tr("Copy Sample"), QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->addButton(tr("Done"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(sample, &QPushButton::clicked, this, [this] { m_text->setPlainText(sampleText()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &PositionsSheet::apply);
}

QString PositionsSheet::sampleText()
{
    return QStringLiteral("[\n[[0,0], [0.4,0], [0.5,0.5], [0,0.6]],\n\n[[0.4,0], [1,0], [1,0.4], [0.5,0.5]],\n\n"
                          "[[0.5,0.5], [1,0.4], [1,1], [0.6,1]],\n\n[[0.5,0.5], [0.6,1], [0,1], [0,0.6]]\n]");
}

void PositionsSheet::apply()
{
    const Status applied = m_apply(m_text->toPlainText());
    if (applied) {
        accept();
        return;
    }
    m_error->setText(applied.message());
    m_error->show();
    m_text->setFocus();
}

} // namespace qf
