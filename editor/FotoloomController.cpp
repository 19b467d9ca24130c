#include "editor/FotoloomController.h"

#include "editor/CollageLoader.h"

#include "document/CollageDocument.h"
#include "document/QFRegularFileWrapperContainer.h"
#include "document/WorkWithFileFormat.h"
#include "model/Collage.h"
#include "model/CollageJsonKeys.h"
#include "model/TextPosition.h"
#include "model/UtilityFunctions.h"
#include "platform/graphics/FontCatalogue.h"
#include "platform/json/JsonDocument.h"
#include "platform/json/JsonValues.h"
#include "platform/services/UrlOpener.h"
#include "platform/services/WebSites.h"
#include "platform/undo/UndoManager.h"

#include <QDir>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcEditor, "qf.editor")

// Keeps the popup indexes and the selected text in step with the collage;
// told apart from the undo contexts by identity.
const KVContext kBindingObservationContext{"com.bramblequartz.quiltfolio.FotoloomBindingContext"};

const QString kCollageKey = QStringLiteral("collage");
const QString kTypeIndexKey = QStringLiteral("selectedCollageTypeIndex");
const QString kSizeIndexKey = QStringLiteral("selectedCollageSizeIndex");
const QString kSelectedTextKey = QStringLiteral("currentSelectedText");

// Collage keys whose changes change a binding key of the controller.
const QHash<QString, QString>& bindingKeyForCollageKey()
{
    static const QHash<QString, QString> map{
        {QStringLiteral("collageType"), kTypeIndexKey},
        {QStringLiteral("width"), kSizeIndexKey},
        {QStringLiteral("height"), kSizeIndexKey},
        {QStringLiteral("resolution"), kSizeIndexKey},
        {QStringLiteral("selectedTextPosition"), kSelectedTextKey},
    };
    return map;
}

} // namespace

FotoloomController::FotoloomController(CollageDocument& document, UndoManager* undoManager,
                                       const std::function<void()>& clearRecentDocuments)
    : m_document(document)
    , m_undoManager(undoManager ? undoManager : &document.undoManager())
    , m_intake(std::make_unique<PictureIntake>(*this))
    , m_exporter(std::make_unique<CollageExporter>(*this))
    , m_text(std::make_unique<TextCommands>(*this))
    , m_sizes(std::make_unique<CanvasSizes>(*this, *m_exporter, [this](bool before) {
        if (before)
            willChangeValueForKey(kSizeIndexKey);
        else
            didChangeValueForKey(kSizeIndexKey);
    }))
    , m_runner(std::make_unique<CommandRunner>(*this))
{
    connect(m_intake.get(), &PictureIntake::picturesAdded, this, &FotoloomController::picturesAdded);
    m_sizes->updateCollageSizes();
    UtilityFunctions::doFirstTimeSetup(clearRecentDocuments);
    m_collage = getNewCollageFor(m_collageTypes.newDocumentType());
    m_collage->setMyWindowController(this);

    connect(m_undoManager, &UndoManager::checkpoint, this, &FotoloomController::observeUndoManagerCheckpoint);
    // An undo or redo replaces what the burst was typing into.
    connect(m_undoManager, &UndoManager::didUndo, this, &FotoloomController::closeTypingStep);
    connect(m_undoManager, &UndoManager::didRedo, this, &FotoloomController::closeTypingStep);
}

FotoloomController::~FotoloomController()
{
    observeForBindings(*m_collage, false);
    m_collage->stopObservingProperties(this);
}

const KVKeyTable& FotoloomController::keyTable()
{
    static const KVKeys<FotoloomController> table = [] {
        KVKeys<FotoloomController> t;
        t.derived(kCollageKey, [](const FotoloomController& c) { return static_cast<KVObject*>(c.m_collage.get()); },
                  {});
        t.derived(kTypeIndexKey, &FotoloomController::getSelectedCollageTypeIndex, {kCollageKey});
        t.derived(kSizeIndexKey, &FotoloomController::getSelectedCollageSizeIndex, {kCollageKey});
        t.property(kSelectedTextKey, &FotoloomController::getCurrentSelectedText,
                   &FotoloomController::setCurrentSelectedText);
        t.addDependencies(kSelectedTextKey, {kCollageKey});
        return t;
    }();
    return table;
}

