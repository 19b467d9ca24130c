#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace qf {

// One file type a document can be read or written as.
struct DocumentType {
    QString identifier;  // compared by the code, never shown
    QString description; // shown in the file dialogs' filters
    QString extension;   // without the dot
    bool package = false; // a directory that the user sees as one file
};

// What a save dialog offers.
struct SavePanelRequest {
    QString title;
    QString directory;
    QString suggestedName; // without an extension
    QList<DocumentType> types; // at least one
    QString selectedType;      // identifier of the type offered first
};

struct SavePanelResult {
    QString path; // as chosen; the caller adds the type's extension
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
    virtual void chooseSaveLocation(QWidget* window, const SavePanelRequest& request,
                                    std::function<void(std::optional<SavePanelResult>)> reply) = 0;
    // Empty when the user cancelled.
    virtual void chooseFilesToOpen(QWidget* window, const OpenPanelRequest& request,
                                   std::function<void(QStringList)> reply) = 0;
    virtual void askSaveChanges(QWidget* window, const QString& displayName,
                                std::function<void(SaveChangesChoice)> reply) = 0;
    // `message` says what failed, `reason` why.
    virtual void showError(QWidget* window, const QString& message, const QString& reason,
                           std::function<void()> dismissed) = 0;
};

} // namespace qf
