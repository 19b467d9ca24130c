#include "editor/window/FotoloomWindow.h"

#include "ui_FotoloomWindow.h"

#include "document/CollageDocument.h"
#include "document/window/QtSaveAccessory.h"
#include "editor/FotoloomController.h"
#include "editor/CanvasDelegate.h"
#include "editor/CollageKeyBinding.h"
#include "editor/window/CanvasSizeControls.h"
#include "editor/window/ColorPanels.h"
#include "editor/window/CommandActions.h"
#include "editor/window/CropSheet.h"
#include "editor/window/FlowLayout.h"
#include "editor/window/PanelWindows.h"
#include "editor/window/PictureTab.h"
#include "editor/window/SavingSheet.h"
#include "editor/window/SettingsPanel.h"
#include "editor/window/ShareMenu.h"
#include "editor/window/TextPanel.h"
#include "editor/window/WindowMenus.h"
#include "model/Collage.h"
#include "platform/widgets/documents/QtDocumentDialogs.h"
#include "platform/widgets/sheets/Sheets.h"
#include "platform/undo/UndoManager.h"

#include <QGraphicsDropShadowEffect>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QLabel>

#include <limits>

Q_LOGGING_CATEGORY(lcWindow, "qf.editor.window")

namespace qf {

namespace {
// The type and size popups' observation of the controller.
const KVContext kPopupsContext{"FotoloomWindow.popups"};
} // namespace

FotoloomWindow::FotoloomWindow(FotoloomController& controller, DocumentController* documents,
                               ShellMenuActions shell, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::FotoloomWindow>())
    , m_controller(&controller)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A document shown in a window asks through the windowing layer's
    // dialogs, and its export dialog shows the accessory.
    Document::setDefaultDialogs(std::make_shared<QtDocumentDialogs>());
    QtSaveAccessory::install();
    m_ui->setupUi(this);
    m_ui->notificationView->hide();
    m_ui->progressIndicator->hide();
    QSizePolicy keepRoom = m_ui->progressIndicator->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_ui->progressIndicator->setSizePolicy(keepRoom);
    m_ui->mainSplitter->setStretchFactor(0, 0);
    m_ui->mainSplitter->setStretchFactor(1, 1);
    m_ui->mainSplitter->setStretchFactor(2, 0);
    m_ui->mainSplitter->setSizes({180, 700, 300});

    // The canvas floats on a small shadow, 2 points right and down, black at a third.
    auto* shadow = new QGraphicsDropShadowEffect(m_ui->QFDrawingOuterContainerView);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(2);
    shadow->setColor(QColor(0, 0, 0, 85));
    m_ui->QFDrawingOuterContainerView->setGraphicsEffect(shadow);

    // Redo answers both keys desktops use for it.
    m_ui->actionRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_undoKeys = new UndoKeys(m_ui->actionUndo, m_ui->actionRedo, this);
    m_colorPanels = std::make_unique<ColorPanels>(*m_controller, this, *m_undoKeys);
    m_canvas = std::make_unique<CanvasDelegate>(*m_controller);
    m_ui->onScreenDrawingView->setDelegate(m_canvas.get());
    connect(m_ui->QFDrawingContainerView, &QFDrawingContainerView::mouseDownInOuterView, this,
            [this] { m_canvas->mouseDownInOuterView(); });

    UndoManager& undo = m_controller->undoManager();
    // Pictures still being read land first: the step moved is then theirs,
    // not one they would later be added on top of.
    connect(m_ui->actionUndo, &QAction::triggered, this, [this] {
        m_controller->intake().finishAddingPictures();
        m_controller->undoManager().undo();
    });
    connect(m_ui->actionRedo, &QAction::triggered, this, [this] {
        m_controller->intake().finishAddingPictures();
        m_controller->undoManager().redo();
    });
    for (auto signal : {&UndoManager::checkpoint, &UndoManager::didCloseUndoGroup, &UndoManager::didUndo,
                        &UndoManager::didRedo, &UndoManager::didOpenUndoGroup})
        connect(&undo, signal, this, &FotoloomWindow::updateUndoActions);
    connect(&undo, &UndoManager::changeCountChanged, this, &FotoloomWindow::updateUndoActions);
    // An action name set inside an open group comes without a signal.
    connect(m_ui->menuEdit, &QMenu::aboutToShow, this, &FotoloomWindow::updateUndoActions);

