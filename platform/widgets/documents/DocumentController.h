#pragma once

#include "platform/documents/Document.h"
#include "platform/documents/DocumentDialogs.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

namespace qf {

// Keeps the application's open documents: makes new untitled ones, opens
// files (from the open dialog, the recent list, or paths the desktop hands
// over), keeps one document per file, remembers recent documents, and asks
// each edited document before quitting. Owns its documents; a closed
// document is removed and deleted later.
class DocumentController : public QObject {
    Q_OBJECT
public:
    explicit DocumentController(std::shared_ptr<DocumentDialogs> dialogs = {}, QObject* parent = nullptr);
    ~DocumentController() override;

    // ---- what the subclass does ----------------------------------------------

    // A new, empty document of the application.
    virtual std::unique_ptr<Document> makeDocument() = 0;
    // The types the open dialog offers (documents set their own).
    virtual QList<DocumentType> readableTypes() const = 0;
    // The type of the file at the path: the readable type of its extension,
    // none for another.
    virtual std::optional<QString> typeForPath(const QString& path) const;
    // Whether the application makes documents from templates, and the
    // chooser that starts one. None by default.
    virtual bool offersTemplates() const { return false; }
    virtual void newUsingTemplate() {}

    // ---- documents ---------------------------------------------------------------

    QList<Document*> documents() const;
    // The open document of that file (paths compared once resolved), or null.
    Document* documentForPath(const QString& path) const;

    // A new untitled document, shown. Its name takes the lowest untitled
    // number no open document has.
    Document* newDocument();
    // Runs the open dialog (modal to `window` when given) and opens the chosen files.
    void openDocument(QWidget* window = nullptr);
    // Opens the file, or brings its open document forward. A failure is
    // shown to the user and gives null. An untitled document nobody has
    // changed, when it is the only one, closes once the file's appears.
    Document* openDocumentWithPath(const QString& path, bool display = true);
    // The files the desktop handed over (command-line arguments).
    void openDocuments(const QStringList& paths);
    // At launch: opens the files handed over; with none opened, a new
    // untitled document.
    void openAtLaunch(const QStringList& paths);
    // Takes a document made elsewhere (a template's copy); shown when asked.
    Document* addDocument(std::unique_ptr<Document> document, bool display = true);

    // ---- recent documents ------------------------------------------------------

    // Most recent first, only files that still exist.
    QStringList recentDocumentPaths() const;
    void noteNewRecentDocument(const QString& path);
    void clearRecentDocuments();
    static constexpr int maximumRecentDocumentCount() { return 10; }
    // Where the list is kept; the application's settings by default.
    void setSettings(std::shared_ptr<QSettings> settings);

    // ---- quitting ----------------------------------------------------------------

    // Asks each edited document in turn and closes the ones allowed; stops
    // at the first Cancel. `done` tells whether every document closed.
    void closeAllDocuments(std::function<void(bool)> done);
    // closeAllDocuments(), then quits the application when all closed.
    void quit();

    DocumentDialogs& dialogs() const;

signals:
    void documentAdded(Document* document);
    void documentRemoved(Document* document);
    // The last open document closed: the application quits (its last
    // window is gone).
    void lastDocumentClosed();
    void recentDocumentsChanged();

private:
    void documentClosed(Document* document);
    void closeNext(std::shared_ptr<QList<QPointer<Document>>> queue, std::function<void(bool)> done);
    QSettings& settings() const;
    int lowestFreeUntitledNumber() const;
    // The one open document apart from `besides`, when it has no file and
    // nothing changed; else null.
    Document* untouchedOnlyDocument(const Document* besides = nullptr) const;

    std::shared_ptr<DocumentDialogs> m_dialogs;
    std::vector<std::unique_ptr<Document>> m_documents;
    // Files that could not be opened at launch, said once a window is there.
    bool m_launching = false;
    QList<std::pair<QString, QString>> m_launchErrors;
    mutable std::shared_ptr<QSettings> m_settings;
};

} // namespace qf
