#include "document/CollageDocument.h"

#include "document/WorkWithFileFormat.h"
#include "platform/files/FileWrapperReader.h"
#include "platform/core/PictureMemory.h"
#include "platform/files/SaveLeftovers.h"
#include "platform/plist/PropertyList.h"
#include "platform/services/ApplicationLookup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>

#include <cmath>
#include <queue>
#include <utility>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcDocument, "qf.document", QtInfoMsg)

const QString kDesignEntry = QStringLiteral("collage.design");
const QString kImagesEntry = QStringLiteral("Images");
const QString kPreviewEntry = QStringLiteral("preview.jpeg");
const QString kTemplateInfoEntry = QStringLiteral("TemplateInfo.plist");

// The reader's progress, for following a failed open in the log.
void trace(char step)
{
    qCDebug(lcDocument, "readFromFileWrapper %c", step);
}

CollageDocument::HostFactory& defaultHostFactory()
{
    static CollageDocument::HostFactory factory;
    return factory;
}

} // namespace

QString CollageDocument::projectType() { return QStringLiteral("com.bramblequartz.quiltfoliodesignproject"); }
QString CollageDocument::designType() { return QStringLiteral("com.bramblequartz.quiltfoliodesign"); }
QString CollageDocument::jpegType() { return QStringLiteral("public.jpeg"); }
QString CollageDocument::pngType() { return QStringLiteral("public.png"); }
QString CollageDocument::tiffType() { return QStringLiteral("public.tiff"); }
QString CollageDocument::projectExtension() { return QStringLiteral("quiltfolioproj"); }
QString CollageDocument::designExtension() { return QStringLiteral("quiltfolio"); }

QString CollageDocument::corruptFileMessage()
{
    return tr("This file is corrupt and can't be opened.");
}

QString CollageDocument::unsupportedTypeMessage()
{
    return tr("Quiltfolio can open .%1 or .%2 files only.").arg(designExtension(), projectExtension());
}

QString CollageDocument::wrongKindMessage(const QString& typeName)
{
    if (typeName == projectType())
        return tr("This project is damaged and can't be opened: a Quiltfolio project is a folder, and this one is "
                  "a single file.");
    return tr("This file is damaged and can't be opened: a Quiltfolio design is a single file, and this one is "
              "a folder.");
}

QString CollageDocument::newerVersionMessage()
{
    return tr("This file has been created using a more recent version of Quiltfolio than yours. "
              "Please update to the latest version of Quiltfolio to open this file.");
}

QString CollageDocument::saveAsMessage()
{
    return tr("\nUse 'File -> Save As' menu to save this file.");
}

std::optional<QString> CollageDocument::typeForPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == projectExtension())
        return projectType();
    if (suffix == designExtension())
        return designType();
    if (suffix == u"jpg" || suffix == u"jpeg")
        return jpegType();
    if (suffix == u"png")
        return pngType();
    if (suffix == u"tif" || suffix == u"tiff")
        return tiffType();
    return std::nullopt;
}

bool CollageDocument::isNativeType(const QString& typeName)
{
    return typeName == projectType() || typeName == designType();
}

int CollageDocument::tiffCompressionCode(int index)
{
    switch (index) {
    case 0:
        return 1;
    case 2:
        return 32773;
    default:
        return 5;
    }
}

QList<DocumentType> CollageDocument::readableDocumentTypes()
{
    return {
        {projectType(), tr("Quiltfolio project"), projectExtension(), true},
        {designType(), tr("Quiltfolio design (older)"), designExtension(), false},
    };
}

QList<DocumentType> CollageDocument::writableDocumentTypes()
{
    // The single-file design is read only: saving converts it to a package.
    return {readableDocumentTypes().first()};
}

QList<DocumentType> CollageDocument::exportableDocumentTypes()
{
    return {
        {jpegType(), tr("JPEG image"), QStringLiteral("jpg"), false, {QStringLiteral("jpeg")}},
        {pngType(), tr("PNG image"), QStringLiteral("png"), false, {}},
        {tiffType(), tr("TIFF image"), QStringLiteral("tiff"), false, {QStringLiteral("tif")}},
    };
}

