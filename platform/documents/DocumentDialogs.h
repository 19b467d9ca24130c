#pragma once

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/documents/PrintOperation.h"

#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace qf {

// One file type a document can be read or written as.
struct DocumentType {
    QString identifier;  // compared by the code, never shown
    QString description; // shown in the file dialogs' filters
    QString extension;   // without the dot
    bool package = false; // a directory that the user sees as one file
    QStringList otherExtensions{}; // also taken as this type's ("jpeg" beside "jpg")

    // Whether the path ends in one of the type's extensions.
    bool matchesExtension(const QString& path) const;
};

inline bool DocumentType::matchesExtension(const QString& path) const
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(extension, Qt::CaseInsensitive) == 0)
        return true;
    return otherExtensions.contains(suffix, Qt::CaseInsensitive);
}

// A save dialog while it is on screen, as its accessory sees it.
class SavePanel {
public:
    virtual ~SavePanel() = default;
    // Offers that type alone from now on.
    virtual void setAllowedType(const DocumentType& type) = 0;
};

// What a save dialog offers. A path chosen without an extension of the
// chosen type gets it, and the user is asked before an existing file or
// package of the final name is replaced.
struct SavePanelRequest {
    QString title;
    QString directory;
    QString suggestedName; // without an extension
    QList<DocumentType> types; // at least one
    QString selectedType;      // identifier of the type offered first
    // A view shown under the dialog while it runs; stays the caller's and is
    // handed back unparented when the dialog closes. May be null.
    QObject* accessory = nullptr;
    // Told the dialog as it opens, and null once it has closed.
    std::function<void(SavePanel*)> panelChanged;
};

struct SavePanelResult {
    QString path; // the real dialog adds the chosen type's extension
    QString type; // identifier
};

// What an open dialog offers: files and packages of these types.
struct OpenPanelRequest {
    QString title;
    QString directory;
    QList<DocumentType> types;
};

enum class SaveChangesChoice { Save, DontSave, Cancel };

// The dialogs of the document machinery. Every call returns at once; the
// reply comes through the callback once the user answered. The real dialogs
// are window-modal over `window` (application-modal without one) and opened
// with open(), never exec(): a nested event loop would end an undo group
// early. Tests answer through a fake.
class DocumentDialogs {
public:
    virtual ~DocumentDialogs() = default;

    // None when the user cancelled.
    virtual void chooseSaveLocation(QObject* window, const SavePanelRequest& request,
                                    std::function<void(std::optional<SavePanelResult>)> reply) = 0;
    // Empty when the user cancelled.
    virtual void chooseFilesToOpen(QObject* window, const OpenPanelRequest& request,
                                   std::function<void(QStringList)> reply) = 0;
    virtual void askSaveChanges(QObject* window, const QString& displayName,
                                std::function<void(SaveChangesChoice)> reply) = 0;
    // The print dialog for the operation, then the print when the user
    // chose to; true when it was printed.
    virtual void print(QObject* window, const QString& documentName, std::shared_ptr<PrintOperation> operation,
                       std::function<void(bool)> reply) = 0;
    // Shows and raises the window.
    virtual void showWindow(QObject* window) = 0;
    // `message` says what failed, `reason` why.
    virtual void showError(QObject* window, const QString& message, const QString& reason,
                           std::function<void()> dismissed) = 0;
};

} // namespace qf
