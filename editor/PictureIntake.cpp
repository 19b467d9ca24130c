#include "editor/PictureIntake.h"

#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"

#include "document/CollageDocument.h"
#include "layouts/CollageTypes.h"
#include "editor/PicturePanel.h"
#include "model/Collage.h"
#include "model/CollageCaches.h"
#include "model/Position.h"
#include "model/UtilityFunctions.h"
#include "platform/defaults/RememberedFolders.h"
#include "platform/undo/UndoManager.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QPointer>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <limits>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcIntake, "qf.editor.intake")

using Container = QFRegularFileWrapperContainer;

// While an undo group is open (a drag, or changes of this event) the
// pictures wait: they must be an undo step of their own.
constexpr int kIntakeRetryMs = 50;

// The given files, and the direct children of the given folders, in order.
QStringList expandDirectories(const QStringList& paths)
{
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        if (!info.isDir()) {
            files.append(info.absoluteFilePath());
            continue;
        }
        // Sub-folders are not entered; by name, so an add is the same every time.
        const QFileInfoList children =
            QDir(path).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                                     QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& child : children)
            files.append(child.absoluteFilePath());
    }
    return files;
}

QSet<QString> knownFaces(const Collage& collage)
{
    const QHash<QString, QPointF>& faces = collage.faceCentroidDict();
    QSet<QString> keys;
    for (auto it = faces.cbegin(); it != faces.cend(); ++it)
        keys.insert(it.key());
    return keys;
}

} // namespace

// A file read, hashed and decoded, waiting for the collage.
struct PictureIntake::PreparedPicture {
    QString path;
    std::shared_ptr<Container> container;
    QDateTime modified;
    // Where the faces are, found while other files decode; none when the
    // collage knew the picture's faces already.
    std::optional<QPointF> faceCentroid;
};

// One add being read on worker threads.
struct PictureIntake::IntakeJob {
    QFutureWatcher<QList<PreparedPicture>> watcher;
    qsizetype total = 0;
    PendingIntake request;

    ~IntakeJob()
    {
        // The workers finish their current files and drop the result.
        watcher.disconnect();
        watcher.future().cancel();
    }
};

PictureIntake::PictureIntake(EditorSession& session)
    : m_session(session)
{
}

PictureIntake::~PictureIntake() = default;

// Reads, hashes and decodes the files, spread over all cores, and looks for
// faces in the pictures whose faces are not known yet: the collage would do
// it on the main thread. A cancelled add stops before the files not yet begun.
QList<PictureIntake::PreparedPicture> PictureIntake::prepare(const QStringList& files,
                                                             QFRegularFileWrapperContainer::BatchControl control,
                                                             const QSet<QString>& knownFaces)
{
    std::vector<std::optional<QPointF>> faces(size_t(files.size()));
    const auto cancelled = control.cancelled;
    control.made = [&faces, &knownFaces, cancelled](qsizetype i, Container& made) {
        const std::optional<QString> md5 = made.md5();
        if (!md5 || knownFaces.contains(*md5) || (cancelled && cancelled()))
            return;
        faces[size_t(i)] = UtilityFunctions::faceCentroidInImage(made.getDrawingSizeImage());
    };
    const QList<std::shared_ptr<Container>> containers = Container::getNewRegularFileWrapperContainersForImages(files, control);
    QList<PreparedPicture> out;
    for (qsizetype i = 0; i < files.size() && i < containers.size(); ++i) {
        if (!containers[i] || !containers[i]->md5())
            continue;
        out.append({files[i], containers[i], UtilityFunctions::getFileModifiedDateForPath(files[i]), faces[size_t(i)]});
    }
    return out;
}

QFRegularFileWrapperContainer::BatchControl PictureIntake::plannedBatch() const
{
    QFRegularFileWrapperContainer::BatchControl control;
    control.planDrawingSizes = m_session.document().drawingSizePlan();
    return control;
}

// ---- adding -------------------------------------------------------------------------

bool PictureIntake::isAddingPictures() const
{
    return m_intake != nullptr || !m_pendingIntakes.isEmpty();
}