CollageDocument::CollageDocument()
{
    setDocumentTypes(readableDocumentTypes(), writableDocumentTypes(), exportableDocumentTypes());
}

CollageDocument::~CollageDocument()
{
}

void CollageDocument::setDefaultHostFactory(HostFactory factory)
{
    defaultHostFactory() = std::move(factory);
}

void CollageDocument::makeWindowControllers()
{
    if (m_host)
        return;
    const HostFactory& factory = m_hostFactory ? m_hostFactory : defaultHostFactory();
    if (factory)
        m_host = factory(*this);
}

Status CollageDocument::readFromFileWrapper(const FileWrapper& wrapper, const QString& typeName)
{
    qCInfo(lcDocument) << "readFromFileWrapper typeName:" << typeName;

    // Read into locals: a failed read leaves the document as it was.
    std::optional<QByteArray> jsonData;
    QList<std::shared_ptr<Container>> store;
    std::optional<QVariantMap> templateInfo;
    std::shared_ptr<FileWrapper> preview;

    if (typeName == projectType() && wrapper.isDirectory()) {
        trace('A');
        const auto design = wrapper.fileWrapper(kDesignEntry);
        if (!design) {
            trace('G');
            return Status::failure(corruptFileMessage(), QStringLiteral("no collage.design"));
        }
        trace('B');
        // A folder of that name has no contents and fails the check below.
        if (design->isRegularFile())
            jsonData = design->regularFileContents();

        if (const auto images = wrapper.fileWrapper(kImagesEntry)) {
            trace('C');
            if (!images->fileWrappers().empty()) {
                trace('D');
                for (const auto& [name, child] : images->fileWrappers()) {
                    trace('E');
                    if (!child->isRegularFile())
                        continue;
                    trace('F');
                    store.append(std::make_shared<Container>(child->regularFileContents(), name));
                }
            }
        }

        trace('I');
        preview = wrapper.fileWrapper(kPreviewEntry);
        if (preview && !preview->isRegularFile())
            preview.reset();
        trace(preview ? 'J' : 'K');

        trace('L');
        if (const auto info = wrapper.fileWrapper(kTemplateInfoEntry)) {
            trace('M');
            if (info->isRegularFile())
                templateInfo = PropertyList::readDictionary(info->regularFileContents());
        }
    } else if (typeName == designType() && wrapper.isRegularFile()) {
        trace('N');
        jsonData = wrapper.regularFileContents();
    } else {
        trace('O');
        return Status::failure(isNativeType(typeName) ? wrongKindMessage(typeName) : unsupportedTypeMessage(),
                               typeName);
    }

    trace('Q');
    if (!jsonData || !WorkWithFileFormat::containsValidFileFormat(*jsonData)) {
        trace('R');
        return Status::failure(corruptFileMessage(), QStringLiteral("envelope check failed"));
    }
    trace('U');
    const qint8 version = WorkWithFileFormat::getFileCreatedUsingVersion(*jsonData);
    if (version > WorkWithFileFormat::currentVersion()) {
        trace('V');
        return Status::failure(newerVersionMessage(), QStringLiteral("version %1").arg(version));
    }
    trace('X');

    m_jsonData = std::move(jsonData);
    // Every picture's identity is wanted before the collage can find it: the
    // files are hashed on all cores, from the bytes just read.
    QList<Container*> hashed;
    for (const auto& container : std::as_const(store))
        hashed.append(container.get());
    Container::makeIdentities(hashed);
    // All are kept, repeats too, as they were read; the first of each
    // identity is the one found.
    m_containerForIdentity.clear();
    for (const auto& container : std::as_const(store))
        if (const std::optional<QString> md5 = container->md5(); md5 && !m_containerForIdentity.contains(*md5))
            m_containerForIdentity.insert(*md5, container);
    m_imageWrapperContainers = std::move(store);
    m_templateInfoDict = std::move(templateInfo);
    m_previewImageFileWrapper = std::move(preview);
    setFileType(typeName);
    return Status::success();
}

