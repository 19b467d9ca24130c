#include "editor/window/FotoloomWindow.h"

#include "ui_FotoloomWindow.h"

#include "document/CollageDocument.h"
#include "document/QFTemplateCatalogue.h"
#include "editor/FotoloomController.h"
#include "editor/CanvasDelegate.h"
#include "editor/CollageKeyBinding.h"
#include "editor/PictureListModel.h"
#include "editor/window/CanvasSizeControls.h"
#include "editor/window/ColorPanels.h"
#include "editor/window/CommandActions.h"
#include "editor/window/CropSheet.h"
#include "editor/window/FlowLayout.h"
#include "editor/window/QtPicturePanel.h"
#include "editor/window/SettingsPanel.h"
#include "editor/window/ShareMenu.h"
#include "editor/window/TemplateInfoSheet.h"
#include "editor/window/TextPanel.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "platform/graphics/Color.h"
#include "platform/widgets/documents/DocumentController.h"
#include "platform/widgets/sheets/Sheets.h"
#include "platform/undo/UndoManager.h"

#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QFrame>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

#include <array>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcWindow, "qf.editor.window")

namespace qf {

namespace {
// The type and size popups' observation of the controller.
const KVContext kPopupsContext{"FotoloomWindow.popups"};
// The core's name of a menu item's action, which its validation goes by.
const char* const kMenuItemActionProperty = "qfMenuItemAction";
} // namespace

FotoloomWindow::FotoloomWindow(FotoloomController& controller, DocumentController* documents,
                               ShellMenuActions shell, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::FotoloomWindow>())
    , m_controller(&controller)
    , m_documents(documents)
    , m_shell(std::move(shell))
{
    setAttribute(Qt::WA_DeleteOnClose);
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

    m_colorPanels = std::make_unique<ColorPanels>(*m_controller, this);
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

    setUpFileMenu();
    m_arrangeMenu = menuBar()->addMenu(tr("&Arrange"));
    m_arrangeMenu->setObjectName(QStringLiteral("menuArrange"));
    setUpShellMenus();
    setUpPictureList();
    setUpTypePopup();
    setUpCommands();

    m_controller->setWindow(this);
    // A refusal has shown its sheet already; the document closes when it ends.
    if (const Status loaded = m_controller->windowDidLoad(); !loaded)
        qCWarning(lcWindow) << "could not open" << document().fileName() << loaded.message();
    m_controller->exporter().setPrintInfoOrientation();
    setUpSettingsBindings();
    CanvasSizeControls::install(this, *m_ui, *m_controller);
    m_textPanel = std::make_unique<TextPanel>(*m_controller, *m_ui, *m_colorPanels, this);
    // The popups follow the collage's type and size, and the list of sizes.
    m_controller->addObserver(this, QStringLiteral("selectedCollageTypeIndex"), KVOptionNew, &kPopupsContext);
    m_controller->addObserver(this, QStringLiteral("selectedCollageSizeIndex"), KVOptionNew, &kPopupsContext);
    enableRightControlsAndPositionThem();
    updateDrawingViewFrame();
    reloadPictureList();
    updateUndoActions();
    for (QMenu* menu : findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { validateMenuItems(menu); });
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
    m_controller->intake().setPicturePanel(nullptr);
    m_controller->intake().setAddsPicturesInBackground(false);
    m_controller->intake().cancelAddingPictures();
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
    if (m_pictureList)
        m_pictureList->reload();
}

void FotoloomWindow::selectTab(int tab)
{
    m_ui->tabView->setCurrentIndex(tab);
}

void FotoloomWindow::focusTextEditor()
{
    m_textPanel->focusEditor();
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
    // 0 landscape, 1 portrait; a square canvas shows neither.
    auto orientation = std::make_unique<CollageKeyBinding>(
        *m_controller, QStringLiteral("indexOfOrientation"), [this](const QVariant& v) {
            QSignalBlocker block(m_ui->orientationSegmentedControl);
            m_ui->orientationSegmentedControl->setCurrentIndex(v.isValid() ? int(v.toLongLong()) : -1);
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

// ---- the picture list ------------------------------------------------------------------

void FotoloomWindow::setUpPictureList()
{
    PictureListView* list = m_ui->imageBrowser;
    m_pictureList = new PictureListModel(*m_controller, list->iconSize(), this);
    list->setModel(m_pictureList);
    connect(list, &PictureListView::filesDropped, this,
            [this](const QStringList& paths) { m_controller->intake().addImagesFromDirectoriesOrFiles(paths); });
    connect(list, &PictureListView::pictureFromApplicationDropped, this,
            [this] { m_controller->intake().showAddingPicturesHelp(); });
    connect(list, &PictureListView::removeRequested, this,
            [this](const QList<qsizetype>& rows) { m_controller->intake().removePictures(rows); });
    connect(m_ui->removeImageButton, &QPushButton::clicked, this,
            [this] { m_controller->intake().removePictures(m_ui->imageBrowser->selectedRows()); });
    connect(m_ui->addImageButton, &QPushButton::clicked, this, [this] { m_controller->intake().selectMultiplePictureFiles(); });
    connect(m_ui->actionAddPictures, &QAction::triggered, this, [this] {
        m_ui->tabView->setCurrentIndex(0);
        m_controller->intake().selectMultiplePictureFiles();
    });
    connect(m_ui->sortPicturesPopupButton, &QComboBox::activated, this, [this](int index) {
        // The first entry is the popup's title, not a command.
        if (index > 0)
            m_controller->intake().sortPictures(index);
        // A menu of commands: it always shows its title.
        m_ui->sortPicturesPopupButton->setCurrentIndex(0);
    });

    m_picturePanel = std::make_unique<QtPicturePanel>(this);
    m_controller->intake().setPicturePanel(m_picturePanel.get());
    m_controller->intake().setAddsPicturesInBackground(true);
}

// ---- File menu -------------------------------------------------------------------------

void FotoloomWindow::setUpFileMenu()
{
    auto* menu = new QMenu(tr("&File"), this);
    menu->setObjectName(QStringLiteral("menuFile"));
    menuBar()->insertMenu(m_ui->menuEdit->menuAction(), menu);
    CollageDocument& doc = document();

    if (m_documents) {
        QAction* add = menu->addAction(tr("&New"), this, [this] { m_documents->newDocument(); });
        add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
        if (m_documents->offersTemplates()) {
            QAction* fromTemplate = menu->addAction(tr("New from &Template…"), this, [this] {
                if (m_documents)
                    m_documents->newUsingTemplate();
            });
            fromTemplate->setObjectName(QStringLiteral("actionNewFromTemplate"));
            fromTemplate->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        }
        QAction* open = menu->addAction(tr("&Open…"), this, [this] { m_documents->openDocument(this); });
        open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        QMenu* recent = menu->addMenu(tr("Open &Recent"));
        recent->setObjectName(QStringLiteral("menuOpenRecent"));
        connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
        fillRecentMenu(recent);
        menu->addSeparator();
    }
    QAction* close = menu->addAction(tr("&Close"), &doc, [&doc] { doc.requestClose(); });
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QAction* save = menu->addAction(tr("&Save"), &doc, [&doc] { doc.save(); });
    save->setObjectName(QStringLiteral("actionSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAs = menu->addAction(tr("Save &As…"), &doc, [&doc] { doc.saveAs(); });
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    const auto updateSave = [save, &doc] { save->setEnabled(doc.canSave()); };
    connect(&doc, &Document::titleChanged, save, updateSave);
    updateSave();
    addExportAndPrintItems(menu);
    menu->addSeparator();
    QAction* preview = menu->addAction(tr("Save Preview Image"), this, [this] { m_controller->switchSavePreviewImage(); });
    preview->setObjectName(QStringLiteral("actionSwitchSavePreviewImage"));
    preview->setCheckable(true);
    setMenuItemAction(preview, QStringLiteral("switchSavePreviewImage:"));
    QAction* info = menu->addAction(tr("Template Information…"), this, [this] {
        const FotoloomController& c = *m_controller;
        auto* sheet = new TemplateInfoSheet(
            QFTemplateCatalogue::shared().listOfCategories(),
            c.templateInformation().categories, c.templateInformation().description,
            [this](const QStringList& categories, const QString& description) {
                m_controller->setTemplateInformation(categories, description);
            },
            this);
        ::qf::openSheet(sheet, this);
    });
    info->setObjectName(QStringLiteral("actionTemplateInformation"));

    if (m_documents) {
        menu->addSeparator();
        QAction* quit = menu->addAction(tr("&Quit"), this, [this] { m_documents->quit(); });
        quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        quit->setMenuRole(QAction::QuitRole);
    }
}

void FotoloomWindow::setMenuItemAction(QAction* item, const QString& action)
{
    item->setProperty(kMenuItemActionProperty, action);
}

void FotoloomWindow::validateMenuItems(QMenu* menu)
{
    // The core says what its items show, as each menu opens.
    for (QAction* item : menu->actions()) {
        const QString action = item->property(kMenuItemActionProperty).toString();
        if (action.isEmpty())
            continue;
        FotoloomController::MenuItemState state{action, std::nullopt, std::nullopt};
        item->setEnabled(m_controller->validateMenuItem(state));
        if (state.checked) {
            item->setCheckable(true);
            item->setChecked(*state.checked);
        }
        if (state.title)
            item->setText(*state.title);
    }
}

void FotoloomWindow::setUpShellMenus()
{
    if (m_shell.showPreferences) {
        m_ui->menuEdit->addSeparator();
        QAction* prefs = m_ui->menuEdit->addAction(tr("Preferences…"), this, [this] { m_shell.showPreferences(); });
        prefs->setObjectName(QStringLiteral("actionPreferences"));
        prefs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
        prefs->setMenuRole(QAction::PreferencesRole);
    }
    QMenu* help = nullptr;
    const auto helpMenu = [this, &help] {
        if (!help) {
            help = menuBar()->addMenu(tr("&Help"));
            help->setObjectName(QStringLiteral("menuHelp"));
        }
        return help;
    };
    if (m_shell.showGettingStarted) {
        QAction* start = helpMenu()->addAction(tr("Getting Started"), this, [this] { m_shell.showGettingStarted(); });
        start->setObjectName(QStringLiteral("actionGettingStarted"));
    }
    if (m_shell.showNewsletterSignUp) {
        QAction* join =
            helpMenu()->addAction(tr("Sign Up for Newsletter…"), this, [this] { m_shell.showNewsletterSignUp(); });
        join->setObjectName(QStringLiteral("actionSignUpForNewsletter"));
    }
    if (help && !m_shell.helpItems.empty())
        help->addSeparator();
    for (const ShellMenuItem& item : m_shell.helpItems) {
        if (item.title.isEmpty() || !item.action) {
            helpMenu()->addSeparator();
            continue;
        }
        QAction* page = helpMenu()->addAction(item.title, this, item.action);
        page->setObjectName(item.objectName);
    }
}

void FotoloomWindow::fillRecentMenu(QMenu* menu)
{
    menu->clear();
    if (!m_documents)
        return;
    for (const QString& path : m_documents->recentDocumentPaths()) {
        QAction* item = menu->addAction(QFileInfo(path).fileName(), this,
                                        [this, path] { m_documents->openDocumentWithPath(path); });
        item->setToolTip(path);
    }
    menu->addSeparator();
    QAction* clear = menu->addAction(tr("Clear Menu"), this, [this] { m_documents->clearRecentDocuments(); });
    clear->setEnabled(!menu->actions().first()->isSeparator());
}

// ---- export and print -------------------------------------------------------------------

void FotoloomWindow::addExportAndPrintItems(QMenu* menu)
{
    CollageDocument& doc = document();
    menu->addSeparator();
    QAction* jpeg = menu->addAction(tr("Export As JPEG…"), &doc, [&doc] { doc.exportAsJpeg(); });
    jpeg->setObjectName(QStringLiteral("actionExportAsJpeg"));
    QAction* png = menu->addAction(tr("Export As PNG…"), &doc, [&doc] { doc.exportAsPng(); });
    png->setObjectName(QStringLiteral("actionExportAsPng"));
    QAction* tiff = menu->addAction(tr("Export As TIFF…"), &doc, [&doc] { doc.exportAsTiff(); });
    tiff->setObjectName(QStringLiteral("actionExportAsTiff"));
    QAction* saveTo = menu->addAction(tr("Export…"), &doc, [&doc] { doc.saveDocumentTo(); });
    saveTo->setObjectName(QStringLiteral("actionSaveTo"));
    saveTo->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    menu->addSeparator();
    QAction* print = menu->addAction(tr("Print…"), &doc, [&doc] { doc.printDocument(); });
    print->setObjectName(QStringLiteral("actionPrint"));
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));

    m_ui->actionExport->setEnabled(true);
    connect(m_ui->actionExport, &QAction::triggered, this, [this] { m_controller->document().saveDocumentTo(); });

    // Sharing: the toolbar's button, its menu of the machine's services and
    // the pop-up notice; a child of the window.
    new ShareMenu(*this, *m_controller, *m_ui->mToolbar);
}

void FotoloomWindow::showSavingSheet()
{
    // A sheet over the whole window rather than a window of its own: it is
    // painted before this returns. The export runs events under it, so while
    // it is on every user input of the application goes nowhere and no
    // window closes.
    class TurnAway : public QObject {
    public:
        using QObject::QObject;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            switch (event->type()) {
            case QEvent::ShortcutOverride:
                event->accept(); // taken, so no shortcut fires
                return true;
            case QEvent::Close: // from the window manager
                if (!event->spontaneous())
                    return false;
                event->ignore();
                return true;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Shortcut:
            case QEvent::InputMethod:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                return true;
            default:
                return QObject::eventFilter(watched, event);
            }
        }
    };
    if (!m_savingPanel) {
        m_savingPanel = new QFrame(this);
        m_savingPanel->setObjectName(QStringLiteral("savingPanel"));
        m_savingPanel->setStyleSheet(QStringLiteral("#savingPanel { background: rgba(0, 0, 0, 70); }"));
        auto* outer = new QVBoxLayout(m_savingPanel);
        auto* box = new QFrame(m_savingPanel);
        box->setFrameShape(QFrame::StyledPanel);
        box->setAutoFillBackground(true);
        box->setMinimumWidth(280);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(new QLabel(tr("Saving the collage…"), box));
        auto* indicator = new QProgressBar(box);
        indicator->setObjectName(QStringLiteral("savingProgressIndicator"));
        indicator->setTextVisible(false);
        inner->addWidget(indicator);
        outer->addWidget(box, 0, Qt::AlignCenter);
        (new TurnAway(m_savingPanel))->setObjectName(QStringLiteral("savingInputFilter"));
    }
    showSavingProgress(0, 0); // busy until the render reports
    QCoreApplication::instance()->installEventFilter(m_savingPanel->findChild<QObject*>(QStringLiteral("savingInputFilter")));
    m_savingPanel->setGeometry(rect());
    m_savingPanel->show();
    m_savingPanel->raise();
    m_savingPanel->repaint();
}

void FotoloomWindow::hideSavingSheet()
{
    if (!m_savingPanel)
        return;
    QCoreApplication::instance()->removeEventFilter(m_savingPanel->findChild<QObject*>(QStringLiteral("savingInputFilter")));
    m_savingPanel->hide();
}

void FotoloomWindow::showSavingProgress(qsizetype done, qsizetype total)
{
    auto* bar = m_savingPanel ? m_savingPanel->findChild<QProgressBar*>(QStringLiteral("savingProgressIndicator")) : nullptr;
    if (!bar)
        return;
    const int max = int(std::clamp<qsizetype>(total, 0, std::numeric_limits<int>::max()));
    bar->setRange(0, max); // 0 to 0: busy
    bar->setValue(int(std::clamp<qsizetype>(done, 0, max)));
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