    m_menus = new WindowMenus(*this, *m_ui, *m_controller, documents, std::move(shell));
    m_arrangeMenu = m_menus->arrangeMenu();
    setUpExportAndSharing();
    m_pictureTab = new PictureTab(*m_controller, *m_ui, this);
    setUpTypePopup();
    setUpCommands();

    m_controller->setWindow(this);
    // A refusal has shown its sheet already; the document closes when it ends.
    if (const Status loaded = m_controller->windowDidLoad(); !loaded)
        qCWarning(lcWindow) << "could not open" << document().fileName() << loaded.message();
    m_controller->exporter().setPrintInfoOrientation();
    setUpSettingsBindings();
    CanvasSizeControls::install(this, *m_ui, *m_controller);
    m_textPanel = std::make_unique<TextPanel>(*m_controller, *m_ui, *m_colorPanels, *m_undoKeys, this);
    // The popups follow the collage's type and size, and the list of sizes.
    m_controller->addObserver(this, QStringLiteral("selectedCollageTypeIndex"), KVOptionNew, &kPopupsContext);
    m_controller->addObserver(this, QStringLiteral("selectedCollageSizeIndex"), KVOptionNew, &kPopupsContext);
    enableRightControlsAndPositionThem();
    updateDrawingViewFrame();
    reloadPictureList();
    updateUndoActions();
    m_menus->validateAsTheyOpen();
}

FotoloomWindow::~FotoloomWindow()
{
    // Bindings and the canvas reach into the core: they go first, and the
    // core must not call back into a half-destroyed window.
    m_ui->onScreenDrawingView->setDelegate(nullptr);
    m_controller->endContinuousChange();
    m_controller->endTypingText();
    m_textPanel.reset();
    delete m_settings;
    delete m_commands;
    m_bindings.clear();
    m_canvas.reset();
    delete m_pictureTab;
    m_controller->setWindow(nullptr);
}

CollageDocument& FotoloomWindow::document() const
{
    return m_controller->document();
}

// ---- sheets ------------------------------------------------------------------------

void FotoloomWindow::openSheet(const AlertText& alert, std::function<void()> ended)
{
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), alert.message, QMessageBox::NoButton, this);
    box->setInformativeText(alert.informativeText);
    box->addButton(alert.button.isEmpty() ? tr("OK") : alert.button, QMessageBox::AcceptRole);
    if (ended)
        connect(box, &QDialog::finished, this, [ended = std::move(ended)](int) { ended(); });
    // Never exec(): a nested loop would end an open undo group early.
    ::qf::openSheet(box, this);
}

void FotoloomWindow::showCouldNotOpenSheet(const AlertText& alert, std::function<void()> ended)
{
    openSheet(alert, std::move(ended));
}

void FotoloomWindow::showMissingPicturesSheet(const AlertText& alert)
{
    openSheet(alert, {});
}

// ---- what the core shows -----------------------------------------------------------

void FotoloomWindow::setCanvasNeedsDisplay()
{
    m_ui->onScreenDrawingView->update();
}

void FotoloomWindow::startSpinner()
{
    m_ui->progressIndicator->show();
}

void FotoloomWindow::stopSpinner()
{
    // The progress of an add stays until the add is in.
    if (!m_addingPictures)
        m_ui->progressIndicator->hide();
}

void FotoloomWindow::reloadPictureList()
{
    if (m_pictureTab)
        m_pictureTab->reload();
}

void FotoloomWindow::selectTab(int tab)
{
    m_ui->tabView->setCurrentIndex(tab);
}

void FotoloomWindow::focusTextEditor()
{
    m_textPanel->focusEditor();
}

QString FotoloomWindow::newTextHint() const
{
    return m_textPanel->newTextHint();
}

void FotoloomWindow::showAddingPicturesProgress(qsizetype done, qsizetype total)
{
    QProgressBar* bar = m_ui->progressIndicator;
    m_addingPictures = total > 0;
    if (!m_addingPictures) {
        m_ui->addingPicturesLabel->clear();
        bar->setRange(0, 0);
        bar->hide();
        return;
    }
    const int max = int(std::min<qsizetype>(total, std::numeric_limits<int>::max()));
    bar->setRange(0, max);
    bar->setValue(int(std::min<qsizetype>(done, max)));
    bar->show();
    // The file being read, counting from 1.
    m_ui->addingPicturesLabel->setText(
        tr("Adding %1 of %2 pictures…").arg(std::min<qsizetype>(done + 1, total)).arg(total));
}

