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
#include "editor/window/CropSheet.h"
#include "editor/window/FlowLayout.h"
#include "editor/window/PositionsSheet.h"
#include "editor/window/QtPicturePanel.h"
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
    connect(m_ui->removeSelectedCommandButton, &QPushButton::clicked, this,
            [this] { m_canvas->removeSelectedPictureOrTextFromDrawingView(); });
    connect(m_ui->removeSelectedPictureOrTextButton, &QPushButton::clicked, this,
            [this] { m_canvas->removeSelectedPictureOrTextFromDrawingView(); });

    UndoManager& undo = m_controller->undoManager();
    // Pictures still being read land first: the step moved is then theirs,
    // not one they would later be added on top of.
    connect(m_ui->actionUndo, &QAction::triggered, this, [this] {
        m_controller->finishAddingPictures();
        m_controller->undoManager().undo();
    });
    connect(m_ui->actionRedo, &QAction::triggered, this, [this] {
        m_controller->finishAddingPictures();
        m_controller->undoManager().redo();
    });
    for (auto signal : {&UndoManager::checkpoint, &UndoManager::didCloseUndoGroup, &UndoManager::didUndo,
                        &UndoManager::didRedo, &UndoManager::didOpenUndoGroup})
        connect(&undo, signal, this, &FotoloomWindow::updateUndoActions);
    connect(&undo, &UndoManager::changeCountChanged, this, &FotoloomWindow::updateUndoActions);
    // An action name set inside an open group comes without a signal.
    connect(m_ui->menuEdit, &QMenu::aboutToShow, this, &FotoloomWindow::updateUndoActions);

    setUpFileMenu();
    setUpArrangeMenu();
    setUpShellMenus();
    setUpPictureList();
    setUpTypePopup();

    m_controller->setWindow(this);
    // A refusal has shown its sheet already; the document closes when it ends.
    if (const Status loaded = m_controller->windowDidLoad(); !loaded)
        qCWarning(lcWindow) << "could not open" << document().fileName() << loaded.message();
    m_controller->setPrintInfoOrientation();
    setUpSettingsBindings();
    CanvasSizeControls::install(this, *m_ui, *m_controller, m_bindings);
    setUpCommands();
    setUpTypeBoxes();
    setUpCommandBar();
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
    m_bindings.clear();
    m_canvas.reset();
    m_controller->setPicturePanel(nullptr);
    m_controller->setAddsPicturesInBackground(false);
    m_controller->cancelAddingPictures();
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
    // The current type's boxes and commands show; every other type's hide.
    const CollageType* row = CollageTypes::find(m_controller->collage()->collageType());
    const auto showOnly = [this](const QStringList& all, const QStringList& shown) {
        for (const QString& name : all)
            if (auto* widget = findChild<QWidget*>(name))
                widget->setVisible(shown.contains(name));
    };
    showOnly(CollageTypes::allLayoutBoxes(), row ? QStringList{row->layoutBox, row->bordersBox} : QStringList());
    const QStringList commands = row ? row->allCommands + row->selectedCommands : QStringList();
    showOnly(CollageTypes::allCommandButtons(), commands);
    bool anyArranging = false;
    for (auto it = m_commandActions.cbegin(); it != m_commandActions.cend(); ++it) {
        it.value()->setVisible(commands.contains(it.key()));
        anyArranging = anyArranging || it.value()->isVisible();
    }
    if (m_arrangeMenu)
        m_arrangeMenu->menuAction()->setVisible(anyArranging);
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
    for (const QFCollageSize& size : m_controller->collageSizesArray())
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
        m_controller->updateCollageSizes();
    QMainWindow::changeEvent(event);
}

void FotoloomWindow::bindSlider(QSlider* slider, const QString& key, double scale)
{
    auto binding = std::make_unique<CollageKeyBinding>(*m_controller, key, [slider, scale](const QVariant& v) {
        slider->setEnabled(v.isValid());
        const double value = v.toDouble();
        if (std::isfinite(value))
            slider->setValue(static_cast<int>(std::lround(value * scale)));
    });
    CollageKeyBinding* b = binding.get();
    connect(slider, &QSlider::valueChanged, this, [b, scale](int value) { b->write(value / scale); });
    // A drag is one undo step; a click on the track or a key is one by itself.
    connect(slider, &QSlider::sliderPressed, this, [this] { m_controller->beginContinuousChange(); });
    connect(slider, &QSlider::sliderReleased, this, [this] { m_controller->endContinuousChange(); });
    m_bindings.push_back(std::move(binding));
}

