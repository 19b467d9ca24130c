#pragma once

#include "document/QFRegularFileWrapperContainer.h"
#include "editor/EditorWindow.h"

#include <QImage>
#include <QList>
#include "editor/ImagePathObject.h"

#include <QObject>
#include <QPointF>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

class Collage;
class EditorSession;
struct CollageCaches;
class PicturePanel;

// How pictures come into the collage of one editor: files and folders read,
// hashed and decoded (on worker threads when asked), each add one "Add
// Pictures" step, a picture picked for a slot, the background picture, and
// the panels that choose them. It changes the collage through its
// controller, which owns it.
//
// Main thread only.
class PictureIntake : public QObject {
    Q_OBJECT
public:
    explicit PictureIntake(EditorSession& session);
    ~PictureIntake() override;

    // Where the user chooses picture files; not owned. Without one no panel opens.
    void setPicturePanel(PicturePanel* panel) { m_picturePanel = panel; }
    // Off (the default): an add reads its files before it returns. On: the
    // files are read on worker threads and land in one later event.
    void setAddsPicturesInBackground(bool on) { m_addsPicturesInBackground = on; }
    bool isAddingPictures() const;
    // Drops the adds not finished yet; their files never reach the collage.
    void cancelAddingPictures();
    // Waits for the adds under way and puts their pictures into the collage now.
    void finishAddingPictures();

    // Adds the files and the folders' direct children as one "Add Pictures" step.
    void addImagesFromDirectoriesOrFiles(const QStringList& paths);
    // The container's drawing image, or a null image when its picture is in
    // the collage already.
    static QImage getValidImageThatWeDontAlreadyHave(QFRegularFileWrapperContainer& container,
                                                     const Collage& collage);
    // Puts the picture file into the slot (one undo step); nothing for a file
    // that is no readable picture.
    void pickPicture(const QString& path, qint64 slotIndex);
    // Files dropped on the canvas at a y-up point: a single file (or any
    // first file on an empty slot) goes into the slot under the point, the
    // rest are added.
    void addImagesAsAResultOfDraggingIntoDrawingView(const QStringList& paths, QPointF point, QSizeF canvasSize);
    void showAddingPicturesHelp();

    void selectMultiplePictureFiles();
    void selectPictureFor(qint64 slotIndex);
    void selectBackgroundPictureFile();
    // One "Set Background Picture" step; a file that is no readable picture
    // changes nothing.
    void setBackgroundPictureFile(const QString& path);

    // File name endings the picture panels offer.
    static const QStringList& allowedPictureSuffixes();
    // Picture panels start in the folder pictures last came from (see
    // RememberedFolders).

    static AlertText addingPicturesHelpAlert();

    // Indexes into the collage's images; an empty or out-of-range set does nothing.
    void removePictures(const QList<qsizetype>& indexes);
    // The sort popup: 1 and 2 by name, 3 and 4 by modification date,
    // ascending then descending. An older project without file paths refuses.
    void sortPictures(qint64 index);
    static AlertText olderCollageProjectAlert();
    // The collage holds `count` pictures it cannot show.
    static AlertText picturesNotShownAlert(qsizetype count);

    // Keeps the drawing images of the document's pictures within their
    // memory budget (the store's limit unless one is set), the collage's
    // cache taking the smaller images too.
    void keepPicturesWithinMemory(CollageCaches& caches);
    void setDrawingImageBudget(qint64 bytes);

    // The picture list: the collage's pictures in order, each with its drawing image.
    qint64 numberOfItemsInImageBrowser() const;
    ImagePathObject imageBrowserItemAtIndex(qint64 index) const;

signals:
    // An add of pictures reached the collage (or was found empty).
    void picturesAdded();

private:
    // A file of an add read and decoded, and an add being read.
    struct PreparedPicture;
    struct IntakeJob;
    // A dropped file that goes into a slot together with an add.
    struct SlotPick {
        QString path;
        qint64 slot = -1;
    };
    // What one intake reads and what it does with it: add the files and
    // folders' children, put a file into a slot (with an add, one step), or
    // make a file the background.
    struct PendingIntake {
        QStringList paths;
        std::optional<SlotPick> pick;
        QString background;
    };
    // The files the request reads, in order: the slot's, the background's,
    // then those to add.
    static QStringList filesOf(const PendingIntake& request);
    // Runs the request now, or after those before it on worker threads.
    void request(PendingIntake request);

    // A batch whose proxies are made no larger than memory lets them stay.
    QFRegularFileWrapperContainer::BatchControl plannedBatch() const;
    static QList<PreparedPicture> prepare(const QStringList& files, QFRegularFileWrapperContainer::BatchControl control,
                                          const QSet<QString>& knownFaces);
    void startNextIntake();
    void finishIntake(QList<PreparedPicture> prepared, const PendingIntake& request);
    void applyPick(const PreparedPicture& picture, qint64 slot);
    void applyBackground(const PreparedPicture& picture);
    void finishIntakeWhenIdle(QList<PreparedPicture> prepared);
    void showIntakeProgress(qsizetype done, qsizetype total);
    void openPicturePanel(const QString& title, bool directories, bool multiple,
                          std::function<void(const QStringList&)> chosen);

    EditorSession& m_session;
    PicturePanel* m_picturePanel = nullptr;
    bool m_addsPicturesInBackground = false;
    QList<PendingIntake> m_pendingIntakes;
    std::shared_ptr<IntakeJob> m_intake; // the add being read
};

} // namespace qf
