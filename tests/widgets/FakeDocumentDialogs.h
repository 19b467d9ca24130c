#pragma once

#include "platform/documents/DocumentDialogs.h"

#include <QBuffer>
#include <QList>
#include <QPdfWriter>
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
    QList<QObject*> windows;
    QList<QObject*> shownWindows;               // the parent of every dialog
    std::function<void()> onSavePanel;     // runs while a save dialog is "on screen"

    void chooseSaveLocation(QObject* window, const SavePanelRequest& request,
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

    void chooseFilesToOpen(QObject* window, const OpenPanelRequest& request,
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

    void askSaveChanges(QObject* window, const QString& displayName,
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

    void print(QObject* window, const QString&, std::shared_ptr<PrintOperation> operation,
               std::function<void(bool)> reply) override
    {
        windows << window;
        ++printPanels;
        bool answer = false;
        if (!printAnswers.empty()) {
            answer = printAnswers.front();
            printAnswers.pop_front();
        }
        // A chosen print goes to a PDF in memory, as a printer would take it.
        bool printed = false;
        if (answer) {
            QBuffer pdf;
            pdf.open(QIODevice::WriteOnly);
            QPdfWriter writer(&pdf);
            operation->preparePrinter(writer);
            printed = operation->printOn(writer);
        }
        reply(printed);
    }
    void showWindow(QObject* window) override { shownWindows << window; }

    void showError(QObject* window, const QString& message, const QString& reason,
                   std::function<void()> dismissed) override
    {
        windows << window;
        errors << qMakePair(message, reason);
        if (dismissed)
            dismissed();
    }
};

} // namespace qf::testing