void FotoloomWindow::showAlertSheet(const AlertText& alert)
{
    openSheet(alert, {});
}

void FotoloomWindow::enableRightControlsAndPositionThem()
{
    // The current type's boxes, commands and menu items; nothing of another type's.
    if (m_settings)
        m_settings->showCurrentType();
    const QString type = m_controller->collage()->collageType();
    if (m_commands && type != m_commandsType) {
        m_commandsType = type;
        m_commands->fillArrangeMenu(m_arrangeMenu);
        m_commands->fillCommandRow(*m_commandRow, m_ui->allLabel, m_ui->verticalCommandSeparatorLine,
                                   m_ui->selectedLabel);
    }
    if (m_commands)
        m_commands->update();
    showSelectedCollageType();
}

void FotoloomWindow::updateDrawingViewFrame()
{
    const Collage& collage = *m_controller->collage();
    m_ui->QFDrawingContainerView->setCollagePixelSize(QSizeF(collage.width(), collage.height()));
}

void FotoloomWindow::showBackgroundImage(const QImage& image)
{
    QLabel* well = m_ui->backgroundImageView;
    if (image.isNull()) {
        well->setPixmap({});
        well->setText(tr("None"));
        return;
    }
    well->setPixmap(QPixmap::fromImage(image.scaled(well->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// ---- controls ------------------------------------------------------------------------

void FotoloomWindow::setUpTypePopup()
{
    QComboBox* popup = m_ui->selectCollageTypePopUp;
    auto* model = qobject_cast<QStandardItemModel*>(popup->model());
    for (const CollageType& type : CollageTypes::all()) {
        popup->addItem(type.title, type.type);
        // Types this build cannot make are listed but not offered.
        if (model && !m_controller->canMakeCollageOfType(type.type))
            model->item(popup->count() - 1)->setEnabled(false);
    }
    connect(popup, &QComboBox::activated, this, [this](int index) {
        m_controller->changeCollageType(index);
        // A refused change leaves the collage, and the popup goes back to it.
        showSelectedCollageType();
    });
}

void FotoloomWindow::showSelectedCollageType()
{
    QSignalBlocker blockType(m_ui->selectCollageTypePopUp);
    m_ui->selectCollageTypePopUp->setCurrentIndex(static_cast<int>(m_controller->getSelectedCollageTypeIndex()));
    // The list of sizes changes (a project's own size joins it, custom sizes
    // go): the popup is filled again whenever it differs.
    QComboBox* sizes = m_ui->selectCollageSizePopUp;
    QSignalBlocker blockSize(sizes);
    QStringList names;
    for (const QFCollageSize& size : m_controller->sizes().collageSizesArray())
        names.append(size.displayName());
    QStringList shown;
    for (int i = 0; i < sizes->count(); ++i)
        shown.append(sizes->itemText(i));
    if (shown != names) {
        sizes->clear();
        sizes->addItems(names);
    }
    // -1 (a size not in the list) shows no entry.
    sizes->setCurrentIndex(static_cast<int>(m_controller->getSelectedCollageSizeIndex()));
}

void FotoloomWindow::observeValueForKeyPath(const QString&, KVObject*, const KVChange&, const KVContext* context)
{
    if (context == &kPopupsContext)
        showSelectedCollageType();
}

void FotoloomWindow::changeEvent(QEvent* event)
{
    // Custom sizes may have been deleted in the preferences meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_controller->sizes().updateCollageSizes();
    QMainWindow::changeEvent(event);
}

void FotoloomWindow::setUpSettingsBindings()
{
    // 0 landscape, 1 portrait; a square canvas has no orientation to
    // change: the control says so and is off.
    m_ui->orientationSegmentedControl->setPlaceholderText(tr("Square"));
    auto orientation = std::make_unique<CollageKeyBinding>(
        *m_controller, QStringLiteral("indexOfOrientation"), [this](const QVariant& v) {
            QComboBox* control = m_ui->orientationSegmentedControl;
            QSignalBlocker block(control);
            const qint64 index = v.isValid() ? v.toLongLong() : -1;
            const bool oriented = index == OrientationLandscape || index == OrientationPortrait;
            control->setCurrentIndex(oriented ? int(index) : -1);
            control->setEnabled(oriented);
        });
    m_bindings.push_back(std::move(orientation));
}

void FotoloomWindow::setUpCommands()
{
    m_commands = new CommandActions(*m_controller, this);
    // The toolbar's Shuffle and the Picture tab's buttons are the commands' own.
    m_commands->mirror(m_ui->actionShuffle, QStringLiteral("shuffleCommandButton"));
    m_commands->mirror(m_ui->pickPictureForSelectedPositionButton, QStringLiteral("pickPictureForSelectedCommandButton"));
    m_commands->mirror(m_ui->removeSelectedPictureOrTextButton, QStringLiteral("removeSelectedPicOrTextCommandButton"));
    // Checkmarks of the selected place's flags are read as the menu opens.
    connect(m_arrangeMenu, &QMenu::aboutToShow, m_commands, &CommandActions::update);

    // The piles have many commands: the row wraps when the canvas column is
    // too narrow for all of them, rather than squeezing their titles.
    auto* layout = m_ui->commandContainerStackView->layout();
    QList<QLayoutItem*> items;
    while (QLayoutItem* item = layout->takeAt(0))
        items.append(item);
    const QMargins margins = layout->contentsMargins();
    delete layout;
    m_commandRow = new FlowLayout(m_ui->commandContainerStackView);
    m_commandRow->setContentsMargins(margins);
    for (QLayoutItem* item : items)
        m_commandRow->addItem(item);

    m_settings = new SettingsPanel(*m_controller, *m_ui, *m_colorPanels, *m_commands, this);
}

void FotoloomWindow::updateUndoActions()
{
    const UndoManager& undo = m_controller->undoManager();
    m_ui->actionUndo->setText(undo.undoMenuItemTitle());
    m_ui->actionRedo->setText(undo.redoMenuItemTitle());
    m_ui->actionUndo->setEnabled(undo.canUndo());
    m_ui->actionRedo->setEnabled(undo.canRedo());
}

// ---- export and sharing -------------------------------------------------------------------

void FotoloomWindow::setUpExportAndSharing()
{
    m_ui->actionExport->setEnabled(true);
    connect(m_ui->actionExport, &QAction::triggered, this, [this] { m_controller->document().saveDocumentTo(); });

    // Sharing: the toolbar's button, its menu of the machine's services and
    // the pop-up notice; a child of the window.
    new ShareMenu(*this, *m_controller, *m_ui->mToolbar);
}

void FotoloomWindow::showSavingSheet()
{
    if (!m_savingSheet)
        m_savingSheet = new SavingSheet(this);
    m_savingSheet->begin();
}

void FotoloomWindow::hideSavingSheet()
{
    if (m_savingSheet)
        m_savingSheet->end();
}

void FotoloomWindow::showSavingProgress(qsizetype done, qsizetype total)
{
    if (m_savingSheet)
        m_savingSheet->showProgress(done, total);
}

void FotoloomWindow::showCropSheet(const QImage& image, double widthToHeight, const std::optional<PanZoomPos>& crop,
                                   bool constrainAspect, qint64 shape)
{
    auto* sheet = new CropSheet(
        image, widthToHeight, crop, constrainAspect, shape,
        [this](const CropResult& result) { m_controller->runner().cropSelectedTo(result.widthToHeight, result.crop); },
        [this] { m_controller->runner().removeCropFromSelected(); }, this);
    if (!sheet->isStarted()) {
        delete sheet;
        return;
    }
    ::qf::openSheet(sheet, this);
}

void FotoloomWindow::showChoiceSheet(const AlertText& alert, std::function<void(bool)> ended)
{
    auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), alert.message, QMessageBox::NoButton, this);
    box->setInformativeText(alert.informativeText);
    QPushButton* accept = box->addButton(alert.button.isEmpty() ? tr("OK") : alert.button, QMessageBox::AcceptRole);
    QPushButton* other = box->addButton(alert.otherButton.isEmpty() ? tr("Cancel") : alert.otherButton,
                                        QMessageBox::RejectRole);
    box->setDefaultButton(accept);
    box->setEscapeButton(other);
    connect(box, &QDialog::finished, this, [box, accept, ended = std::move(ended)](int) {
        if (ended)
            ended(box->clickedButton() == accept);
    });
    ::qf::openSheet(box, this);
}

} // namespace qf