Status CollageDocument::readFromPath(const QString& path)
{
    const std::optional<QString> type = typeForPath(path);
    if (!type || (*type != projectType() && *type != designType()))
        return Status::failure(unsupportedTypeMessage(), path);
    return readFromPath(path, *type);
}

Status CollageDocument::readFromPath(const QString& path, const QString& typeName)
{
    const bool wantFolder = typeName == projectType();
    if (!isNativeType(typeName))
        return Status::failure(unsupportedTypeMessage(), typeName);
    // A save killed midway may have left the package only in hidden copies
    // beside it, or left copies that now only take space.
    SaveLeftovers::tidy(path);
    const QFileInfo info(path);
    // The wrong kind is refused before anything is read.
    if (info.exists() && (wantFolder ? !info.isDir() : !info.isFile()))
        return Status::failure(wrongKindMessage(typeName), path);

    FileWrapperReader::Limits limits;
    // The package itself and "Images"; nothing deeper is used.
    limits.maxDepth = 1;
    const FileWrapperReader::Result read = FileWrapperReader::read(path, limits);
    if (!read.status)
        return read.status;
    for (const QString& skipped : read.skipped)
        qCInfo(lcDocument) << "not read (a link, a special file or too deep):" << skipped;

    Status status = readFromFileWrapper(*read.wrapper, typeName);
    if (status)
        setFileName(info.absoluteFilePath());
    return status;
}

CollageDocument::FileWrapperResult CollageDocument::fileWrapperOfType(const QString& typeName)
{
    FileWrapperResult result;
    const bool project = typeName == projectType();
    const bool image = typeName == jpegType() || typeName == pngType() || typeName == tiffType();
    if (!project && !image) {
        result.status = Status::failure(saveAsMessage(), typeName);
        return result;
    }
    if (!m_host) {
        result.status = Status::failure(tr("The document couldn't be saved because it has no collage."),
                                        QStringLiteral("no window controller"));
        return result;
    }

    if (image) {
        DocumentHost::SaveData data = m_host->saveDataOfType(typeName, m_jpegCompression,
                                                              tiffCompressionCode(m_tiffCompression));
        // A picture that failed to encode must not replace a good file.
        if (data.bytes.isEmpty()) {
            result.status = data.status.ok()
                ? Status::failure(tr("The picture couldn't be made, so nothing was saved."),
                                  QStringLiteral("empty rendering for ") + typeName)
                : data.status;
            return result;
        }
        result.wrapper = FileWrapper::makeRegularFile(std::move(data.bytes));
        return result;
    }

    QByteArray envelope = m_host->dataOfTypeForSave(designType(), 0.96, 5);
    // Never replace a readable project with one we could not read back.
    if (!WorkWithFileFormat::containsValidFileFormat(envelope)) {
        result.status = Status::failure(tr("The document couldn't be saved because its collage could not be written."),
                                        QStringLiteral("invalid envelope from the editor"));
        return result;
    }
    auto package = FileWrapper::makeDirectory();
    package->addRegularFile(std::move(envelope), kDesignEntry);

    auto images = FileWrapper::makeDirectory(kImagesEntry);
    const QStringList used = m_host->allPicturesInUse();
    const QSet<QString> inUse(used.begin(), used.end());
    for (const auto& container : std::as_const(m_imageWrapperContainers)) {
        const std::optional<QString> md5 = container->md5();
        if (md5 && inUse.contains(*md5))
            images->addRegularFile(container->regularFileContents(), container->preferredFilename());
    }
    package->addFileWrapper(std::move(images));
    result.wrapper = std::move(package);
    return result;
}

Status CollageDocument::saveToPath(const QString& path, const QString& typeName, SaveOperation operation)
{
    QString target = path;
    // A package without its extension could not be opened again.
    if (typeName == projectType() && QFileInfo(target).suffix().compare(projectExtension(), Qt::CaseInsensitive) != 0)
        target += u'.' + projectExtension();

    const FileWrapperResult made = fileWrapperOfType(typeName);
    if (!made.status)
        return made.status;
    Status written = AtomicFileWriter::write(*made.wrapper, target, m_writeOptions);
    if (!written)
        return written;
    if (operation != SaveOperation::SaveTo) {
        setFileName(QFileInfo(target).absoluteFilePath());
        setFileType(typeName);
    }
    m_host->savedSuccessfullyToFileType(typeName);
    return Status::success();
}