void PictureIntake::cancelAddingPictures()
{
    m_pendingIntakes.clear();
    if (m_intake) {
        m_intake.reset();
        showIntakeProgress(0, 0);
    }
}

void PictureIntake::addImagesFromDirectoriesOrFiles(const QStringList& paths)
{
    request({paths, std::nullopt, {}});
}

QStringList PictureIntake::filesOf(const PendingIntake& request)
{
    QStringList files;
    if (request.pick)
        files.append(QFileInfo(request.pick->path).absoluteFilePath());
    if (!request.background.isEmpty())
        files.append(QFileInfo(request.background).absoluteFilePath());
    return files + expandDirectories(request.paths);
}

void PictureIntake::request(PendingIntake request)
{
    // An empty add still ends the collage's selection, as any add does.
    if (!m_addsPicturesInBackground || (request.paths.isEmpty() && !request.pick && request.background.isEmpty())) {
        finishIntake(prepare(filesOf(request), plannedBatch(), knownFaces(*m_session.collage())), request);
        return;
    }
    // One at a time, in the order asked: each is its own undo step, and no
    // picture is decoded on the main thread.
    m_pendingIntakes.append(std::move(request));
    if (!m_intake)
        startNextIntake();
}

void PictureIntake::finishAddingPictures()
{
    while (isAddingPictures()) {
        if (const std::shared_ptr<IntakeJob> job = m_intake) {
            job->watcher.waitForFinished();
            QList<PreparedPicture> prepared;
            if (!job->watcher.isCanceled() && job->watcher.future().resultCount() > 0)
                prepared = job->watcher.result();
            m_intake.reset();
            showIntakeProgress(0, 0);
            finishIntake(prepared, job->request);
        }
        if (!m_pendingIntakes.isEmpty()) {
            const PendingIntake next = m_pendingIntakes.takeFirst();
            finishIntake(prepare(filesOf(next), plannedBatch(), knownFaces(*m_session.collage())), next);
        }
    }
}

void PictureIntake::startNextIntake()
{
    if (m_pendingIntakes.isEmpty())
        return;
    const PendingIntake next = m_pendingIntakes.takeFirst();
    auto job = std::make_shared<IntakeJob>();
    job->request = next;
    m_intake = job;
    IntakeJob* raw = job.get();

    connect(&raw->watcher, &QFutureWatcherBase::progressRangeChanged, this,
            [this, raw](int, int maximum) {
                raw->total = maximum;
                showIntakeProgress(0, maximum);
            });
    connect(&raw->watcher, &QFutureWatcherBase::progressValueChanged, this,
            [this, raw](int value) { showIntakeProgress(value, raw->total); });
    connect(&raw->watcher, &QFutureWatcherBase::finished, this, [this, raw] {
        if (m_intake.get() != raw || raw->watcher.isCanceled())
            return;
        QList<PreparedPicture> prepared = raw->watcher.future().resultCount() > 0 ? raw->watcher.result()
                                                                                   : QList<PreparedPicture>();
        // Kept until the pictures are in, so no second add overtakes this one.
        finishIntakeWhenIdle(std::move(prepared));
    });

    raw->watcher.setFuture(QtConcurrent::run([next, faces = knownFaces(*m_session.collage()),
                                              batch = plannedBatch()](
                                                 QPromise<QList<PreparedPicture>>& promise) {
        const QStringList files = filesOf(next);
        promise.setProgressRange(0, int(std::min<qsizetype>(files.size(), std::numeric_limits<int>::max())));
        QFRegularFileWrapperContainer::BatchControl control = batch;
        control.progress = [&promise](qsizetype done) { promise.setProgressValue(int(done)); };
        control.cancelled = [&promise] { return promise.isCanceled(); };
        QList<PreparedPicture> out = prepare(files, control, faces);
        if (!promise.isCanceled())
            promise.addResult(std::move(out));
    }));
}

