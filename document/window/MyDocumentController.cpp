#include "document/window/MyDocumentController.h"

#include "platform/files/FileWrapperReader.h"

#include <QApplication>

namespace qf {

MyDocumentController::MyDocumentController(std::shared_ptr<DocumentDialogs> dialogs, QObject* parent)
    : DocumentController(std::move(dialogs), parent)
{
}

MyDocumentController::~MyDocumentController() = default;

std::unique_ptr<Document> MyDocumentController::makeDocument()
{
    auto document = std::make_unique<CollageDocument>();
    if (m_hostFactory)
        document->setHostFactory(m_hostFactory);
    return document;
}

QList<DocumentType> MyDocumentController::readableTypes() const
{
    return CollageDocument::readableDocumentTypes();
}

std::optional<QString> MyDocumentController::typeForPath(const QString& path) const
{
    const std::optional<QString> type = CollageDocument::typeForPath(path);
    if (type && (*type == CollageDocument::projectType() || *type == CollageDocument::designType()))
        return type;
    return std::nullopt;
}

QList<CollageDocument*> MyDocumentController::collageDocuments() const
{
    QList<CollageDocument*> list;
    for (Document* document : documents())
        list << static_cast<CollageDocument*>(document);
    return list;
}

void MyDocumentController::newUsingTemplate()
{
    if (!m_templateManagerWindowController) {
        m_templateManagerWindowController = std::make_unique<QFTemplateManagerWindowController>(
            m_catalogue ? *m_catalogue : QFTemplateCatalogue::shared());
    }
    m_templateManagerWindowController->setDocControllerDelegate(this);
    m_templateManagerWindowController->show();
    m_templateManagerWindowController->raise();
    m_templateManagerWindowController->activateWindow();
}

CollageDocument* MyDocumentController::openDocumentFromTemplate(const QFTemplateModelItem& item)
{
    // Read as a project is, but never from where it lies: the copy has no
    // file until its first save, which asks where to put it.
    FileWrapperReader::Limits limits;
    limits.maxDepth = 1;
    const FileWrapperReader::Result read = FileWrapperReader::read(item.getFileUrl(), limits);
    std::unique_ptr<Document> made = makeDocument();
    auto* document = static_cast<CollageDocument*>(made.get());
    Status status = read.status;
    if (status)
        status = document->readFromFileWrapper(*read.wrapper, CollageDocument::projectType());
    if (!status) {
        const QString name = QFTemplateCatalogue::documentDisplayName(item.displayName);
        dialogs().showError(QApplication::activeWindow(), tr("The template “%1” could not be opened.").arg(name),
                            status.message().trimmed(), {});
        return nullptr;
    }
    document->setUntitledDisplayName(QFTemplateCatalogue::documentDisplayName(item.displayName));
    document->markEditedUntilSaved();
    addDocument(std::move(made));
    return document;
}

} // namespace qf
