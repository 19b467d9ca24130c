#include "editor/window/CanvasSizeControls.h"

#include "ui_FotoloomWindow.h"

#include "editor/CollageKeyBinding.h"
#include "editor/FotoloomController.h"
#include "editor/window/CustomSizeSheet.h"
#include "model/Collage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QToolButton>

namespace qf::CanvasSizeControls {

namespace {

// The popup shows the collage's size again (after a refused or cancelled choice).
void showCollageSize(QComboBox* popup, const FotoloomController& controller)
{
    QSignalBlocker block(popup);
    popup->setCurrentIndex(int(controller.getSelectedCollageSizeIndex()));
}

} // namespace

void install(QWidget* window, Ui::FotoloomWindow& ui, FotoloomController& controller,
             std::vector<std::unique_ptr<CollageKeyBinding>>& bindings)
{
    QComboBox* sizes = ui.selectCollageSizePopUp;
    sizes->setEnabled(true);
    QObject::connect(sizes, &QComboBox::activated, window, [window, sizes, &controller](int index) {
        const QList<QFCollageSize>& list = controller.collageSizesArray();
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
        controller.changeCollageSizeTo(size);
        showCollageSize(sizes, controller);
    });

    QComboBox* orientation = ui.orientationSegmentedControl;
    orientation->setEnabled(true);
    QObject::connect(orientation, &QComboBox::activated, window,
                     [&controller](int index) { controller.changeOrientation(index); });

    // Pattern rows: on a pattern background with its rows set.
    auto* rowButtons = new QHBoxLayout;
    auto makeButton = [window, rowButtons](const char* name, const QString& text, const QString& tip) {
        auto* button = new QToolButton(window);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(text);
        button->setToolTip(tip);
        rowButtons->addWidget(button);
        return button;
    };
    QToolButton* fewer = makeButton("decreaseImagePatternRowCountButton", QStringLiteral("−"),
                                    QObject::tr("Fewer pattern rows"));
    QToolButton* more = makeButton("increaseImagePatternRowCountButton", QStringLiteral("+"),
                                   QObject::tr("More pattern rows"));
    rowButtons->addStretch();
    ui.backgroundGrid->addLayout(rowButtons, ui.backgroundGrid->rowCount(), 1);
    QObject::connect(more, &QToolButton::clicked, window,
                     [&controller] { controller.increaseImagePatternRowCount(); });
    QObject::connect(fewer, &QToolButton::clicked, window,
                     [&controller] { controller.decreaseImagePatternRowCount(); });
    auto enable = [&controller, more, fewer](const QVariant&) {
        const Collage& c = *controller.collage();
        const qint64 rows = c.backgroundImagePatternNumberOfRows();
        more->setEnabled(c.backgroundImageIsPattern() && rows >= 1);
        fewer->setEnabled(c.backgroundImageIsPattern() && rows >= 2);
    };
    for (const char* key : {"backgroundImageIsPattern", "backgroundImagePatternNumberOfRows"})
        bindings.push_back(std::make_unique<CollageKeyBinding>(controller, QString::fromLatin1(key), enable));
}

} // namespace qf::CanvasSizeControls
