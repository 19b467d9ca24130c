#pragma once

#include "platform/widgets/documents/DocumentDialogs.h"

namespace qf {

// The document dialogs as Qt widgets. File dialogs are Qt's own (not the
// desktop's) so that a package directory can be chosen as one file. The save
// dialog asks itself before replacing anything, packages and names that get
// their extension added included.
class QtDocumentDialogs : public DocumentDialogs {
public:
    void chooseSaveLocation(QWidget* window, const SavePanelRequest& request,
                            std::function<void(std::optional<SavePanelResult>)> reply) override;
    void chooseFilesToOpen(QWidget* window, const OpenPanelRequest& request,
                           std::function<void(QStringList)> reply) override;
    void askSaveChanges(QWidget* window, const QString& displayName,
                        std::function<void(SaveChangesChoice)> reply) override;
    void runPrintPanel(QWidget* window, QPrinter& printer, std::function<void(bool)> reply) override;
    void showError(QWidget* window, const QString& message, const QString& reason,
                   std::function<void()> dismissed) override;
};

} // namespace qf
