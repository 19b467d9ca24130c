#pragma once

#include "platform/widgets/documents/DocumentDialogs.h"

#include <QList>
#include <QPair>
#include <QStringList>

#include <deque>

namespace qf::testing {

// Answers the document dialogs from queues and records what was asked. With
// nothing queued, a question stays "on screen" (its reply is kept in
// `pending...`) until the test answers it.
class FakeDocumentDialogs : public DocumentDialogs {
public:
    std::deque<std::optional<SavePanelResult>> saveAnswers;
    QList<SavePanelRequest> saveRequests;
    std::deque<QStringList> openAnswers;
    QList<OpenPanelRequest> openRequests;
    std::deque<SaveChangesChoice> saveChangesAnswers;
    QStringList saveChangesAsked; // display names
    std::function<void(SaveChangesChoice)> pendingSaveChanges;
    std::deque<bool> printAnswers; // false when none is queued
    int printPanels = 0;
    QStringList allowedTypes; // what accessories asked the save dialog to offer
    QList<QPair<QString, QString>> errors; // message, reason
    QList<QWidget*> windows;               // the parent of every dialog
    std::function<void()> onSavePanel;     // runs while a save dialog is "on screen"

    void chooseSaveLocation(QWidget* window, const SavePanelRequest& request,
                            std::function<void(std::optional<SavePanelResult>)> reply) override
    {
        windows << window;
        saveRequests << request;
        // The panel is on screen for the request's own setup until the reply.
        struct Panel : SavePanel {
            QStringList* allowed;
            void setAllowedType(const DocumentType& type) override { *allowed << type.identifier; }
        } panel;
        panel.allowed = &allowedTypes;
        if (request.panelChanged)
            request.panelChanged(&panel);
        if (onSavePanel)
            onSavePanel();
        if (request.panelChanged)
            request.panelChanged(nullptr);
        std::optional<SavePanelResult> answer;
        if (!saveAnswers.empty()) {
            answer = saveAnswers.front();
            saveAnswers.pop_front();
        }
        reply(answer);
    }

    void chooseFilesToOpen(QWidget* window, const OpenPanelRequest& request,
                           std::function<void(QStringList)> reply) override
    {
        windows << window;
        openRequests << request;
        QStringList answer;
        if (!openAnswers.empty()) {
            answer = openAnswers.front();
            openAnswers.pop_front();
        }
        reply(answer);
    }

    void askSaveChanges(QWidget* window, const QString& displayName,
                        std::function<void(SaveChangesChoice)> reply) override
    {
        windows << window;
        saveChangesAsked << displayName;
        if (saveChangesAnswers.empty()) {
            pendingSaveChanges = std::move(reply);
            return;
        }
        const SaveChangesChoice answer = saveChangesAnswers.front();
        saveChangesAnswers.pop_front();
        reply(answer);
    }

    void runPrintPanel(QWidget* window, QPrinter&, std::function<void(bool)> reply) override
    {
        windows << window;
        ++printPanels;
        bool answer = false;
        if (!printAnswers.empty()) {
            answer = printAnswers.front();
            printAnswers.pop_front();
        }
        reply(answer);
    }

    void showError(QWidget* window, const QString& message, const QString& reason,
                   std::function<void()> dismissed) override
    {
        windows << window;
        errors << qMakePair(message, reason);
        if (dismissed)
            dismissed();
    }
};

} // namespace qf::testing
