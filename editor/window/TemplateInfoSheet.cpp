#include "editor/window/TemplateInfoSheet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qf {

TemplateInfoSheet::TemplateInfoSheet(const QStringList& knownCategories, const QStringList& categories,
                                     const QString& description, Done done, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("templateInfoChangePanel"));
    setWindowTitle(tr("Template Information"));
    setMinimumWidth(380);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (int i = 0; i < 3; ++i) {
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("templateCategory%1PopUpButton").arg(i + 1));
        box->setEditable(true);
        box->addItem(QString());
        for (const QString& name : knownCategories)
            if (name != QLatin1String("All"))
                box->addItem(name);
        box->setCurrentText(categories.value(i));
        form->addRow(tr("Category %1").arg(i + 1), box);
        m_categories.append(box);
    }
    m_description = new QLineEdit(description, this);
    m_description->setObjectName(QStringLiteral("templateDescriptionTextField"));
    form->addRow(tr("Description"), m_description);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(tr("Done"), QDialogButtonBox::AcceptRole)->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this, done = std::move(done)] {
        QStringList chosen;
        for (QComboBox* box : std::as_const(m_categories))
            chosen.append(box->currentText());
        done(chosen, m_description->text());
        accept();
    });
}

} // namespace qf