bool FotoloomController::isDocumentEdited() const
{
    return m_document.isDocumentEdited();
}

// ---- collage types ---------------------------------------------------------------

void FotoloomController::setCollageMaker(const QString& type, CollageMaker maker)
{
    m_collageTypes.setMaker(type, std::move(maker));
}

std::shared_ptr<Collage> FotoloomController::getNewCollageFor(const QString& type) const
{
    return m_collageTypes.make(type);
}

// ---- loading -----------------------------------------------------------------------

Status FotoloomController::windowDidLoad()
{
    readTemplateInformation();
    return setupInitialCollageWithJsonData(m_document.jsonData());
}

void FotoloomController::readTemplateInformation()
{
    const std::optional<QVariantMap>& info = m_document.templateInfoDict();
    if (!info)
        return;
    // Values of another type count as absent.
    const auto text = [&info](const char* key) {
        const QVariant v = info->value(QString::fromLatin1(key));
        return v.typeId() == QMetaType::QString ? v.toString() : QString();
    };
    m_templateInformation = {{text("Category1"), text("Category2"), text("Category3")}, text("Description")};
}

Status FotoloomController::setupInitialCollageWithJsonData(const std::optional<QByteArray>& envelope)
{
    if (!envelope) {
        const QString type = m_collageTypes.newDocumentType();
        qCInfo(lcEditor) << "new document: an empty" << type << "collage";
        std::shared_ptr<Collage> fresh = getNewCollageFor(type);
        fresh->setMyWindowController(this);
        setCurrentCollage(std::move(fresh));
        return Status::success();
    }
    if (m_window)
        m_window->startSpinner();
    CollageLoader::Loaded loaded = CollageLoader(*this, m_collageTypes, *this).load(*envelope);
    if (!loaded.collage)
        return giveCouldNotBeOpenedError(loaded.status.detail());
    m_sizes->addCustomSize(QFCollageSize(double(loaded.collage->width()), double(loaded.collage->height()),
                                         SizeUnitPixels, loaded.collage->resolution(), true));
    setCurrentCollage(std::move(loaded.collage));
    return Status::success();
}

Status FotoloomController::giveCouldNotBeOpenedError(const QString& detail)
{
    qCWarning(lcEditor).noquote() << "the collage could not be opened:" << detail;
    const AlertText alert = CollageLoader::couldNotOpenAlert();
    if (m_window) {
        const QPointer<FotoloomController> self(this);
        m_window->showCouldNotOpenSheet(alert, [self] {
            if (self)
                self->m_document.close();
        });
    }
    return Status::failure(alert.informativeText, detail);
}

// ---- the current collage -------------------------------------------------------------

void FotoloomController::setCurrentCollage(std::shared_ptr<Collage> collage)
{
    if (!collage || collage == m_collage)
        return;
    closeTypingStep();
    willChangeValueForKey(kCollageKey);
    m_collage->stopObservingProperties(this);
    observeForBindings(*m_collage, false);
    m_collage = std::move(collage);
    m_collage->startObservingProperties(this);
    observeForBindings(*m_collage, true);
    didChangeValueForKey(kCollageKey);

    // An undone orientation change turns the printed page back too.
    m_exporter->setPrintInfoOrientation();
    if (m_window) {
        m_window->enableRightControlsAndPositionThem();
        m_window->updateDrawingViewFrame();
        m_window->reloadPictureList();
    }
    setOnscreenDrawingViewNeedsDisplay();
}

void FotoloomController::observeForBindings(Collage& collage, bool observe)
{
    const QHash<QString, QString>& keys = bindingKeyForCollageKey();
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        if (observe)
            collage.addObserver(this, it.key(), KVOptionNew | KVOptionPrior, &kBindingObservationContext);
        else
            collage.removeObserver(this, it.key(), &kBindingObservationContext);
    }
}