CollageDocument::SaveOperation CollageDocument::saveDocument() const
{
    if (fileType() == designType() || fileName().isEmpty())
        return SaveOperation::SaveAs;
    return SaveOperation::Save;
}

std::optional<bool> CollageDocument::validateUserInterfaceItem(QStringView action) const
{
    if (action == u"saveDocument" && fileType() == designType())
        return true;
    return std::nullopt;
}

bool CollageDocument::canSave() const
{
    return validateUserInterfaceItem(u"saveDocument").value_or(Document::canSave());
}

void CollageDocument::setJpegCompression(double quality)
{
    // Out-of-range or non-finite settings keep the default quality.
    m_jpegCompression = (quality >= 0.0 && quality <= 1.0) ? quality : 0.96;
}

// ---- exports and printing ---------------------------------------------------------------

void CollageDocument::exportAsJpeg()
{
    m_exportPriorityType = jpegType();
    saveDocumentTo();
}

void CollageDocument::exportAsPng()
{
    m_exportPriorityType = pngType();
    saveDocumentTo();
}

void CollageDocument::exportAsTiff()
{
    m_exportPriorityType = tiffType();
    saveDocumentTo();
}

void CollageDocument::saveDocumentTo(Done done)
{
    saveTo(std::move(done));
}

void CollageDocument::prepareSavePanel(SavePanelRequest& request, SaveOperation operation)
{
    m_qfSaveOperationType = operation;
    if (operation != SaveOperation::SaveTo)
        return;

    // The view exists where the windowing layer makes one; without it the
    // choices still work through the fields.
    if (!m_accessory) {
        m_accessory = SaveAccessory::make();
        if (m_accessory) {
            m_accessory->typeChosen = [this](int index) { accessoryFileTypeChanged(index); };
            m_accessory->jpegQualityChanged = [this](int value) { setJpegCompression(value / 100.0); };
            m_accessory->tiffCompressionChosen = [this](int index) { setTiffCompression(index); };
        }
    }
    if (m_accessory) {
        m_accessory->showJpegQuality(int(std::lround(m_jpegCompression * 100)));
        m_accessory->showTiffCompression(m_tiffCompression);
    }
    request.accessory = customAccessoryView();

    if (m_exportPriorityType) {
        m_currentFileType = *m_exportPriorityType;
        m_exportPriorityType.reset();
    } else {
        m_currentFileType = m_host && m_host->backgroundIsTransparent() ? pngType() : jpegType();
    }
    request.selectedType = m_currentFileType;
    if (const std::optional<DocumentType> type = typeNamed(m_currentFileType))
        request.types = {*type};

    QPointer<CollageDocument> self(this);
    request.panelChanged = [self](SavePanel* panel) {
        if (!self)
            return;
        self->m_qfSavePanel = panel;
        if (panel)
            self->setupAccessoryViewStuff();
    };
}

QString CollageDocument::saveTypeForPanelType(const QString& panelType, SaveOperation operation) const
{
    if (operation == SaveOperation::SaveTo && !m_currentFileType.isEmpty())
        return m_currentFileType;
    return panelType;
}

void CollageDocument::setupAccessoryViewStuff()
{
    int index;
    if (m_currentFileType == jpegType())
        index = 0;
    else if (m_currentFileType == pngType())
        index = 1;
    else if (m_currentFileType == tiffType())
        index = 2;
    else
        return;
    if (m_accessory)
        m_accessory->showType(index);
}

void CollageDocument::accessoryFileTypeChanged(int index)
{
    static const QStringList types{jpegType(), pngType(), tiffType()};
    if (index >= 0 && index < types.size()) {
        m_currentFileType = types[index];
        if (m_qfSavePanel) {
            if (const std::optional<DocumentType> type = typeNamed(m_currentFileType))
                m_qfSavePanel->setAllowedType(*type);
        }
    }
    setupAccessoryViewStuff();
}

