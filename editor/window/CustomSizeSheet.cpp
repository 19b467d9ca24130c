#include "editor/window/CustomSizeSheet.h"

#include "editor/FotoloomController.h"
#include "model/Collage.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qf {

CustomSizeSheet::CustomSizeSheet(FotoloomController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("customSizePanel"));
    setWindowTitle(tr("Custom Size"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    auto makeField = [this](const char* name) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QString::fromLatin1(name));
        return field;
    };
    m_width = makeField("customSizeWidthTextField");
    m_height = makeField("customSizeHeightTextField");
    m_name = makeField("customSizeNameTextField");
    m_resolution = makeField("resolutionTextField");
    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("customWidthUnitPopUpButton"));
    for (int unit = SizeUnitInches; unit <= SizeUnitPixels; ++unit)
        m_unit->addItem(QFCollageSize::unitName(unit));
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("customSizeErrorTextField"));
    m_error->setWordWrap(true);
    m_error->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the longest message (three lines) from the start: the fields
    // stay where they are, under the pointer, as the message comes and goes.
    m_error->setMinimumWidth(m_error->fontMetrics().averageCharWidth() * 40);
    m_error->setFixedHeight(m_error->fontMetrics().lineSpacing() * 3 + 2 * m_error->margin());

    const Collage& collage = *controller.collage();
    m_width->setText(QString::number(collage.width()));
    m_height->setText(QString::number(collage.height()));
    m_resolution->setText(QString::number(collage.resolution()));
    m_unit->setCurrentIndex(SizeUnitPixels);
    m_lastSelectedUnit = SizeUnitPixels;

    auto* form = new QFormLayout;
    form->addRow(tr("Width"), m_width);
    form->addRow(tr("Height"), m_height);
    form->addRow(tr("Unit"), m_unit);
    form->addRow(tr("Resolution (pixels/inch)"), m_resolution);
    form->addRow(tr("Name"), m_name);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("openSizeHelpButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addWidget(buttons);

    for (QLineEdit* field : {m_width, m_height, m_resolution})
        connect(field, &QLineEdit::textEdited, this, [this] { validateFields(); });
    connect(m_unit, &QComboBox::activated, this, &CustomSizeSheet::changeUnit);
    connect(buttons, &QDialogButtonBox::accepted, this, &CustomSizeSheet::setCustomSize);
    connect(buttons, &QDialogButtonBox::rejected, this, &CustomSizeSheet::cancelCustomSize);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { CanvasSizes::openSizeHelp(); });
    // Cancel or Escape: the size popup shows the collage's size again.
    connect(this, &QDialog::rejected, this, [this] { m_controller.sizes().updateCollageSizes(); });
    m_width->setFocus();
}

CustomSizeFields CustomSizeSheet::fields() const
{
    return {CustomSizeForm::typedOrExact(m_width->text(), m_exactWidth),
            CustomSizeForm::typedOrExact(m_height->text(), m_exactHeight), m_resolution->text(), m_name->text(),
            m_unit->currentIndex()};
}

void CustomSizeSheet::changeUnit(int unit)
{
    CustomSizeFields typed = fields();
    typed.unit = m_lastSelectedUnit;
    const CustomSizeFields converted = CustomSizeForm::withUnit(typed, unit);
    m_exactWidth = converted.width;
    m_exactHeight = converted.height;
    m_width->setText(CustomSizeForm::shownText(converted.width));
    m_height->setText(CustomSizeForm::shownText(converted.height));
    m_lastSelectedUnit = unit;
    validateFields();
}

bool CustomSizeSheet::validateFields()
{
    const CustomSizeVerdict verdict = CustomSizeForm::validate(fields());
    m_error->setStyleSheet(verdict.accepted ? QStringLiteral("color: black;") : QStringLiteral("color: red;"));
    m_error->setText(verdict.text);
    return verdict.accepted;
}

void CustomSizeSheet::setCustomSize()
{
    if (!validateFields())
        return; // the sheet stays with the message
    m_controller.sizes().setCustomSize(fields());
    accept();
}

void CustomSizeSheet::cancelCustomSize()
{
    reject();
}

} // namespace qf