void FotoloomController::changeCollageType(qint64 index)
{
    const QStringList types = CollageTypes::typeStrings();
    // Each type has its own type string: the same string is the same type,
    // and a type derived from another (the centre frame from the mosaic)
    // still has a string of its own.
    if (index < 0 || index >= types.size() || types[index] == m_collage->collageType())
        return;
    std::shared_ptr<Collage> next = getNewCollageFor(types[index]);
    if (!next)
        return;

    makeDocumentDirty();
    next->setMyWindowController(this);
    if (m_window)
        m_window->startSpinner();
    next->copyCommonSettings(*m_collage);
    // Each picture once, in the order the old type kept them; the new type
    // lays them out by its own rule.
    const QHash<QString, QImage> images = m_collage->nsImages();
    QStringList pictures = m_collage->images();
    pictures.removeDuplicates();
    next->addPictures(pictures, images,
                      m_collage->md5ToPathsDictionary(), m_collage->md5ToModifiedTimeDictionary());
    setCurrentCollage(std::move(next));
}

// ---- undo -------------------------------------------------------------------------------

void FotoloomController::makeDocumentDirty(const QString& actionName)
{
    // Any other change ends the burst of typing rather than joining it.
    closeTypingStep();
    if (m_dictionaryHoldingUndoRepresentation)
        return;
    if (m_undoManager->isUndoing() || m_undoManager->isRedoing())
        return;
    QJsonObject snapshot = m_collage->dictionaryRepresentationActual(false);
    registerSnapshotWithUndoManager(snapshot);
    if (!actionName.isEmpty())
        m_undoManager->setActionName(actionName);
    // Kept after registering, which may announce a group boundary.
    m_dictionaryHoldingUndoRepresentation = std::move(snapshot);
}

void FotoloomController::observeUndoManagerCheckpoint()
{
    if (m_typingStepOpen)
        return;
    m_dictionaryHoldingUndoRepresentation.reset();
}

void FotoloomController::closeTypingStep()
{
    if (!m_typingStepOpen)
        return;
    m_typingStepOpen = false;
    m_dictionaryHoldingUndoRepresentation.reset();
}

void FotoloomController::endTypingText()
{
    m_typingText = false;
    closeTypingStep();
}

void FotoloomController::finishPendingChanges()
{
    m_intake->finishAddingPictures();
    // A save marks the history; typing after it must show as a change again.
    closeTypingStep();
}

void FotoloomController::registerSnapshotWithUndoManager(const QJsonObject& snapshot)
{
    // The history may outlive this controller when the document closes.
    const QPointer<FotoloomController> self(this);
    m_undoManager->registerUndo([self, snapshot] {
        if (self)
            self->setupWithDictionary(snapshot);
    });
}

void FotoloomController::setupWithDictionary(const QJsonObject& snapshot)
{
    const QString type = CollageTypes::typeOfJson(snapshot);
    if (!m_collageTypes.canMake(type)) {
        // Snapshots come from collages this build made; log rather than end.
        qCCritical(lcEditor) << "an undo snapshot of an unknown collage type" << type;
        return;
    }
    registerSnapshotWithUndoManager(m_collage->dictionaryRepresentationActual(false));
    // The step replaces the collage the pending snapshot was taken from.
    closeTypingStep();
    m_dictionaryHoldingUndoRepresentation.reset();

    setCurrentCollage(m_collageTypes.makeFromJson(snapshot, this));
}