void CollageDocument::printDocument(Done done)
{
    const std::shared_ptr<ApplicationLookup> lookup =
        m_applicationLookup ? m_applicationLookup : ApplicationLookup::desktopLookup();
    if (m_host && lookup->hasApplication(QStringLiteral("com.apple.Preview"))) {
        m_host->printUsingPreview(true, false);
        if (done)
            done(true);
        return;
    }
    if (m_host && lookup->hasApplication(QStringLiteral("com.apple.iPhoto"))) {
        m_host->printUsingPreview(false, true);
        if (done)
            done(true);
        return;
    }
    runPrintOperation(printOperationWithSettings(), std::move(done));
}

std::shared_ptr<PrintOperation> CollageDocument::printOperationWithSettings()
{
    return m_host ? m_host->getPrintOperation() : nullptr;
}

std::shared_ptr<CollageDocument::Container> CollageDocument::getFileWrapperContainer(const QString& md5) const
{
    return m_containerForIdentity.value(md5);
}

void CollageDocument::addImage(std::shared_ptr<Container> container)
{
    if (!container)
        return;
    const std::optional<QString> md5 = container->md5();
    if (md5 && m_containerForIdentity.contains(*md5))
        return;
    if (md5)
        m_containerForIdentity.insert(*md5, container);
    m_imageWrapperContainers.append(std::move(container));
}

void CollageDocument::addImages(const QList<std::shared_ptr<Container>>& containers)
{
    for (const auto& container : containers)
        addImage(container);
}

qint64 CollageDocument::drawingImageBytes() const
{
    qint64 total = 0;
    for (const auto& container : m_imageWrapperContainers)
        total += container->drawingImageBytes();
    return total;
}

CollageDocument::Container::DrawingSizePlan CollageDocument::drawingSizePlan() const
{
    std::vector<QSize> kept;
    for (const auto& container : m_imageWrapperContainers)
        if (container->hasDrawingSizeImage())
            kept.push_back(container->drawingImageSize());
    return [kept = std::move(kept), budget = m_drawingImageBudget](const std::vector<QSize>& full) {
        std::vector<QSize> all = kept;
        all.insert(all.end(), full.begin(), full.end());
        all = Container::sizesWithinBudget(std::move(all), budget);
        return std::vector<QSize>(all.end() - qsizetype(full.size()), all.end());
    };
}

void CollageDocument::makeDrawingSizeImages(const QStringList& md5s)
{
    QList<Container*> containers;
    for (const QString& md5 : md5s)
        if (const auto container = getFileWrapperContainer(md5))
            containers.append(container.get());
    Container::makeDrawingSizeImages(containers, drawingSizePlan());
}

QStringList CollageDocument::boundDrawingImageMemory(qint64 budget)
{
    if (budget <= 0)
        budget = m_drawingImageBudget;
    std::vector<QSize> sizes;
    for (const auto& container : m_imageWrapperContainers)
        sizes.push_back(container->drawingImageSize());
    sizes = Container::sizesWithinBudget(std::move(sizes), budget);
    QSet<QString> changed;
    for (qsizetype i = 0; i < m_imageWrapperContainers.size(); ++i) {
        Container& container = *m_imageWrapperContainers[i];
        if (container.shrinkDrawingImage(sizes[size_t(i)]))
            if (const std::optional<QString> md5 = container.md5())
                changed.insert(*md5);
    }
    if (!changed.isEmpty()) {
        qCInfo(lcDocument) << changed.size() << "picture proxies made smaller to keep within" << budget << "bytes";
        releaseFreedMemory();
    }
    return QStringList(changed.cbegin(), changed.cend());
}

QImage CollageDocument::getCompleteSizeImage(const QString& md5) const
{
    const auto container = getFileWrapperContainer(md5);
    return container ? container->getCompleteSizeImage() : QImage();
}

QImage CollageDocument::getDrawingSizeImage(const QString& md5)
{
    const auto container = getFileWrapperContainer(md5);
    return container ? container->getDrawingSizeImage() : QImage();
}

void CollageDocument::finishPendingChanges()
{
    if (m_host)
        m_host->finishPendingChanges();
}

} // namespace qf