void FotoloomWindow::bindColorButton(QAbstractButton* button, const QString& key, const QString& title)
{
    auto binding = std::make_unique<CollageKeyBinding>(*m_controller, key, [this, button, key](const QVariant& v) {
        button->setEnabled(v.isValid());
        // An open panel follows the collage (another collage after an undo).
        m_colorPanels->follow(key, v);
    });
    CollageKeyBinding* b = binding.get();
    connect(button, &QAbstractButton::clicked, this, [this, b, key, title] {
        m_colorPanels->open(
            key, title, [b] { return b->value(); }, [b](const QVariant& v) { b->write(v); });
    });
    m_bindings.push_back(std::move(binding));
}

void FotoloomWindow::bindCheckBox(QAbstractButton* box, const QString& key)
{
    auto binding = std::make_unique<CollageKeyBinding>(*m_controller, key, [box](const QVariant& v) {
        box->setEnabled(v.isValid());
        box->setChecked(v.toBool());
    });
    CollageKeyBinding* b = binding.get();
    connect(box, &QAbstractButton::toggled, this, [b](bool on) { b->write(on); });
    m_bindings.push_back(std::move(binding));
}

void FotoloomWindow::bindCountStepper(QSpinBox* stepper, const QString& key, bool rows)
{
    // The counts are shown through their binding keys; a change runs the
    // collage's own operation through the controller, one undo step each.
    auto binding = std::make_unique<CollageKeyBinding>(*m_controller, key, [stepper](const QVariant& v) {
        QSignalBlocker block(stepper);
        if (v.isValid())
            stepper->setValue(static_cast<int>(v.toLongLong()));
    });
    // A typed count applies once, when the typing ends (Return or leaving the
    // field); the arrows apply at once.
    stepper->setKeyboardTracking(false);
    connect(stepper, &QSpinBox::valueChanged, this, [this, rows](int n) {
        if (rows)
            m_controller->changeRowCount(n);
        else
            m_controller->changeColumnCount(n);
    });
    m_bindings.push_back(std::move(binding));
}

void FotoloomWindow::setUpSettingsBindings()
{
    // Slider steps: a thousandth of the canvas.
    bindSlider(m_ui->spacingSlider, QStringLiteral("spacing"), 1000);
    bindSlider(m_ui->strokeWidthSlider, QStringLiteral("strokeWidth"), 1000);
    bindSlider(m_ui->cornerRadiusSlider, QStringLiteral("cornerRadiusSize"), 1000);
    bindCheckBox(m_ui->drawShadowCheckBox, QStringLiteral("drawShadow"));
    bindCheckBox(m_ui->transparentBackgroundCheckBox, QStringLiteral("backgroundIsTransparent"));
    bindCheckBox(m_ui->fillDuplicatesCheckBox, QStringLiteral("fillDuplicates"));
    bindCountStepper(m_ui->rowCountStepper, QStringLiteral("rowCountBinding"), true);
    bindCountStepper(m_ui->columnCountStepper, QStringLiteral("columnCountBinding"), false);

    auto steppersEnabled = std::make_unique<CollageKeyBinding>(
        *m_controller, QStringLiteral("rowColSteppersEnabled"), [this](const QVariant& v) {
            m_ui->rowCountStepper->setEnabled(v.toBool());
            m_ui->columnCountStepper->setEnabled(v.toBool());
        });
    m_bindings.push_back(std::move(steppersEnabled));
    bindColorButton(m_ui->borderColorButton, QStringLiteral("borderColor"), tr("Border Colour"));
    bindColorButton(m_ui->backgroundColorButton, QStringLiteral("backgroundColor"), tr("Background Colour"));

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
    auto selected = std::make_unique<CollageKeyBinding>(
        *m_controller, QStringLiteral("pictureInDrawingViewSelected"),
        [this](const QVariant& v) { m_ui->pickPictureForSelectedPositionButton->setEnabled(v.toBool()); });
    m_bindings.push_back(std::move(selected));
    connect(m_ui->pickPictureForSelectedPositionButton, &QPushButton::clicked, this,
            [this] { m_controller->pickPictureForSelectedPosition(); });

    auto pictures = std::make_unique<CollageKeyBinding>(
        *m_controller, QStringLiteral("images"),
        [this](const QVariant& v) {
            const bool any = !v.toStringList().isEmpty();
            m_ui->actionShuffle->setEnabled(any);
            m_ui->shuffleInPlaceCommandButton->setEnabled(any);
            m_ui->bestFitCommandButton->setEnabled(any);
        });
    m_bindings.push_back(std::move(pictures));
    connect(m_ui->actionShuffle, &QAction::triggered, this, [this] { m_controller->shuffle(); });
    for (QPushButton* button : {m_ui->shuffleInPlaceCommandButton, m_ui->bestFitCommandButton})
        connect(button, &QPushButton::clicked, this, [this] { m_controller->shuffle(); });
    connect(m_ui->splitSelectedAlongWidthCommandButton, &QPushButton::clicked, this,
            [this] { m_controller->splitSelectedAlongWidth(); });
    connect(m_ui->splitSelectedAlongHeightCommandButton, &QPushButton::clicked, this,
            [this] { m_controller->splitSelectedAlongHeight(); });
    connect(m_ui->setSelectedAsCenterCommandButton, &QPushButton::clicked, this,
            [this] { m_controller->setSelectedAsCenter(); });
}

