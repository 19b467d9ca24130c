#pragma once

#include "document/CollageDocument.h"
#include "document/window/QFTemplateManagerWindowController.h"
#include "platform/widgets/documents/DocumentController.h"

namespace qf {

// The application's document controller: its documents are collages. A new
// document has no design yet; its editor makes the default collage when its
// window loads. Made once, before any document.
class MyDocumentController : public DocumentController, public QFTemplateManagerWindowControllerDelegate {
    Q_OBJECT
public:
    explicit MyDocumentController(std::shared_ptr<DocumentDialogs> dialogs = {}, QObject* parent = nullptr);
    ~MyDocumentController() override;

    // How this controller's documents make their editor (and its window);
    // without one they use CollageDocument's default.
    void setHostFactory(CollageDocument::HostFactory factory) { m_hostFactory = std::move(factory); }

    std::unique_ptr<Document> makeDocument() override;
    QList<DocumentType> readableTypes() const override;
    // Only the two project types open; pictures are exports, not documents.
    std::optional<QString> typeForPath(const QString& path) const override;

    QList<CollageDocument*> collageDocuments() const;

    // ---- templates ---------------------------------------------------------------

    // Where the chooser finds its templates; the application's by default.
    // Only before the chooser is first shown.
    void setTemplateCatalogue(const QFTemplateCatalogue* catalogue) { m_catalogue = catalogue; }
    bool offersTemplates() const override { return true; }
    // Shows the template chooser, made on first use.
    void newUsingTemplate() override;
    QFTemplateManagerWindowController* templateManagerWindowController() const { return m_templateManagerWindowController.get(); }
    // An untitled copy of the template's package, named by its description,
    // that asks to be saved somewhere new. A package that cannot be read is
    // shown to the user and gives null.
    CollageDocument* openDocumentFromTemplate(const QFTemplateModelItem& item);
    void newDocumentFromTemplate(const QFTemplateModelItem& item) override { openDocumentFromTemplate(item); }

private:
    CollageDocument::HostFactory m_hostFactory;
    const QFTemplateCatalogue* m_catalogue = nullptr;
    std::unique_ptr<QFTemplateManagerWindowController> m_templateManagerWindowController;
};

} // namespace qf
