#include "document/MyDocumentController.h"

namespace qf {

MyDocumentController::MyDocumentController(std::shared_ptr<DocumentDialogs> dialogs, QObject* parent)
    : DocumentController(std::move(dialogs), parent)
{
}

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

} // namespace qf