void PictureIntake::finishIntakeWhenIdle(QList<PreparedPicture> prepared)
{
    if (m_session.undoManager().groupingLevel() > 0) {
        const std::weak_ptr<IntakeJob> job = m_intake;
        QTimer::singleShot(kIntakeRetryMs, this, [this, job, prepared = std::move(prepared)]() mutable {
            if (job.lock() == m_intake && m_intake)
                finishIntakeWhenIdle(std::move(prepared));
        });
        return;
    }
    const PendingIntake request = m_intake ? m_intake->request : PendingIntake{};
    m_intake.reset();
    showIntakeProgress(0, 0);
    finishIntake(prepared, request);
    startNextIntake();
}

void PictureIntake::finishIntake(QList<PreparedPicture> prepared, const PendingIntake& request)
{
    // The slot's or the background's file comes first when it was readable.
    const auto takeFirstIf = [&prepared](const QString& path) -> std::optional<PreparedPicture> {
        if (prepared.isEmpty() || prepared.first().path != QFileInfo(path).absoluteFilePath())
            return std::nullopt;
        return prepared.takeFirst();
    };
    if (!request.background.isEmpty()) {
        if (const std::optional<PreparedPicture> picture = takeFirstIf(request.background))
            applyBackground(*picture);
        return;
    }
    // A drop's slot and the rest of its files are one step.
    if (request.pick) {
        if (const std::optional<PreparedPicture> picture = takeFirstIf(request.pick->path))
            applyPick(*picture, request.pick->slot);
        if (request.paths.isEmpty())
            return;
    }
    m_session.makeDocumentDirty(UndoAction::AddPictures);
    EditorWindow* window = m_session.window();
    if (window)
        window->startSpinner();

    Collage& collage = *m_session.collage();
    QStringList md5s;
    QSet<QString> seen;
    QHash<QString, QImage> images;
    QHash<QString, QString> paths;
    QHash<QString, QDateTime> modified;
    QList<std::shared_ptr<Container>> containers;
    for (const PreparedPicture& picture : prepared) {
        const QImage image = getValidImageThatWeDontAlreadyHave(*picture.container, collage);
        const std::optional<QString> md5 = picture.container->md5();
        // Equal files in one add are one picture.
        if (image.isNull() || !md5 || seen.contains(*md5))
            continue;
        seen.insert(*md5);
        md5s.append(*md5);
        images.insert(*md5, image);
        paths.insert(*md5, picture.path);
        modified.insert(*md5, picture.modified);
        containers.append(picture.container);
        if (picture.faceCentroid && !collage.faceCentroidDict().contains(*md5))
            collage.faceCentroidDict().insert(*md5, *picture.faceCentroid);
    }
    qCInfo(lcIntake) << "adding" << md5s.size() << "of" << prepared.size() << "pictures read";

    m_session.document().addImages(containers);
    // Also with nothing new: the collage ends its selection as for any add.
    collage.addPictures(md5s, images, paths, modified);
    m_session.keepPicturesWithinMemory();
    if (window)
        window->reloadPictureList();
    m_session.setOnscreenDrawingViewNeedsDisplay();
    emit picturesAdded();
}

void PictureIntake::showIntakeProgress(qsizetype done, qsizetype total)
{
    if (EditorWindow* window = m_session.window())
        window->showAddingPicturesProgress(done, total);
}

QImage PictureIntake::getValidImageThatWeDontAlreadyHave(QFRegularFileWrapperContainer& container,
                                                         const Collage& collage)
{
    const std::optional<QString> md5 = container.md5();
    if (!md5 || collage.images().contains(*md5))
        return {};
    return container.getDrawingSizeImage();
}

void PictureIntake::pickPicture(const QString& path, qint64 slotIndex)
{
    request({{}, SlotPick{path, slotIndex}, {}});
}