namespace {

// A type box made ready for its controls: its placeholder goes and its
// controls follow in a form.
QFormLayout* formOf(QGroupBox* box)
{
    delete box->findChild<QLabel*>(box->objectName() + QStringLiteral("Note"));
    box->setEnabled(true);
    auto* form = new QFormLayout;
    static_cast<QBoxLayout*>(box->layout())->addLayout(form);
    return form;
}

QSlider* addSlider(QFormLayout* form, const QString& name, const QString& label, int maximum)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setMaximum(maximum);
    form->addRow(label, slider);
    return slider;
}

QPushButton* addColorButton(QFormLayout* form, const QString& name)
{
    auto* button = new QPushButton(FotoloomWindow::tr("Choose…"));
    button->setObjectName(name);
    form->addRow(FotoloomWindow::tr("Colour"), button);
    return button;
}

QCheckBox* addCheckBox(QFormLayout* form, const QString& name, const QString& text)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    form->addRow(box);
    return box;
}

} // namespace

QToolButton* FotoloomWindow::commandButton(const QString& name, QWidget* parent)
{
    QAction* action = m_commandActions.value(name);
    if (!action)
        return nullptr;
    // The button shows the menu's action: same call, same enabling.
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (action->menu())
        button->setPopupMode(QToolButton::InstantPopup);
    return button;
}

void FotoloomWindow::setUpTypeBoxes()
{
    // Piles: pictures are moved, sized and turned on the canvas and by the
    // commands; the box says so.
    {
        QFormLayout* form = formOf(m_ui->pileLayoutControlsBox);
        auto* hint = new QLabel(tr("Drag pictures to move them; the two handles beside a selected picture resize and turn it."));
        hint->setObjectName(QStringLiteral("pileLayoutHintLabel"));
        hint->setWordWrap(true);
        form->addRow(hint);
    }
    {
        QFormLayout* form = formOf(m_ui->regularPilePictureBordersControlsBox);
        bindSlider(addSlider(form, QStringLiteral("regularPileSpacingSlider"), tr("Frame"), 300),
                   QStringLiteral("spacing"), 1000);
        bindColorButton(addColorButton(form, QStringLiteral("regularPileBorderColorButton")),
                        QStringLiteral("borderColor"), tr("Frame Colour"));
        bindCheckBox(addCheckBox(form, QStringLiteral("instantCameraBorderCheckBox"), tr("Instant camera frame")),
                     QStringLiteral("instantCameraBorder"));
        bindCheckBox(addCheckBox(form, QStringLiteral("stampBorderCheckBox"), tr("Stamp frame")),
                     QStringLiteral("stampBorder"));
    }
    {
        QFormLayout* form = formOf(m_ui->circlePilePictureBordersControlsBox);
        bindSlider(addSlider(form, QStringLiteral("circlePileSpacingSlider"), tr("Frame"), 300),
                   QStringLiteral("spacing"), 1000);
        bindColorButton(addColorButton(form, QStringLiteral("circlePileBorderColorButton")),
                        QStringLiteral("borderColor"), tr("Frame Colour"));
    }
    {
        QFormLayout* form = formOf(m_ui->mosaicLayoutControlsBox);
        if (QToolButton* positions = commandButton(QStringLiteral("setPositionsOnZigMosaicButton"), nullptr))
            form->addRow(positions);
    }
    {
        QFormLayout* form = formOf(m_ui->centeredLayoutControlsBox);
        bindCheckBox(addCheckBox(form, QStringLiteral("centerSymmetricCheckBox"), tr("Symmetric splits")),
                     QStringLiteral("symmetric"));
    }
    {
        QFormLayout* form = formOf(m_ui->hexagonLayoutControlsBox);
        auto* cells = new QLabel;
        cells->setObjectName(QStringLiteral("hexagonCellCountLabel"));
        form->addRow(tr("Cells"), cells);
        // Rows by columns, shown as either changes (other types have neither).
        auto counts = std::make_shared<std::array<CollageKeyBinding*, 2>>();
        const auto showCells = [cells, counts](const QVariant&) {
            if ((*counts)[0] && (*counts)[1])
                cells->setText(
                    tr("%1 × %2").arg((*counts)[0]->value().toLongLong()).arg((*counts)[1]->value().toLongLong()));
        };
        for (std::size_t i = 0; i < counts->size(); ++i) {
            auto binding = std::make_unique<CollageKeyBinding>(
                *m_controller, i == 0 ? QStringLiteral("rowCount") : QStringLiteral("columnCount"), showCells);
            (*counts)[i] = binding.get();
            m_bindings.push_back(std::move(binding));
        }
        showCells({});
        auto* buttons = new QHBoxLayout;
        for (const char* name : {"increasePositionsCommandButton", "decreasePositionsCommandButton"})
            if (QToolButton* button = commandButton(QLatin1String(name), nullptr))
                buttons->addWidget(button);
        form->addRow(buttons);
    }
}

