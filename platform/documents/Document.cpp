#include "platform/documents/Document.h"

#include "platform/defaults/RememberedFolders.h"


#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

namespace qf {

Document::Document(QObject* parent)
    : QObject(parent)
{
    connect(&m_undoManager, &UndoManager::changeCountChanged, this, &Document::updateTitle);
}

Document::~Document()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

Document::SaveOperation Document::saveOperationForSave() const
{
    return m_fileName.isEmpty() ? SaveOperation::SaveAs : SaveOperation::Save;
}

bool Document::canSave() const
{
    return isDocumentEdited() || m_fileName.isEmpty();
}

void Document::prepareSavePanel(SavePanelRequest&, SaveOperation) {}

QString Document::saveTypeForPanelType(const QString& panelType, SaveOperation) const
{
    return panelType;
}

void Document::setFileName(QString path)
{
    m_fileName = std::move(path);
    updateTitle();
}

void Document::setDocumentTypes(QList<DocumentType> readable, QList<DocumentType> writable,
                                QList<DocumentType> exportable)
{
    m_readableTypes = std::move(readable);
    m_writableTypes = std::move(writable);
    m_exportableTypes = std::move(exportable);
}

std::optional<DocumentType> Document::typeNamed(const QString& identifier) const
{
    for (const auto* list : {&m_readableTypes, &m_writableTypes, &m_exportableTypes}) {
        for (const DocumentType& type : *list) {
            if (type.identifier == identifier)
                return type;
        }
    }
    return std::nullopt;
}

QString Document::displayName() const
{
    if (!m_fileName.isEmpty())
        return QFileInfo(m_fileName).fileName();
    if (!m_untitledDisplayName.isEmpty())
        return m_untitledDisplayName;
    return m_untitledNumber <= 1 ? tr("Untitled") : tr("Untitled %1").arg(m_untitledNumber);
}

void Document::setUntitledNumber(int number)
{
    m_untitledNumber = number;
    updateTitle();
}

void Document::setUntitledDisplayName(QString name)
{
    m_untitledDisplayName = std::move(name);
    updateTitle();
}

QString Document::windowTitle() const
{
    return isDocumentEdited() ? displayName() + u'*' : displayName();
}

void Document::markSaved()
{
    m_savedChangeCount = m_undoManager.changeCount();
    updateTitle();
}

void Document::markEditedUntilSaved()
{
    // Change counts never go below zero.
    m_savedChangeCount = -1;
    updateTitle();
}

void Document::setWindow(QObject* window)
{
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
    updateTitle();
}

void Document::showWindows()
{
    if (m_window)
        dialogs().showWindow(m_window);
}

namespace {

// Without the windowing layer's dialogs nothing is asked: every question is
// cancelled and every error only logged.
class NoDialogs final : public DocumentDialogs {
public:
    void chooseSaveLocation(QObject*, const SavePanelRequest&,
                            std::function<void(std::optional<SavePanelResult>)> reply) override
    {
        reply(std::nullopt);
    }
    void chooseFilesToOpen(QObject*, const OpenPanelRequest&, std::function<void(QStringList)> reply) override
    {
        reply({});
    }
    void askSaveChanges(QObject*, const QString&, std::function<void(SaveChangesChoice)> reply) override
    {
        reply(SaveChangesChoice::Cancel);
    }
    void print(QObject*, const QString&, std::shared_ptr<PrintOperation>, std::function<void(bool)> reply) override
    {
        reply(false);
    }
    void showWindow(QObject*) override {}
    void showError(QObject*, const QString& message, const QString& reason, std::function<void()> dismissed) override
    {
        qWarning().noquote() << message << reason;
        if (dismissed)
            dismissed();
    }
};

std::shared_ptr<DocumentDialogs>& defaultDialogs()
{
    static std::shared_ptr<DocumentDialogs> dialogs = std::make_shared<NoDialogs>();
    return dialogs;
}

} // namespace

void Document::setDefaultDialogs(std::shared_ptr<DocumentDialogs> dialogs)
{
    defaultDialogs() = dialogs ? std::move(dialogs) : std::make_shared<NoDialogs>();
}

DocumentDialogs& Document::dialogs() const
{
    return m_dialogs ? *m_dialogs : *defaultDialogs();
}

void Document::finish(const Done& done, bool ok) const
{
    if (done)
        done(ok);
}

void Document::save(Done done)
{
    if (saveOperationForSave() == SaveOperation::SaveAs) {
        runSavePanel(SaveOperation::SaveAs, std::move(done));
        return;
    }
    finish(done, saveToPathShowingErrors(m_fileName, m_fileType, SaveOperation::Save));
}

void Document::saveAs(Done done)
{
    runSavePanel(SaveOperation::SaveAs, std::move(done));
}

void Document::saveTo(Done done)
{
    runSavePanel(SaveOperation::SaveTo, std::move(done));
}

void Document::runSavePanel(SaveOperation operation, Done done)
{
    const QList<DocumentType>& types = operation == SaveOperation::SaveTo ? m_exportableTypes : m_writableTypes;
    if (types.isEmpty()) {
        finish(done, false);
        return;
    }
    SavePanelRequest request;
    request.title = operation == SaveOperation::SaveTo ? tr("Export") : tr("Save As");
    // A file saved before goes next to itself; a new one where projects
    // were last kept, the Documents folder at first.
    if (!m_fileName.isEmpty())
        request.directory = QFileInfo(m_fileName).absolutePath();
    else if (operation == SaveOperation::SaveTo)
        request.directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    else
        request.directory = startFolder(FolderKind::Projects);
    request.suggestedName = m_fileName.isEmpty() ? displayName() : QFileInfo(m_fileName).completeBaseName();
    request.types = types;
    request.selectedType = types.first().identifier;
    for (const DocumentType& type : types) {
        if (type.identifier == m_fileType)
            request.selectedType = type.identifier;
    }
    prepareSavePanel(request, operation);

    QPointer<Document> self(this);
    dialogs().chooseSaveLocation(m_window, request, [self, operation, done](std::optional<SavePanelResult> chosen) {
        if (!self || self->m_closed || !chosen || chosen->path.isEmpty()) {
            if (done)
                done(false);
            return;
        }
        QString path = chosen->path;
        const QString typeName = self->saveTypeForPanelType(chosen->type, operation);
        // The file's extension always names what it holds.
        const std::optional<DocumentType> type = self->typeNamed(typeName);
        if (type && !type->matchesExtension(path))
            path += u'.' + type->extension;
        const bool saved = self->saveToPathShowingErrors(path, typeName, operation);
        if (saved && operation != SaveOperation::SaveTo)
            rememberFolderOf(FolderKind::Projects, path);
        self->finish(done, saved);
    });
}

void Document::runPrintOperation(std::shared_ptr<PrintOperation> operation, Done done)
{
    finishPendingChanges();
    if (!operation) {
        finish(done, false);
        return;
    }
    QPointer<Document> self(this);
    dialogs().print(m_window, displayName(), operation, [self, done](bool printed) {
        if (done)
            done(printed && self && !self->m_closed);
    });
}

bool Document::saveToPathShowingErrors(const QString& path, const QString& typeName, SaveOperation operation)
{
    finishPendingChanges();
    const Status status = saveToPath(path, typeName, operation);
    if (!status) {
        const QString message = operation == SaveOperation::SaveTo
            ? tr("The document “%1” could not be exported.").arg(displayName())
            : tr("The document “%1” could not be saved.").arg(displayName());
        dialogs().showError(m_window, message, status.message().trimmed(), {});
        return false;
    }
    if (operation != SaveOperation::SaveTo) {
        markSaved();
        emit saved(m_fileName);
    }
    return true;
}

void Document::canClose(Done done)
{
    finishPendingChanges();
    if (m_closed || !isDocumentEdited()) {
        finish(done, true);
        return;
    }
    if (m_asking) { // the question is already on screen
        finish(done, false);
        return;
    }
    m_asking = true;
    QPointer<Document> self(this);
    dialogs().askSaveChanges(m_window, displayName(), [self, done](SaveChangesChoice choice) {
        if (!self) {
            if (done)
                done(false);
            return;
        }
        self->m_asking = false;
        switch (choice) {
        case SaveChangesChoice::Save:
            self->save(done);
            break;
        case SaveChangesChoice::DontSave:
            self->finish(done, true);
            break;
        case SaveChangesChoice::Cancel:
            self->finish(done, false);
            break;
        }
    });
}

void Document::close()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_window) {
        m_window->removeEventFilter(this);
        m_closing = true;
        QMetaObject::invokeMethod(m_window, "close", Qt::DirectConnection);
        m_closing = false;
    }
    emit closed();
}

void Document::requestClose(Done done)
{
    QPointer<Document> self(this);
    canClose([self, done](bool ok) {
        if (ok && self)
            self->close();
        if (done)
            done(ok);
    });
}

bool Document::eventFilter(QObject* watched, QEvent* event)
{
    // Closing the window asks first; the window goes when the document does.
    if (watched == m_window && event->type() == QEvent::Close && !m_closing && !m_closed) {
        event->ignore();
        requestClose();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void Document::updateTitle()
{
    const bool edited = isDocumentEdited();
    if (m_window) {
        // The application's name follows, as desktops expect.
        QString title = displayName() + QStringLiteral("[*]");
        if (const QString app = QGuiApplication::applicationDisplayName(); !app.isEmpty())
            title += QStringLiteral(" \u2014 ") + app;
        m_window->setProperty("windowTitle", title);
        m_window->setProperty("windowModified", edited);
    }
    if (edited != m_lastEdited) {
        m_lastEdited = edited;
        emit editedChanged(edited);
    }
    emit titleChanged(windowTitle());
}

} // namespace qf