void PictureIntake::applyPick(const PreparedPicture& picture, qint64 slotIndex)
{
    const std::optional<QString> md5 = picture.container->md5();
    const QImage image = picture.container->getDrawingSizeImage();
    if (!md5 || image.isNull())
        return;
    m_session.makeDocumentDirty();
    m_session.document().addImage(picture.container);
    m_session.collage()->pickPicture(*md5, image, slotIndex, {{*md5, picture.path}}, {{*md5, picture.modified}});
    m_session.keepPicturesWithinMemory();
    if (EditorWindow* window = m_session.window())
        window->reloadPictureList();
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

void PictureIntake::addImagesAsAResultOfDraggingIntoDrawingView(const QStringList& paths, QPointF point,
                                                                 QSizeF canvasSize)
{
    if (paths.isEmpty())
        return;
    Collage& collage = *m_session.collage();
    QStringList rest = paths;
    const qint64 slot = collage.ptLiesIn(point, canvasSize.width(), canvasSize.height());
    const QList<PositionPtr>& cells = collage.picturePositions();
    // A folder is never a slot's picture: it is added with the rest.
    std::optional<SlotPick> pick;
    if (slot >= 0 && slot < cells.size() && cells[slot] && !QFileInfo(rest.first()).isDir()
        && (cells[slot]->isEmpty() || rest.size() == 1))
        pick = SlotPick{rest.takeFirst(), slot};
    // The slot takes its picture when the rest arrive, in the same step.
    request({rest, pick, {}});
}

void PictureIntake::showAddingPicturesHelp()
{
    if (EditorWindow* window = m_session.window())
        window->showAlertSheet(addingPicturesHelpAlert());
}

// ---- panels ------------------------------------------------------------------------------

const QStringList& PictureIntake::allowedPictureSuffixes()
{
    static const QStringList suffixes{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jpe"),
                                      QStringLiteral("png"), QStringLiteral("tif"),  QStringLiteral("tiff"),
                                      QStringLiteral("gif"), QStringLiteral("bmp")};
    return suffixes;
}

void PictureIntake::openPicturePanel(const QString& title, bool directories, bool multiple,
                                     std::function<void(const QStringList&)> chosen)
{
    if (!m_picturePanel)
        return;
    PicturePanelRequest request{title, directories, multiple, startFolder(FolderKind::Pictures),
                                allowedPictureSuffixes()};
    // The panel may answer after this editor closed.
    const QPointer<PictureIntake> self(this);
    m_picturePanel->openPanel(request, [self, chosen = std::move(chosen)](const QStringList& paths) {
        if (paths.isEmpty())
            return;
        rememberFolderOf(FolderKind::Pictures, paths.first());
        if (self)
            chosen(paths);
    });
}

void PictureIntake::selectMultiplePictureFiles()
{
    openPicturePanel(tr("Select Photos"), true, true,
                     [this](const QStringList& paths) { addImagesFromDirectoriesOrFiles(paths); });
}

void PictureIntake::selectPictureFor(qint64 slotIndex)
{
    if (slotIndex < 0)
        return;
    openPicturePanel(tr("Select Photo"), false, false,
                     [this, slotIndex](const QStringList& paths) { pickPicture(paths.first(), slotIndex); });
}

void PictureIntake::selectBackgroundPictureFile()
{
    openPicturePanel(tr("Select Photo"), false, false,
                     [this](const QStringList& paths) { setBackgroundPictureFile(paths.first()); });
}

void PictureIntake::setBackgroundPictureFile(const QString& path)
{
    request({{}, std::nullopt, path});
}

void PictureIntake::applyBackground(const PreparedPicture& picture)
{
    // Read first: a file that is no picture must not take away the
    // background picture there is.
    const std::shared_ptr<Container>& container = picture.container;
    const std::optional<QString> md5 = container->md5();
    if (!md5)
        return;
    EditorWindow* window = m_session.window();
    if (window)
        window->startSpinner();
    m_session.makeDocumentDirty(UndoAction::SetBackgroundPicture);
    m_session.document().addImage(container);
    Collage& collage = *m_session.collage();
    collage.setBackgroundImageByMd5(*md5);
    collage.setBackgroundImagePatternNumberOfRows(-1);
    if (window)
        window->showBackgroundImage(collage.backgroundImage());
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

// ---- sheet texts ---------------------------------------------------------------------------------

AlertText PictureIntake::addingPicturesHelpAlert()
{
    const QString steps = QStringLiteral("%1\n\n1. %2\n2. %3\n3. %4")
                              .arg(tr("Steps to add pictures from Photos app"),
                                   tr("Open Finder and create a new folder."),
                                   tr("Drag pictures that you want to add from Photos app to the new folder in Finder."),
                                   tr("Add pictures from folder to Quiltfolio."));
    const QString text =
        tr("%1\n\n\nYou can add pictures from iPhoto in two ways:\n\nMethod 1:\nOpen iPhoto and drag pictures from "
           "your photo albums in the panel on the left.\n\nMethod 2:\n1. Click the + button on the left. This will "
           "open a file selection window.\n2. Select photos from the MEDIA category on the left in the window that "
           "opens.")
            .arg(steps);
    return {tr("Add Pictures from either Photos app or iPhoto"), text, tr("OK")};
}

// ---- pictures -------------------------------------------------------------------------

void PictureIntake::removePictures(const QList<qsizetype>& indexes)
{
    QList<qsizetype> valid;
    for (const qsizetype i : indexes)
        if (i >= 0 && i < m_session.collage()->images().size() && !valid.contains(i))
            valid.append(i);
    if (valid.isEmpty())
        return;
    m_session.change([&valid](Collage& c) { c.removePictures(valid); }, undoActionName(UndoAction::RemovePictures));
    if (EditorWindow* window = m_session.window())
        window->reloadPictureList();
}

void PictureIntake::sortPictures(qint64 index)
{
    if (!m_session.collage()->images().isEmpty() && m_session.collage()->md5ToPathsDictionary().isEmpty()) {
        if (EditorWindow* window = m_session.window())
            window->showAlertSheet(olderCollageProjectAlert());
        return;
    }
    m_session.change([index](Collage& c) {
        // Types without an order of their own ignore it.
        const CollageType* type = CollageTypes::find(c.collageType());
        if (type && type->sortPictures && index >= 1 && index <= 4)
            type->sortPictures(c, index <= 2, index >= 3, index % 2 == 1);
    });
}

// ---- the picture list ----------------------------------------------------------------------

qint64 PictureIntake::numberOfItemsInImageBrowser() const
{
    return m_session.collage()->images().size();
}

ImagePathObject PictureIntake::imageBrowserItemAtIndex(qint64 index) const
{
    if (index < 0 || index >= m_session.collage()->images().size())
        return {};
    // The collage's drawing image, fetched again when its cache let it go
    // (a picture removed and brought back by undo).
    const QString md5 = m_session.collage()->images()[index];
    return ImagePathObject(md5, m_session.collage()->getNsImage(md5, false));
}

AlertText PictureIntake::olderCollageProjectAlert()
{
    return {tr("Older Collage Project"),
            tr("This collage project was made using an older version of Quiltfolio; it doesn't support sorting "
               "pictures.")
                + QStringLiteral("\n\n")
                + tr("Projects made using your existing and newer versions of Quiltfolio support sorting pictures."),
            tr("OK")};
}

void PictureIntake::setDrawingImageBudget(qint64 bytes)
{
    m_session.document().setDrawingImageBudget(bytes);
}

void PictureIntake::keepPicturesWithinMemory(CollageCaches& caches)
{
    // The cache holds the store's images, not copies: unless it takes the
    // smaller ones, the large ones stay in memory all the same.
    CollageDocument& document = m_session.document();
    for (const QString& md5 : document.boundDrawingImageMemory())
        if (caches.drawingImages.contains(md5))
            caches.drawingImages.insert(md5, document.getDrawingSizeImage(md5));
}

AlertText PictureIntake::picturesNotShownAlert(qsizetype count)
{
    return {tr("Some pictures are not shown"),
            (count == 1 ? tr("The collage has no room for one more picture. It stays in the project but is not "
                             "shown.")
                        : tr("The collage has no room for %1 more pictures. They stay in the project but are not "
                             "shown.")
                              .arg(count)),
            tr("OK")};
}

} // namespace qf
