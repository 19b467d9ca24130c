#pragma once

#include "platform/documents/DocumentDialogs.h"

namespace qf {

// The document dialogs as Qt widgets. File dialogs are Qt's own (not the
// desktop's) so that a package directory can be chosen as one file. The save
// dialog asks itself before replacing anything, packages and names that get
// their extension added included.
class QtDocumentDialogs : public DocumentDialogs {
public:
    void chooseSaveLocation(QObject* window, const SavePanelRequest& request,
                            std::function<void(std::optional<SavePanelResult>)> reply) override;
    void chooseFilesToOpen(QObject* window, const OpenPanelRequest& request,
                           std::function<void(QStringList)> reply) override;
    void askSaveChanges(QObject* window, const QString& displayName,
                        std::function<void(SaveChangesChoice)> reply) override;
    void print(QObject* window, const QString& documentName, std::shared_ptr<PrintOperation> operation,
               std::function<void(bool)> reply) override;
    void showWindow(QObject* window) override;
    void showError(QObject* window, const QString& message, const QString& reason,
                   std::function<void()> dismissed) override;
};

} // namespace qf
