#include "document/window/QtSaveAccessory.h"

#include "ui_QFSaveAccessoryView.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QSlider>

namespace qf {

QtSaveAccessory::QtSaveAccessory()
    : m_ui(std::make_unique<Ui::QFSaveAccessoryView>())
    , m_view(new QWidget)
{
    m_ui->setupUi(m_view);
    QObject::connect(m_ui->typeSelection, &QComboBox::activated, m_view, [this](int index) {
        if (typeChosen)
            typeChosen(index);
    });
    QObject::connect(m_ui->jpegCompressionSlider, &QSlider::valueChanged, m_view, [this](int value) {
        if (jpegQualityChanged)
            jpegQualityChanged(value);
    });
    QObject::connect(m_ui->tiffCompressionSelectionPopupButton, &QComboBox::activated, m_view, [this](int index) {
        if (tiffCompressionChosen)
            tiffCompressionChosen(index);
    });
}

QtSaveAccessory::~QtSaveAccessory()
{
    delete m_view.data();
}

void QtSaveAccessory::showType(int index)
{
    m_ui->typeSelection->setCurrentIndex(index);
    m_ui->jpegCustomView->setVisible(index == 0);
    m_ui->tiffCustomView->setVisible(index == 2);
}

void QtSaveAccessory::showJpegQuality(int percent)
{
    m_ui->jpegCompressionSlider->setValue(percent);
}

void QtSaveAccessory::showTiffCompression(int index)
{
    m_ui->tiffCompressionSelectionPopupButton->setCurrentIndex(index);
}

void QtSaveAccessory::install()
{
    SaveAccessory::setMaker([] { return std::make_unique<QtSaveAccessory>(); });
}

} // namespace qf