void FotoloomController::observeValueForKeyPath(const QString& key, KVObject*, const KVChange& change,
                                                const KVContext* context)
{
    if (context == &kBindingObservationContext) {
        const QString bindingKey = bindingKeyForCollageKey().value(key);
        if (bindingKey.isEmpty())
            return;
        if (change.isPrior) {
            willChangeValueForKey(bindingKey);
        } else {
            // Typing goes on in another item now: a step of its own.
            if (bindingKey == kSelectedTextKey)
                closeTypingStep();
            didChangeValueForKey(bindingKey);
        }
        return;
    }

    const bool collageChange = context == &QFUndoCollageObservationContext;
    const bool textChange = context == &QFUndoTextObservationContext;
    if (!collageChange && !textChange)
        return;
    if (change.isPrior) {
        makeDocumentDirty();
        return;
    }
    if (!change.newValue.isValid() || key.isEmpty())
        return;
    // No text key has a follow-up; changes of text keys only redraw.
    using Hook = void (FotoloomController::*)();
    static const QHash<QString, Hook> hooks{
        {QStringLiteral("lockText"), &FotoloomController::postProcessingCollageLockText},
        {QStringLiteral("lockPictures"), &FotoloomController::postProcessingCollageLockPictures},
        {QStringLiteral("backgroundColor"), &FotoloomController::postProcessingCollageBackgroundColor},
    };
    if (const Hook hook = collageChange ? hooks.value(key) : nullptr)
        (this->*hook)();
    else if (collageChange)
        // The type's own follow-up of a setting its controls change.
        if (const auto followUp = CollageTypes::followUp(m_collage->collageType(), key))
            followUp(*m_collage);
    setOnscreenDrawingViewNeedsDisplay();
}

void FotoloomController::postProcessingCollageLockText()
{
    if (m_collage->lockText())
        m_collage->setSelectedTextPosition(-1);
}

void FotoloomController::postProcessingCollageLockPictures()
{
    if (m_collage->lockPictures())
        m_collage->setSelectedImagePosition(-1);
}

void FotoloomController::postProcessingCollageBackgroundColor()
{
    if (m_window)
        m_window->showBackgroundImage(QImage());
    m_collage->setBackgroundIsImage(false);
    m_collage->setBackgroundImagePath(QString());
}

// ---- saving ---------------------------------------------------------------------------

QByteArray FotoloomController::getCurrentCollageFileData() const
{
    return WorkWithFileFormat::getFileDataForActualJsonData(m_collage->jsonStringNSData());
}

QByteArray FotoloomController::dataOfTypeForSave(const QString& typeName, double jpegCompression,
                                                 int tiffCompression)
{
    SaveData data = saveDataOfType(typeName, jpegCompression, tiffCompression);
    if (!data.status)
        qCWarning(lcEditor).noquote() << data.status.message() << data.status.detail();
    return data.bytes;
}

DocumentHost::SaveData FotoloomController::saveDataOfType(const QString& typeName, double jpegCompression,
                                                          int tiffCompression)
{
    if (typeName == CollageDocument::designType())
        return {getCurrentCollageFileData(), Status::success()};
    return m_exporter->dataOfTypeAtCollageSize(typeName, jpegCompression, tiffCompression);
}

QStringList FotoloomController::allPicturesInUse() const
{
    return m_collage->allPicturesInUse();
}

void FotoloomController::savedSuccessfullyToFileType(const QString& typeName)
{
    m_exporter->savedSuccessfullyToFileType(typeName);
}

bool FotoloomController::backgroundIsTransparent() const
{
    return m_collage && m_collage->backgroundIsTransparent();
}


// ---- actions --------------------------------------------------------------------------

void FotoloomController::setTemplateInformation(const QStringList& categories, const QString& description)
{
    const auto category = [&categories](qsizetype i) { return categories.value(i).trimmed(); };
    m_templateInformation = {{category(0), category(1), category(2)}, description.trimmed()};
}

void FotoloomController::cropPicture(const QImage& image, double widthToHeight,
                                     const std::optional<PanZoomPos>& crop, bool constrainAspect, qint64 shape)
{
    const bool hasRatio = std::isfinite(widthToHeight) && widthToHeight > 0;
    if (constrainAspect && !hasRatio) {
        qCWarning(lcEditor) << "a crop with a fixed aspect came without one; no crop sheet";
        return;
    }
    if (image.isNull()) {
        qCWarning(lcEditor) << "the picture to crop has no image";
        return;
    }
    if (m_window)
        m_window->showCropSheet(image, widthToHeight, crop, constrainAspect, shape);
}

