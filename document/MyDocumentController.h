#pragma once

#include "document/CollageDocument.h"
#include "platform/widgets/documents/DocumentController.h"

namespace qf {

// The application's document controller: its documents are collages. A new
// document has no design yet; its editor makes the default collage when its
// window loads. Made once, before any document.
class MyDocumentController : public DocumentController {
    Q_OBJECT
public:
    explicit MyDocumentController(std::shared_ptr<DocumentDialogs> dialogs = {}, QObject* parent = nullptr);

    // How this controller's documents make their editor (and its window);
    // without one they use CollageDocument's default.
    void setHostFactory(CollageDocument::HostFactory factory) { m_hostFactory = std::move(factory); }

    std::unique_ptr<Document> makeDocument() override;
    QList<DocumentType> readableTypes() const override;
    // Only the two project types open; pictures are exports, not documents.
    std::optional<QString> typeForPath(const QString& path) const override;

    QList<CollageDocument*> collageDocuments() const;

private:
    CollageDocument::HostFactory m_hostFactory;
};

} // namespace qf
