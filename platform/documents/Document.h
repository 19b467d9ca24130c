#pragma once

#include "platform/core/Status.h"
#include "platform/undo/UndoManager.h"
#include "platform/documents/DocumentDialogs.h"
#include "platform/documents/PrintOperation.h"

#include <QList>
#include <QObject>
#include <QPageLayout>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

// A document of the application: where it lives and as which type, its undo
// history and whether it differs from its saved state, and the user's
// commands on it (Save, Save As, Save To, Close) with their dialogs. What is
// read and written is the subclass's.
//
// Dialogs never block: the commands take a callback that runs once the user
// has answered and the work is done. Main thread only.
class Document : public QObject {
    Q_OBJECT
public:
    enum class SaveOperation {
        Save,   // the document's own file
        SaveAs, // a new file that becomes the document's
        SaveTo, // an export; the document's file stays
    };
    using Done = std::function<void(bool)>;

    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    // ---- what the subclass does -----------------------------------------------

    // Reads the file at the path as the type. On failure the document is as
    // it was and the status carries the reason shown to the user.
    virtual Status readFromPath(const QString& path, const QString& typeName) = 0;
    // Writes the document at the path as the type. On success a Save or Save
    // As makes the written path and type the document's (setFileName,
    // setFileType), adding the type's extension when it was missing.
    virtual Status saveToPath(const QString& path, const QString& typeName, SaveOperation operation) = 0;
    // Makes the document's window, if it has one. Called once it is read.
    virtual void makeWindowControllers() {}
    // What Save does: Save As for an untitled document.
    virtual SaveOperation saveOperationForSave() const;
    // Whether the Save command is enabled.
    virtual bool canSave() const;
    // Completes work the user started that is not in the history yet
    // (pictures still being read), so a save, a close or a print sees it.
    virtual void finishPendingChanges() {}
    // Sets up a save dialog before it opens (an accessory, the type offered).
    virtual void prepareSavePanel(SavePanelRequest& request, SaveOperation operation);
    // The type written for what the dialog chose; the chosen type by default.
    virtual QString saveTypeForPanelType(const QString& panelType, SaveOperation operation) const;

    // ---- file and type ----------------------------------------------------------

    const QString& fileName() const { return m_fileName; }
    void setFileName(QString path);
    const QString& fileType() const { return m_fileType; }
    void setFileType(QString type) { m_fileType = std::move(type); }

    // The types the document reads and writes. Save and Save As write the
    // writable ones, Save To the exportable ones.
    void setDocumentTypes(QList<DocumentType> readable, QList<DocumentType> writable,
                          QList<DocumentType> exportable);
    const QList<DocumentType>& readableTypes() const { return m_readableTypes; }
    const QList<DocumentType>& writableTypes() const { return m_writableTypes; }
    const QList<DocumentType>& exportableTypes() const { return m_exportableTypes; }
    std::optional<DocumentType> typeNamed(const QString& identifier) const;

    // ---- names --------------------------------------------------------------------

    // The file's name, or the untitled name: "Untitled", "Untitled 2", ...
    QString displayName() const;
    // Set by the document controller; 1 is plain "Untitled".
    void setUntitledNumber(int number);
    int untitledNumber() const { return m_untitledNumber; }
    // Replaces the untitled name (a copy of a template takes the template's).
    void setUntitledDisplayName(QString name);
    // The display name, with "*" while edited.
    QString windowTitle() const;

    // ---- edited state -----------------------------------------------------------------

    UndoManager& undoManager() { return m_undoManager; }
    const UndoManager& undoManager() const { return m_undoManager; }
    // The history stands elsewhere than at the last save (or the opening),
    // or a change was made in a group not closed yet.
    bool isDocumentEdited() const
    {
        return m_undoManager.changeCount() != m_savedChangeCount || m_undoManager.hasChangesInOpenGroup();
    }
    // The present state counts as saved.
    void markSaved();
    // No state counts as saved until the next save: a copy made from
    // elsewhere (a template's) asks before it closes even unchanged.
    void markEditedUntilSaved();

    // ---- printing ---------------------------------------------------------------------

    // The orientation the document's pages print in.
    QPageLayout::Orientation printOrientation() const { return m_printOrientation; }
    void setPrintOrientation(QPageLayout::Orientation orientation) { m_printOrientation = orientation; }

    // ---- window -------------------------------------------------------------------------

    // The window showing the document: dialogs are modal to it, its title
    // follows the document, and closing it asks to close the document.
    QObject* window() const { return m_window; }
    void setWindow(QObject* window);
    // Shows and raises the window.
    virtual void showWindows();

    // Defaults to the Qt dialogs; the controller hands its own over.
    void setDialogs(std::shared_ptr<DocumentDialogs> dialogs) { m_dialogs = std::move(dialogs); }
    bool hasDialogs() const { return m_dialogs != nullptr; }
    DocumentDialogs& dialogs() const;
    // The dialogs of documents that were given none: the windowing layer's
    // once it has installed them (null: none, every question cancelled).
    static void setDefaultDialogs(std::shared_ptr<DocumentDialogs> dialogs);

    // ---- commands -------------------------------------------------------------------------

    // Each reports whether the document was written; cancelling a dialog
    // reports false. Failures are shown to the user.
    void save(Done done = {});
    void saveAs(Done done = {});
    void saveTo(Done done = {});
    // The print dialog for the operation, then the operation on the chosen
    // printer; reports whether anything was printed.
    void runPrintOperation(std::shared_ptr<PrintOperation> operation, Done done = {});
    // Saves at the path without a dialog; failures are shown.
    bool saveToPathShowingErrors(const QString& path, const QString& typeName, SaveOperation operation);

    // Whether the document may close: asks Save / Don't Save / Cancel while
    // it is edited. True at once when it is not.
    void canClose(Done done);
    // Closes without asking: the window goes, then closed() is emitted.
    void close();
    // canClose(), then close() when allowed.
    void requestClose(Done done = {});
    bool isClosed() const { return m_closed; }

signals:
    void editedChanged(bool edited);
    void titleChanged(const QString& title);
    // After a Save or Save As (not Save To) wrote the file.
    void saved(const QString& path);
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runSavePanel(SaveOperation operation, Done done);
    void updateTitle();
    void finish(const Done& done, bool ok) const;

    UndoManager m_undoManager;
    qint64 m_savedChangeCount = 0;
    bool m_lastEdited = false;
    QString m_fileName;
    QString m_fileType;
    QList<DocumentType> m_readableTypes;
    QList<DocumentType> m_writableTypes;
    QList<DocumentType> m_exportableTypes;
    int m_untitledNumber = 1;
    QString m_untitledDisplayName;
    QPointer<QObject> m_window;
    QPageLayout::Orientation m_printOrientation = QPageLayout::Portrait;
    std::shared_ptr<DocumentDialogs> m_dialogs;
    bool m_asking = false;  // a close question is on screen
    bool m_closing = false; // our own close of the window
    bool m_closed = false;
};

} // namespace qf
