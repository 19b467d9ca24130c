#pragma once

#include "document/DocumentHost.h"
#include "editor/CanvasSizes.h"
#include "editor/CollageExporter.h"
#include "editor/CommandRunner.h"
#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"
#include "editor/ImagePathObject.h"
#include "editor/PictureIntake.h"
#include "editor/TextCommands.h"
#include "layouts/CollageTypes.h"
#include "model/CollageCaches.h"
#include "model/CollageHost.h"
#include "editor/CustomSizeForm.h"
#include "model/QFCollageSize.h"
#include "platform/core/Status.h"
#include "platform/keyvalue/KVObject.h"
#include "platform/keyvalue/KVObserver.h"

#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

class ApplicationLookup;
class Collage;
class GraphicsContext;
class CollageDocument;
class PicturePanel;
class QFRegularFileWrapperContainer;
class PrintOperation;
class UndoManager;

// The editor of one collage document, without its widgets: it owns the
// current collage, loads it from the document (migrating old projects),
// replaces it wholesale on a type change and on undo or redo, keeps one undo
// snapshot per undo group, runs the follow-up of bound setting changes, and
// hands the document the bytes to save. Picture intake and export are
// objects of their own that it owns and forwards to. Everything shown goes
// through the EditorWindow interface, which may be absent (then nothing is
// shown).
//
// Main thread only.
class FotoloomController : public QObject,
                           public KVObject,
                           public KVObserver,
                           public CollageHost,
                           public DocumentHost,
                           public EditorSession {
    Q_OBJECT
public:
    // `undoManager` is the history; the document's by default. The collage
    // is a placeholder until the load. Runs the first-time setup, which
    // calls `clearRecentDocuments` on a fresh installation.
    explicit FotoloomController(CollageDocument& document, UndoManager* undoManager = nullptr,
                                const std::function<void()>& clearRecentDocuments = {});
    ~FotoloomController() override;

    static const KVKeyTable& keyTable();

    void setWindow(EditorWindow* window) { m_window = window; }
    EditorWindow* window() const override { return m_window; }
    CollageDocument& document() const override { return m_document; }
    UndoManager& undoManager() const override { return *m_undoManager; }
    // The parts that work for the editor.
    PictureIntake& intake() const { return *m_intake; }
    CollageExporter& exporter() const { return *m_exporter; }
    // The document's edited state: its history against its last save (or the opening).
    bool isDocumentEdited() const;

    // ---- collage types ------------------------------------------------------

    // The type strings in the order of the type popup.
    using CollageMaker = CollageTypes::Maker;
    // Adds or replaces the maker of a type string for this controller.
    void setCollageMaker(const QString& type, CollageMaker maker);
    // A fresh collage of the type; null for a type this build cannot make.
    std::shared_ptr<Collage> getNewCollageFor(const QString& type) const override;
    bool canMakeCollageOfType(const QString& type) const { return m_collageTypes.canMake(type); }

    // ---- loading --------------------------------------------------------------

    // The core's share of the window's load: template information, then the
    // collage. The status is what the could-not-open sheet said.
    Status windowDidLoad();
    // The load from envelope bytes (none: a new document). A refused file
    // leaves the placeholder, shows the could-not-open sheet and changes
    // nothing else; the document closes when the sheet ends.
    Status setupInitialCollageWithJsonData(const std::optional<QByteArray>& envelope);

    // ---- the current collage ----------------------------------------------------

    const std::shared_ptr<Collage>& collage() const override { return m_collage; }
    // Makes the collage current: undo observation moves from the old collage
    // to it, and the window shows it.
    void setCurrentCollage(std::shared_ptr<Collage> collage);
    // The type popup chose an index; the same type or a type this build
    // cannot make changes nothing and records nothing.
    void changeCollageType(qint64 index);

    // ---- undo -------------------------------------------------------------------

    // Records the collage as it is now for the current undo group, unless
    // the group has its snapshot already. Changes an undo or redo makes are
    // the step's own and record nothing.
    void makeDocumentDirty(const QString& actionName = {}) override;
    using EditorSession::makeDocumentDirty;
    bool hasPendingUndoSnapshot() const { return m_dictionaryHoldingUndoRepresentation.has_value(); }
    // Restores a snapshot as a new collage and records the present state as
    // the opposite step.
    void setupWithDictionary(const QJsonObject& snapshot);

    void observeValueForKeyPath(const QString& key, KVObject* object, const KVChange& change,
                                const KVContext* context) override;

    // ---- saving -----------------------------------------------------------------

    // The envelope of the current collage's saved JSON.
    QByteArray getCurrentCollageFileData() const;
    // The bytes to store for a type, or the reason there are none: the
    // envelope for the single-file design type, else the picture rendered at
    // the collage's pixel size under the saving sheet.
    SaveData saveDataOfType(const QString& typeName, double jpegCompression, int tiffCompression) override;
    QByteArray dataOfTypeForSave(const QString& typeName, double jpegCompression, int tiffCompression) override;
    QStringList allPicturesInUse() const override;
    void savedSuccessfullyToFileType(const QString& typeName) override;
    void finishPendingChanges() override;

    // ---- actions ----------------------------------------------------------------

    // The commands of the current collage and the canvas's small changes.
    CommandRunner& runner() const { return *m_runner; }
    // A drag of a slider, a colour or the canvas: every change from the
    // press to the release is one undo step. A begin while one is open ends
    // that one first; an end without a begin does nothing.
    void beginContinuousChange();
    void endContinuousChange();
    void switchSavePreviewImage() { m_savePreviewImage = !m_savePreviewImage; }
    bool savePreviewImage() const { return m_savePreviewImage; }
    void setOnscreenDrawingViewNeedsDisplay() override;

    // A menu item as validation leaves it: items are always enabled; the
    // fields set are the ones to update.
    struct MenuItemState {
        QString action;
        std::optional<bool> checked;
        std::optional<QString> title;
    };
    bool validateMenuItem(MenuItemState& item) const;

    // ---- text ---------------------------------------------------------------------

    // The text commands.
    TextCommands& text() const { return *m_text; }

    // The text editor has the keyboard. From begin to end, the writes of
    // currentSelectedText are one undo step: a burst of typing. The step
    // also ends when the text selection or the collage changes, at an undo or
    // a redo, before a save, and when any other change is recorded; typing
    // after that starts the next one.
    void beginTypingText() { m_typingText = true; }
    void endTypingText();

    // ---- sizes ------------------------------------------------------------------

    // The canvas's sizes and orientation.
    CanvasSizes& sizes() const { return *m_sizes; }

    // ---- binding keys -------------------------------------------------------------

    // Index of the collage's type in CollageTypes::typeStrings(); 0 for anything else.
    qint64 getSelectedCollageTypeIndex() const;
    // Index of the first size with the collage's pixels (either way round)
    // and resolution; -1 for none.
    qint64 getSelectedCollageSizeIndex() const;
    // The selected text item's content; empty when none is selected.
    QString getCurrentSelectedText() const;
    void setCurrentSelectedText(const QString& text);
    // Writes of the two popup indexes are ignored (the popups' actions do the
    // work); other unknown keys raise.
    void setValueForUndefinedKey(const QVariant& value, const QString& key) override;

    // ---- template information -------------------------------------------------------

    // Up to three categories (empty for none) and the description.
    struct TemplateInformation {
        QStringList categories{QString(), QString(), QString()};
        QString description;
    };
    const TemplateInformation& templateInformation() const { return m_templateInformation; }
    // The template information sheet's answer: three categories (empty for
    // none) and the description, each trimmed. It records no undo step.
    void setTemplateInformation(const QStringList& categories, const QString& description);

    // ---- what the collage needs (CollageHost) ------------------------------------------

    QImage drawingSizeImage(const QString& md5) override;
    QImage completeSizeImage(const QString& md5) override;
    std::optional<QString> importPicture(const QString& path) override;
    QPointF faceCentroidInImage(const QImage& image) override;
    KVObserver* undoObserver() override { return this; }
    void selectPictureFor(qint64 slotIndex) override { m_intake->selectPictureFor(slotIndex); }
    void selectBackgroundPictureFile() override { m_intake->selectBackgroundPictureFile(); }
    // Says so once per editor: later collages past the cap are no news.
    void picturesNotShown(qsizetype count) override;
    // Says so once per editor, as above.
    void picturesPutBack(qsizetype count) override;
    // Opens the window's crop sheet; a fixed aspect without a ratio logs
    // and opens nothing.
    void cropPicture(const QImage& image, double widthToHeight, const std::optional<PanZoomPos>& crop,
                     bool constrainAspect, qint64 shape) override;
    // Keeps the drawing images of the document's pictures within their
    // memory budget (the store's limit unless a test sets one), the
    // collage's cache taking the smaller images too.
    void keepPicturesWithinMemory() override;
    // Drawing images and faces outlive the collages made on undo and type changes.
    CollageCaches* collageCaches() override { return &m_caches; }

    // ---- export and print (CollageExporter) ---------------------------------------------

    std::shared_ptr<PrintOperation> getPrintOperation() override { return m_exporter->getPrintOperation(); }
    // Asks, then opens a rendered picture in the viewer (first flag) or the
    // photo library (second flag); neither flag does nothing.
    void printUsingPreview(bool preview, bool iPhoto) override { m_exporter->printUsingPreview(preview, iPhoto); }
    bool backgroundIsTransparent() const override;

    // ---- follow-up of bound setting changes -------------------------------------------


signals:
    // An add of pictures reached the collage (or was found empty).
    void picturesAdded();

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }

