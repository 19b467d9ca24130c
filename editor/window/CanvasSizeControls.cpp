#include "editor/window/CanvasSizeControls.h"

#include "ui_FotoloomWindow.h"

#include "editor/FotoloomController.h"
#include "editor/window/CustomSizeSheet.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace qf::CanvasSizeControls {

namespace {

// The popup shows the collage's size again (after a refused or cancelled choice).
void showCollageSize(QComboBox* popup, const FotoloomController& controller)
{
    QSignalBlocker block(popup);
    popup->setCurrentIndex(int(controller.getSelectedCollageSizeIndex()));
}

} // namespace

void install(QWidget* window, Ui::FotoloomWindow& ui, FotoloomController& controller)
{
    QComboBox* sizes = ui.selectCollageSizePopUp;
    sizes->setEnabled(true);
    QObject::connect(sizes, &QComboBox::activated, window, [window, sizes, &controller](int index) {
        const QList<QFCollageSize>& list = controller.sizes().collageSizesArray();
        if (index < 0 || index >= list.size())
            return;
        const QFCollageSize size = list[index];
        if (size.customSizeCommand()) {
            auto* sheet = new CustomSizeSheet(controller, window);
            QObject::connect(sheet, &QDialog::finished, sizes,
                             [sizes, &controller] { showCollageSize(sizes, controller); });
            sheet->open();
            return;
        }
        controller.sizes().changeCollageSizeTo(size);
        showCollageSize(sizes, controller);
    });

    // Enabled by the window's binding, for a canvas that is not square.
    QComboBox* orientation = ui.orientationSegmentedControl;
    QObject::connect(orientation, &QComboBox::activated, window,
                     [&controller](int index) { controller.sizes().changeOrientation(index); });
}

} // namespace qf::CanvasSizeControls