void FotoloomWindow::setUpCommandBar()
{
    QStringList forAll;
    for (const CollageType& row : CollageTypes::all())
        forAll += row.allCommands;
    auto* layout = static_cast<QBoxLayout*>(m_ui->commandContainerStackView->layout());
    // Every type's row starts with Shuffle, and its selected part with
    // Remove and Choose Picture: the same actions as the toolbar's Shuffle
    // and the Picture tab's button.
    auto* shuffle = new QToolButton(m_ui->commandContainerStackView);
    shuffle->setObjectName(QStringLiteral("shuffleCommandButton"));
    shuffle->setDefaultAction(m_ui->actionShuffle);
    layout->insertWidget(layout->indexOf(m_ui->allLabel) + 1, shuffle);
    auto* pick = new QToolButton(m_ui->commandContainerStackView);
    pick->setObjectName(QStringLiteral("pickPictureForSelectedCommandButton"));
    pick->setText(tr("Choose Picture…"));
    connect(pick, &QToolButton::clicked, this, [this] { m_controller->pickPictureForSelectedPosition(); });
    m_bindings.push_back(std::make_unique<CollageKeyBinding>(
        *m_controller, QStringLiteral("pictureInDrawingViewSelected"),
        [pick](const QVariant& v) { pick->setEnabled(v.toBool()); }));
    layout->insertWidget(layout->indexOf(m_ui->removeSelectedCommandButton) + 1, pick);
    for (const QString& name : CollageTypes::allCommandButtons()) {
        if (findChild<QWidget*>(name))
            continue; // a box or the layout holds it already
        QToolButton* button = commandButton(name, m_ui->commandContainerStackView);
        if (!button)
            continue;
        // "All" ones before the separator, "selected" ones after the last command.
        QWidget* before = forAll.contains(name) ? static_cast<QWidget*>(m_ui->verticalCommandSeparatorLine)
                                                : static_cast<QWidget*>(m_ui->setSelectedAsCenterCommandButton);
        const int at = layout->indexOf(before) + (forAll.contains(name) ? 0 : 1);
        int offset = 0;
        if (!forAll.contains(name))
            while (at + offset < layout->count() && layout->itemAt(at + offset)->widget()
                   && layout->itemAt(at + offset)->widget()->inherits("QToolButton"))
                ++offset;
        layout->insertWidget(at + offset, button);
    }
    // The piles have many commands: the row wraps when the canvas column is
    // too narrow for all of them, rather than squeezing their titles.
    QList<QLayoutItem*> items;
    while (QLayoutItem* item = layout->takeAt(0))
        items.append(item);
    const QMargins margins = layout->contentsMargins();
    delete layout;
    auto* flow = new FlowLayout(m_ui->commandContainerStackView);
    flow->setContentsMargins(margins);
    for (QLayoutItem* item : items)
        flow->addItem(item);
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
            [this](const QStringList& paths) { m_controller->addImagesFromDirectoriesOrFiles(paths); });
    connect(list, &PictureListView::pictureFromApplicationDropped, this,
            [this] { m_controller->showAddingPicturesHelp(); });
    connect(list, &PictureListView::removeRequested, this,
            [this](const QList<qsizetype>& rows) { m_controller->removePictures(rows); });
    connect(m_ui->removeImageButton, &QPushButton::clicked, this,
            [this] { m_controller->removePictures(m_ui->imageBrowser->selectedRows()); });
    connect(m_ui->addImageButton, &QPushButton::clicked, this, [this] { m_controller->addImageButtonClicked(); });
    connect(m_ui->actionAddPictures, &QAction::triggered, this, [this] {
        m_ui->tabView->setCurrentIndex(0);
        m_controller->addImageButtonClicked();
    });
    connect(m_ui->sortPicturesPopupButton, &QComboBox::activated, this, [this](int index) {
        // The first entry is the popup's title, not a command.
        if (index > 0)
            m_controller->sortPictures(index);
        // A menu of commands: it always shows its title.
        m_ui->sortPicturesPopupButton->setCurrentIndex(0);
    });
    connect(m_ui->changeBackgroundImageButton, &QPushButton::clicked, this,
            [this] { m_controller->selectBackgroundPictureFile(); });

    m_picturePanel = std::make_unique<QtPicturePanel>(this);
    m_controller->setPicturePanel(m_picturePanel.get());
    m_controller->setAddsPicturesInBackground(true);
}