private:
    // A group boundary of the history: the next change starts a new snapshot,
    // unless a burst of typing is under way (it keeps its snapshot until it ends).
    void observeUndoManagerCheckpoint();
    // What follows a change of these settings.
    void postProcessingCollageLockText();
    void postProcessingCollageLockPictures();
    void postProcessingCollageBackgroundColor();
    Status giveCouldNotBeOpenedError(const QString& detail);
    void registerSnapshotWithUndoManager(const QJsonObject& snapshot);
    void observeForBindings(Collage& collage, bool observe);
    void readTemplateInformation();
    // A command of the panels: one unnamed undo step, the spinner while it
    // runs, the collage's operation and a redraw.
    // The snapshot of a burst of typing is given up: the next change starts a
    // step of its own.
    void closeTypingStep();

    CollageDocument& m_document;
    UndoManager* m_undoManager;
    EditorWindow* m_window = nullptr;
    CollageTypes m_collageTypes;

    CollageCaches m_caches;
    bool m_toldPicturesNotShown = false;
    bool m_toldPicturesPutBack = false;
    bool m_continuousChange = false;
    bool m_typingText = false;     // the text editor has the keyboard
    bool m_typingStepOpen = false; // its burst has taken the pending snapshot
    std::shared_ptr<Collage> m_collage;
    std::optional<QJsonObject> m_dictionaryHoldingUndoRepresentation;
    bool m_savePreviewImage = false;
    TemplateInformation m_templateInformation;

    // Declared last: they work through the members above, so they are made
    // after them and go before them.
    const std::unique_ptr<PictureIntake> m_intake;
    const std::unique_ptr<CollageExporter> m_exporter;
    const std::unique_ptr<TextCommands> m_text;
    const std::unique_ptr<CanvasSizes> m_sizes;
    const std::unique_ptr<CommandRunner> m_runner;
};

} // namespace qf