void FotoloomController::beginContinuousChange()
{
    if (m_continuousChange)
        endContinuousChange();
    m_undoManager->setGroupsByEvent(false);
    m_undoManager->beginUndoGrouping();
    m_continuousChange = true;
}

void FotoloomController::endContinuousChange()
{
    if (!m_continuousChange)
        return;
    m_continuousChange = false;
    if (m_undoManager->groupingLevel() > 0)
        m_undoManager->endUndoGrouping();
    m_undoManager->setGroupsByEvent(true);
}

void FotoloomController::setOnscreenDrawingViewNeedsDisplay()
{
    if (m_window)
        m_window->setCanvasNeedsDisplay();
}

bool FotoloomController::validateMenuItem(MenuItemState& item) const
{
    if (item.action == QLatin1String("switchSavePreviewImage:"))
        item.checked = m_savePreviewImage;
    else if (item.action == QLatin1String("setDesktopPicture:"))
        item.title = tr("Set Desktop Picture");
    // The photo-library service's title and image come from the sharing
    // layer, which offers none here.
    return true;
}

// ---- binding keys -----------------------------------------------------------------------

qint64 FotoloomController::getSelectedCollageTypeIndex() const
{
    const qsizetype index = CollageTypes::indexOf(m_collage->collageType());
    return index < 0 ? 0 : index;
}

qint64 FotoloomController::getSelectedCollageSizeIndex() const
{
    return m_sizes->indexOfSize(*m_collage);
}

QString FotoloomController::getCurrentSelectedText() const
{
    const TextPositionPtr item = m_collage->selectedText();
    return item ? item->content() : QString();
}

void FotoloomController::setCurrentSelectedText(const QString& text)
{
    const TextPositionPtr item = m_collage->selectedText();
    if (!item || item->content() == text)
        return;
    // While the editor has the keyboard, the first write's snapshot stands
    // for the whole burst: later writes record nothing, and the checkpoints
    // between them keep it.
    if (!m_typingStepOpen) {
        makeDocumentDirty();
        m_typingStepOpen = m_typingText && m_dictionaryHoldingUndoRepresentation.has_value();
    }
    item->setContent(text);
    setOnscreenDrawingViewNeedsDisplay();
}

void FotoloomController::setValueForUndefinedKey(const QVariant& value, const QString& key)
{
    if (key == kTypeIndexKey || key == kSizeIndexKey)
        return;
    KVObject::setValueForUndefinedKey(value, key);
}

// ---- CollageHost ------------------------------------------------------------------------

QImage FotoloomController::drawingSizeImage(const QString& md5)
{
    return m_document.getDrawingSizeImage(md5);
}

QImage FotoloomController::completeSizeImage(const QString& md5)
{
    return m_document.getCompleteSizeImage(md5);
}

std::optional<QString> FotoloomController::importPicture(const QString& path)
{
    const auto container = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainerForImage(path);
    const std::optional<QString> md5 = container ? container->md5() : std::nullopt;
    if (!md5)
        return std::nullopt;
    m_document.addImage(container);
    return md5;
}

void FotoloomController::keepPicturesWithinMemory()
{
    m_intake->keepPicturesWithinMemory(m_caches);
}

void FotoloomController::picturesNotShown(qsizetype count)
{
    if (m_toldPicturesNotShown || !m_window)
        return;
    m_toldPicturesNotShown = true;
    m_window->showAlertSheet(PictureIntake::picturesNotShownAlert(count));
}

void FotoloomController::picturesPutBack(qsizetype count)
{
    if (m_toldPicturesPutBack || !m_window || count <= 0)
        return;
    m_toldPicturesPutBack = true;
    m_window->showAlertSheet(CollageLoader::picturesPutBackAlert(count));
}

QPointF FotoloomController::faceCentroidInImage(const QImage& image)
{
    return UtilityFunctions::faceCentroidInImage(image);
}

} // namespace qf
