#include "editor/window/PictureTab.h"

#include "ui_FotoloomWindow.h"

#include "editor/CollageKeyBinding.h"
#include "editor/FotoloomController.h"
#include "editor/PictureListModel.h"
#include "editor/window/QtPicturePanel.h"

namespace qf {

PictureTab::PictureTab(FotoloomController& controller, Ui::FotoloomWindow& ui, QWidget* window)
    : QObject(window)
    , m_controller(controller)
{
    PictureIntake& intake = controller.intake();
    PictureListView* list = ui.imageBrowser;
    m_pictureList = new PictureListModel(controller, list->iconSize(), this);
    // All rows are alike: laying out the list asks for none of them.
    list->setUniformItemSizes(true);
    list->setModel(m_pictureList);
    connect(list, &PictureListView::filesDropped, this,
            [&intake](const QStringList& paths) { intake.addImagesFromDirectoriesOrFiles(paths); });
    connect(list, &PictureListView::pictureFromApplicationDropped, this, [&intake] { intake.showAddingPicturesHelp(); });
    connect(list, &PictureListView::removeRequested, this,
            [&intake](const QList<qsizetype>& rows) { intake.removePictures(rows); });
    connect(ui.removeImageButton, &QPushButton::clicked, this,
            [&intake, list] { intake.removePictures(list->selectedRows()); });
    connect(ui.addImageButton, &QPushButton::clicked, this, [&intake] { intake.selectMultiplePictureFiles(); });
    QTabWidget* tabs = ui.tabView;
    connect(ui.actionAddPictures, &QAction::triggered, this, [&intake, tabs] {
        tabs->setCurrentIndex(0);
        intake.selectMultiplePictureFiles();
    });
    QComboBox* sort = ui.sortPicturesPopupButton;
    connect(sort, &QComboBox::activated, this, [&intake, sort](int index) {
        // The first entry is the popup's title, not a command.
        if (index > 0)
            intake.sortPictures(index);
        // A menu of commands: it always shows its title.
        sort->setCurrentIndex(0);
    });

    m_hint = ui.pictureHintLabel;
    m_placeSelected = std::make_unique<CollageKeyBinding>(controller, QStringLiteral("pictureInDrawingViewSelected"),
                                                          [this](const QVariant&) { showHint(); });
    m_pictureSelected = std::make_unique<CollageKeyBinding>(
        controller, QStringLiteral("nonEmptyPictureInDrawingViewSelected"), [this](const QVariant&) { showHint(); });
    showHint();

    m_picturePanel = std::make_unique<QtPicturePanel>(window);
    intake.setPicturePanel(m_picturePanel.get());
    intake.setAddsPicturesInBackground(true);
}

PictureTab::~PictureTab()
{
    PictureIntake& intake = m_controller.intake();
    intake.setPicturePanel(nullptr);
    intake.setAddsPicturesInBackground(false);
    intake.cancelAddingPictures();
}

void PictureTab::showHint()
{
    if (!m_placeSelected || !m_pictureSelected)
        return; // the bindings are still being made
    if (!m_placeSelected->value().toBool())
        m_hint->setText(tr("Click a picture on the canvas to change it."));
    else if (m_pictureSelected->value().toBool())
        m_hint->setText(tr("Choose another picture for the selected place, or remove it."));
    else
        m_hint->setText(tr("Choose a picture for the selected place."));
}

void PictureTab::reload()
{
    m_pictureList->reload();
}

} // namespace qf