// ---- Arrange menu -------------------------------------------------------------------------

void FotoloomWindow::setUpArrangeMenu()
{
    using C = FotoloomController::CollageCommand;
    // One list for the menu and the command bar: each item is one Arrange
    // menu action, and the bar's button of the same name shows that action.
    struct Item {
        const char* name; // the registry's command name
        C command;
        QKeySequence shortcut;
        bool needsPicture; // a selected slot that shows a picture, not just a selected slot
        const char* buttonText; // the command bar's short text
    };
    static const Item allItems[] = {
        {"spreadoutCommandButton", C::Spreadout, {}, false, QT_TR_NOOP("Spread")},
        {"spreadoutToGridCommandButton", C::SpreadoutToGrid, {}, false, QT_TR_NOOP("To Grid")},
        {"spreadoutToMosaicCommandButton", C::SpreadoutToMosaic, {}, false, QT_TR_NOOP("To Mosaic")},
        {"increaseAllInSizeCommandButton", C::IncreaseAllInSize, {}, false, QT_TR_NOOP("Larger")},
        {"decreaseAllInSizeCommandButton", C::DecreaseAllInSize, {}, false, QT_TR_NOOP("Smaller")},
        {"equateAllInSizeCommandButton", C::EquateAllInSize, {}, false, QT_TR_NOOP("Same Size")},
        {"rotateAllTo0CommandButton", C::RotateAllToZero, {}, false, QT_TR_NOOP("Straighten")},
        {"increasePositionsCommandButton", C::IncreasePositions, {}, false, QT_TR_NOOP("More Cells")},
        {"decreasePositionsCommandButton", C::DecreasePositions, {}, false, QT_TR_NOOP("Fewer Cells")},
    };
    static const Item selectedItems[] = {
        {"moveSelectedUpCommandButton", C::MoveSelectedUp, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up), false,
         QT_TR_NOOP("Front")},
        {"moveSelectedDownCommandButton", C::MoveSelectedDown, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down),
         false, QT_TR_NOOP("Back")},
        {"increaseSelectedInSizeCommandButton", C::IncreaseSelectedInSize, QKeySequence(Qt::CTRL | Qt::Key_Equal),
         false, QT_TR_NOOP("Larger")},
        {"decreaseSelectedInSizeCommandButton", C::DecreaseSelectedInSize, QKeySequence(Qt::CTRL | Qt::Key_Minus),
         false, QT_TR_NOOP("Smaller")},
        {"rotateSelected0CommandButton", C::RotateSelectedToZero, {}, false, QT_TR_NOOP("Straighten")},
        {"rotateSelectedAnticlockwiseCommandButton", C::RotateSelectedAntiClockwise,
         QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), false, QT_TR_NOOP("Rotate Left")},
        {"rotateSelectedClockwiseCommandButton", C::RotateSelectedClockwise,
         QKeySequence(Qt::CTRL | Qt::Key_BracketRight), false, QT_TR_NOOP("Rotate Right")},
        {"makeSelectedEmptyCommandButton", C::MakeSelectedEmpty, {}, true, QT_TR_NOOP("Empty")},
        {"cropSelectedCommandButton", C::CropSelected, {}, true, QT_TR_NOOP("Crop")},
        {"removeCropFromSelectedCommandButton", C::RemoveCropFromSelected, {}, true, QT_TR_NOOP("Uncrop")},
    };
    m_arrangeMenu = menuBar()->addMenu(tr("&Arrange"));
    m_arrangeMenu->setObjectName(QStringLiteral("menuArrange"));

    const auto addItem = [this](QMenu* menu, const Item& item) {
        QAction* action = menu->addAction(FotoloomController::commandName(item.command), this,
                                          [this, command = item.command] { m_controller->runCommand(command); });
        action->setObjectName(QLatin1String(item.name));
        action->setShortcut(item.shortcut);
        action->setIconText(tr(item.buttonText));
        m_commandActions.insert(QLatin1String(item.name), action);
        return action;
    };
    // Shapes in menu order: the plain photo, then 0..8.
    const QList<std::pair<qint64, QString>> shapes{
        {-1, tr("Photo")},   {0, tr("Oval")},    {1, tr("Square")},   {2, tr("Diamond")},
        {3, tr("Hexagon")},  {4, tr("Upright Hexagon")}, {5, tr("Heart")}, {6, tr("Octagon")},
        {7, tr("Triangle")}, {8, tr("Upside-down Triangle")}};
    const auto addShapeMenu = [&](const QString& title, const char* name, bool allPictures) {
        QMenu* shapeMenu = m_arrangeMenu->addMenu(title);
        shapeMenu->menuAction()->setIconText(tr("Shape"));
        for (const auto& [shape, label] : shapes)
            shapeMenu->addAction(label, this,
                                 [this, shape, allPictures] { m_controller->changeShape(shape, allPictures); });
        shapeMenu->menuAction()->setObjectName(QLatin1String(name));
        m_commandActions.insert(QLatin1String(name), shapeMenu->menuAction());
        return shapeMenu->menuAction();
    };

    QList<QAction*> forAll;
    for (const Item& item : allItems) {
        QAction* action = addItem(m_arrangeMenu, item);
        // Cells can be added to, or taken from, a collage without pictures.
        if (item.command != C::IncreasePositions && item.command != C::DecreasePositions)
            forAll.append(action);
    }
    forAll.append(addShapeMenu(tr("All Shapes"), "changeShapeAllPopupButton", true));
    // Typed cells replace the pictures too, so they are offered with or without pictures.
    QAction* positions = m_arrangeMenu->addAction(tr("Cell Positions…"), this, [this] {
        auto* sheet = new PositionsSheet(
            [this](const QString& text) { return m_controller->setPositionsOfCells(text); }, this);
        ::qf::openSheet(sheet, this);
    });
    positions->setObjectName(QStringLiteral("setPositionsOnZigMosaicButton"));
    positions->setIconText(tr("Cell Positions…"));
    m_commandActions.insert(positions->objectName(), positions);
    m_arrangeMenu->addSeparator();
    QList<QAction*> forSelected, forPicture;
    for (const Item& item : selectedItems)
        (item.needsPicture ? forPicture : forSelected).append(addItem(m_arrangeMenu, item));
    forPicture.append(addShapeMenu(tr("Shape"), "shapeChangeSelectedPopupButton", false));

    const auto enableWhen = [this](const char* key, QList<QAction*> actions, std::function<bool(const QVariant&)> on) {
        m_bindings.push_back(std::make_unique<CollageKeyBinding>(
            *m_controller, QLatin1String(key), [actions, on](const QVariant& v) {
                for (QAction* action : actions)
                    action->setEnabled(on(v));
            }));
    };
    enableWhen("images", forAll, [](const QVariant& v) { return !v.toStringList().isEmpty(); });
    enableWhen("pictureInDrawingViewSelected", forSelected, [](const QVariant& v) { return v.toBool(); });
    enableWhen("nonEmptyPictureInDrawingViewSelected", forPicture, [](const QVariant& v) { return v.toBool(); });
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
            {c.templateCategory1(), c.templateCategory2(), c.templateCategory3()}, c.templateDescription(),
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
    connect(m_ui->actionExport, &QAction::triggered, this, [this] { m_controller->exportPicture(); });

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
        [this](const CropResult& result) { m_controller->cropSelectedTo(result.widthToHeight, result.crop); },
        [this] { m_controller->runCommand(FotoloomController::CollageCommand::RemoveCropFromSelected); }, this);
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
