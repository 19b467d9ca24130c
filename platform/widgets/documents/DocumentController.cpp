#include "platform/widgets/documents/DocumentController.h"

#include "platform/defaults/RememberedFolders.h"
#include "platform/widgets/documents/QtDocumentDialogs.h"

#include <QWidget>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>

#include <algorithm>
#include <utility>

namespace qf {

namespace {

const QString kRecentDocumentsKey = QStringLiteral("RecentDocuments");

// Two names of one file compare equal once links and ".." are resolved.
QString resolved(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

DocumentController::DocumentController(std::shared_ptr<DocumentDialogs> dialogs, QObject* parent)
    : QObject(parent)
    , m_dialogs(dialogs ? std::move(dialogs) : std::make_shared<QtDocumentDialogs>())
{
}

DocumentController::~DocumentController() = default;

std::optional<QString> DocumentController::typeForPath(const QString& path) const
{
    const QString suffix = QFileInfo(path).suffix();
    for (const DocumentType& type : readableTypes()) {
        if (suffix.compare(type.extension, Qt::CaseInsensitive) == 0)
            return type.identifier;
    }
    return std::nullopt;
}

QList<Document*> DocumentController::documents() const
{
    QList<Document*> list;
    for (const auto& document : m_documents)
        list << document.get();
    return list;
}

Document* DocumentController::documentForPath(const QString& path) const
{
    const QString wanted = resolved(path);
    for (const auto& document : m_documents) {
        if (!document->fileName().isEmpty() && resolved(document->fileName()) == wanted)
            return document.get();
    }
    return nullptr;
}

int DocumentController::lowestFreeUntitledNumber() const
{
    for (int number = 1;; ++number) {
        const bool used = std::any_of(m_documents.begin(), m_documents.end(), [number](const auto& document) {
            return document->fileName().isEmpty() && document->untitledNumber() == number;
        });
        if (!used)
            return number;
    }
}

Document* DocumentController::newDocument()
{
    std::unique_ptr<Document> document = makeDocument();
    document->setUntitledNumber(lowestFreeUntitledNumber());
    return addDocument(std::move(document));
}

Document* DocumentController::addDocument(std::unique_ptr<Document> document, bool display)
{
    Document* added = document.get();
    added->setDialogs(m_dialogs);
    connect(added, &Document::closed, this, [this, added] { documentClosed(added); });
    connect(added, &Document::saved, this, &DocumentController::noteNewRecentDocument);
    m_documents.push_back(std::move(document));
    added->makeWindowControllers();
    emit documentAdded(added);
    if (display)
        added->showWindows();
    return added;
}

void DocumentController::openDocument(QWidget* window)
{
    OpenPanelRequest request;
    request.title = tr("Open");
    request.directory = startFolder(FolderKind::Projects);
    request.types = readableTypes();
    QPointer<DocumentController> self(this);
    m_dialogs->chooseFilesToOpen(window, request, [self](const QStringList& paths) {
        if (!paths.isEmpty())
            rememberFolderOf(FolderKind::Projects, paths.first());
        if (self)
            self->openDocuments(paths);
    });
}

void DocumentController::openDocuments(const QStringList& paths)
{
    for (const QString& path : paths)
        openDocumentWithPath(path);
}

void DocumentController::openAtLaunch(const QStringList& paths)
{
    // What could not be opened is said on the first window, once it is
    // there: an alert shown before it would end up behind it.
    m_launching = true;
    openDocuments(paths);
    if (m_documents.empty())
        newDocument();
    m_launching = false;
    QObject* window = m_documents.empty() ? nullptr : m_documents.front()->window();
    for (const auto& [message, reason] : std::exchange(m_launchErrors, {}))
        m_dialogs->showError(window, message, reason, {});
}

Document* DocumentController::openDocumentWithPath(const QString& path, bool display)
{
    if (Document* open = documentForPath(path)) {
        noteNewRecentDocument(open->fileName());
        if (display)
            open->showWindows();
        return open;
    }
    // The empty window a launch opened gives way to the file, as long as
    // nobody has touched it.
    QPointer<Document> replaceable = untouchedOnlyDocument();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // An unknown type still goes to the document, which says what it reads.
    const QString type = typeForPath(absolute).value_or(QString());
    std::unique_ptr<Document> document = makeDocument();
    const Status status = document->readFromPath(absolute, type);
    if (!status) {
        const QString message = tr("The document “%1” could not be opened.").arg(QFileInfo(absolute).fileName());
        if (m_launching)
            m_launchErrors.append({message, status.message().trimmed()});
        else
            m_dialogs->showError(QApplication::activeWindow(), message, status.message().trimmed(), {});
        return nullptr;
    }
    document->setFileName(absolute);
    document->setFileType(type);
    document->markSaved();
    noteNewRecentDocument(absolute);
    Document* added = addDocument(std::move(document), display);
    // Only for a window on screen, and only if reading left it untouched.
    if (display && replaceable && replaceable == untouchedOnlyDocument(added))
        replaceable->close();
    return added;
}

Document* DocumentController::untouchedOnlyDocument(const Document* besides) const
{
    QList<Document*> others = documents();
    others.removeAll(besides);
    if (others.size() != 1)
        return nullptr;
    Document* document = others.first();
    // Pictures still being read count as a change.
    document->finishPendingChanges();
    const bool untouched = document->fileName().isEmpty() && !document->isDocumentEdited() && !document->isClosed();
    return untouched ? document : nullptr;
}

void DocumentController::documentClosed(Document* document)
{
    const auto found = std::find_if(m_documents.begin(), m_documents.end(),
                                    [document](const auto& owned) { return owned.get() == document; });
    if (found == m_documents.end())
        return;
    found->release();
    m_documents.erase(found);
    emit documentRemoved(document);
    // It may be in the middle of the call that closed it.
    document->deleteLater();
    if (m_documents.empty())
        emit lastDocumentClosed();
}

QSettings& DocumentController::settings() const
{
    if (!m_settings)
        m_settings = std::make_shared<QSettings>();
    return *m_settings;
}

void DocumentController::setSettings(std::shared_ptr<QSettings> settings)
{
    m_settings = std::move(settings);
}

QStringList DocumentController::recentDocumentPaths() const
{
    QStringList paths = settings().value(kRecentDocumentsKey).toStringList();
    paths.removeIf([](const QString& path) { return !QFileInfo::exists(path); });
    return paths;
}

void DocumentController::noteNewRecentDocument(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList paths = settings().value(kRecentDocumentsKey).toStringList();
    paths.removeAll(absolute);
    paths.prepend(absolute);
    while (paths.size() > maximumRecentDocumentCount())
        paths.removeLast();
    settings().setValue(kRecentDocumentsKey, paths);
    emit recentDocumentsChanged();
}

void DocumentController::clearRecentDocuments()
{
    settings().remove(kRecentDocumentsKey);
    emit recentDocumentsChanged();
}

void DocumentController::closeAllDocuments(std::function<void(bool)> done)
{
    auto queue = std::make_shared<QList<QPointer<Document>>>();
    for (const auto& document : m_documents)
        queue->append(document.get());
    closeNext(std::move(queue), std::move(done));
}

void DocumentController::closeNext(std::shared_ptr<QList<QPointer<Document>>> queue, std::function<void(bool)> done)
{
    while (!queue->isEmpty() && (!queue->first() || queue->first()->isClosed()))
        queue->removeFirst();
    if (queue->isEmpty()) {
        if (done)
            done(true);
        return;
    }
    Document* next = queue->takeFirst();
    QPointer<DocumentController> self(this);
    next->requestClose([self, queue, done](bool closed) {
        if (!closed || !self) {
            if (done)
                done(false);
            return;
        }
        self->closeNext(queue, done);
    });
}

void DocumentController::quit()
{
    closeAllDocuments([](bool allClosed) {
        if (allClosed)
            QCoreApplication::quit();
    });
}

DocumentDialogs& DocumentController::dialogs() const
{
    return *m_dialogs;
}

} // namespace qf
