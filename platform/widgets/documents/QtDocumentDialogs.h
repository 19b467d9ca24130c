#pragma once

#include "platform/widgets/documents/DocumentDialogs.h"

namespace qf {

// The document dialogs as Qt widgets. File dialogs are Qt's own (not the
// desktop's) so that a package directory can be chosen as one file.
class QtDocumentDialogs : public DocumentDialogs {
public:
    void chooseSaveLocation(QWidget* window, const SavePanelRequest& request,
                            std::function<void(std::optional<SavePanelResult>)> reply) override;
    void chooseFilesToOpen(QWidget* window, const OpenPanelRequest& request,
                           std::function<void(QStringList)> reply) override;
    void askSaveChanges(QWidget* window, const QString& displayName,
                        std::function<void(SaveChangesChoice)> reply) override;
    void showError(QWidget* window, const QString& message, const QString& reason,
                   std::function<void()> dismissed) override;
};

} // namespace qf
