#include "editor/CollageLoader.h"

#include "document/CollageDocument.h"
#include "document/QFRegularFileWrapperContainer.h"
#include "document/WorkWithFileFormat.h"
#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"
#include "model/Collage.h"
#include "model/CollageJsonKeys.h"
#include "platform/json/JsonDocument.h"
#include "platform/json/JsonValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QSet>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcLoad, "qf.editor.load")

// A size read by the collage is checked; so is a number too large for it to
// hold, which it reads as absent but which is no less out of range.
bool withinLimits(const QJsonObject& dict, const QString& key, qint64 read, qint64 lo, qint64 hi)
{
    if (json::number(dict, key) && !json::integer(dict, key))
        return false;
    return read >= lo && read <= hi;
}

Status refused(const QString& detail)
{
    return Status::failure(CollageLoader::couldNotOpenAlert().informativeText, detail);
}

} // namespace

CollageLoader::CollageLoader(EditorSession& session, const CollageTypes& types, CollageHost& host)
    : m_session(session)
    , m_types(types)
    , m_host(host)
{
}

CollageLoader::Loaded CollageLoader::load(const QByteArray& envelope)
{    // The document checked the envelope when it read the file; bytes that
    // came another way are checked here all the same.
    if (!WorkWithFileFormat::containsValidFileFormat(envelope))
        return Loaded{nullptr, refused(QStringLiteral("damaged envelope"))};
    const int version = WorkWithFileFormat::getFileCreatedUsingVersion(envelope);
    if (version > WorkWithFileFormat::currentVersion())
        return Loaded{nullptr, refused(QStringLiteral("file version %1").arg(version))};
    const std::optional<QByteArray> payload = WorkWithFileFormat::getActualData(envelope);
    if (!payload)
        return Loaded{nullptr, refused(QStringLiteral("no payload"))};
    const json::ObjectParseResult parsed = json::parseObject(*payload);
    if (!parsed)
        return Loaded{nullptr, refused(parsed.errorMessage())};
    const QJsonObject& dict = parsed.object();

    const QString type = CollageTypes::typeOfJson(dict);
    std::shared_ptr<Collage> loaded = m_types.makeFromJson(dict, &m_host);
    if (!loaded)
        return Loaded{nullptr, refused(QStringLiteral("unknown collage type \"%1\"").arg(type))};
    qCInfo(lcLoad) << "read a" << type << "collage of file version" << version;

    // Refused before anything reaches the store or the user.
    const bool sizeOk =
        withinLimits(dict, CollageJsonKeys::kWidthKey, loaded->width(), minCollageDimension(), maxCollageDimension())
        && withinLimits(dict, CollageJsonKeys::kHeightKey, loaded->height(), minCollageDimension(),
                        maxCollageDimension())
        && withinLimits(dict, CollageJsonKeys::kResolutionKey, loaded->resolution(), minCollageResolution(),
                        maxCollageResolution());
    if (!sizeOk)
        return Loaded{nullptr, refused(QStringLiteral("size %1 x %2 at %3 ppi")
                                             .arg(loaded->width())
                                             .arg(loaded->height())
                                             .arg(loaded->resolution()))};

    if (version < firstVersionWithEmbeddedPictures())
        migratePicturesStoredByPath(*loaded);

    const Dropped dropped = dropMissingPictures(*loaded);
    m_session.keepPicturesWithinMemory();
    const bool backgroundMissing = checkBackgroundPicture(*loaded);
    if (EditorWindow* window = m_session.window()) {
        if (dropped.undecodable + dropped.absent > 0 || backgroundMissing) {
            // A file in the package that is no picture was a picture once:
            // the pictures are damaged, not moved away. Its headers tell;
            // they are read only then, not for every picture of every project.
            bool damaged = dropped.undecodable > 0;
            for (const auto& container : m_session.document().imageWrapperContainers())
                damaged = damaged || !container->hasPictureHeaders();
            window->showMissingPicturesSheet(damaged ? damagedPicturesAlert() : missingPicturesAlert());
        } else if (dropped.standIns > 0) {
            window->showMissingPicturesSheet(notEnoughMemoryAlert());
        }
    }

    // Only those still in the project are news.
    const QSet<QString> kept(loaded->images().cbegin(), loaded->images().cend());
    qsizetype putBack = 0;
    for (const QString& md5 : loaded->picturesPutBackOnReading())
        putBack += kept.contains(md5) ? 1 : 0;
    if (putBack > 0) {
        qCWarning(lcLoad) << putBack << "pictures were out of sight and are put back on the canvas";
        m_session.picturesPutBack(putBack);
    }

    return {std::move(loaded), Status::success()};
}

void CollageLoader::migratePicturesStoredByPath(Collage& collage)
{
    if (collage.images().isEmpty() && collage.backgroundImagePath().isEmpty())
        return;

    // Only absolute paths name a file: a relative one would depend on where
    // the program happens to run.
    QStringList paths;
    QStringList inUse = collage.allPicturesInUse();
    inUse.removeDuplicates();
    for (const QString& path : inUse)
        if (QDir::isAbsolutePath(path))
            paths.append(path);

    QHash<QString, QString> identityForPath;
    const auto containers = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainersForImages(paths);
    for (qsizetype i = 0; i < paths.size() && i < containers.size(); ++i) {
        const auto& container = containers[i];
        const std::optional<QString> md5 = container ? container->md5() : std::nullopt;
        if (!md5)
            continue; // unreadable: counts as missing below
        m_session.document().addImage(container);
        identityForPath.insert(paths[i], *md5);
    }
    qCInfo(lcLoad) << "moved" << identityForPath.size() << "of" << paths.size() << "pictures into the project";

    const auto identity = [&identityForPath](const QString& path) { return identityForPath.value(path, path); };
    if (!collage.backgroundImagePath().isEmpty())
        collage.setBackgroundImagePath(identity(collage.backgroundImagePath()));
    // Two paths to equal files become one picture.
    QStringList images;
    for (const QString& path : collage.images())
        images.append(identity(path));
    images.removeDuplicates();
    collage.setImages(images);
    for (const PositionPtr& pos : collage.picturePositions())
        if (pos && !pos->isEmpty())
            pos->setPicture(identity(pos->picture()));
}

CollageLoader::Dropped CollageLoader::dropMissingPictures(Collage& collage)
{
    const QStringList images = collage.images();
    // Proxies are made on worker threads first, the background's too, no
    // larger than memory lets them stay; the lookups below and the
    // background's then find them made.
    CollageDocument& document = m_session.document();
    document.makeDrawingSizeImages(images + QStringList{collage.backgroundImagePath()});

    Dropped dropped;
    QList<qsizetype> missing;
    for (qsizetype i = 0; i < images.size(); ++i) {
        const auto container = document.getFileWrapperContainer(images[i]);
        const QImage image = container ? container->getDrawingSizeImage() : QImage();
        if (image.isNull()) {
            missing.append(i);
            ++(container ? dropped.undecodable : dropped.absent);
            continue;
        }
        // A picture memory did not allow to decode stays, saved as ever,
        // shown by its stand-in.
        dropped.standIns += container->drawingImageIsStandIn() ? 1 : 0;
        collage.nsImages().insert(images[i], image);
    }
    if (dropped.standIns > 0)
        qCWarning(lcLoad) << dropped.standIns << "pictures could not be decoded for want of memory";
    if (missing.isEmpty())
        return dropped;
    qCWarning(lcLoad) << missing.size() << "pictures of the collage are not in the project or do not decode";
    collage.removePictures(missing);
    return dropped;
}

bool CollageLoader::checkBackgroundPicture(Collage& collage)
{
    if (collage.backgroundImagePath().isEmpty() || !collage.backgroundIsImage())
        return false;
    collage.setBackgroundImageByMd5(collage.backgroundImagePath());
    if (!collage.backgroundImage().isNull()) {
        if (EditorWindow* window = m_session.window())
            window->showBackgroundImage(collage.backgroundImage());
        return false;
    }
    qCWarning(lcLoad) << "the background picture is not in the project";
    collage.setBackgroundImagePath(QString());
    collage.setBackgroundImage(QImage());
    collage.setBackgroundIsImage(false);
    return true;
}

AlertText CollageLoader::couldNotOpenAlert()
{
    return {QCoreApplication::translate("qf::CollageLoader", "File couldn't be opened"), QCoreApplication::translate("qf::CollageLoader", "This file is corrupt and can't be opened."), QCoreApplication::translate("qf::CollageLoader", "OK")};
}

AlertText CollageLoader::missingPicturesAlert()
{
    return {QCoreApplication::translate("qf::CollageLoader", "Some pictures are no longer available"),
            QCoreApplication::translate("qf::CollageLoader", "Some pictures used in this collage have either been moved to a different location or removed "
               "from this computer. These pictures will not appear in this collage."),
            QCoreApplication::translate("qf::CollageLoader", "OK")};
}

AlertText CollageLoader::notEnoughMemoryAlert()
{
    return {QCoreApplication::translate("qf::CollageLoader", "Some pictures can't be shown"),
            QCoreApplication::translate("qf::CollageLoader", "There isn't enough memory to show every picture in this project. The pictures not shown stay "
               "in the project and are saved with it."),
            QCoreApplication::translate("qf::CollageLoader", "OK")};
}

AlertText CollageLoader::picturesPutBackAlert(qsizetype count)
{
    return {QCoreApplication::translate("qf::CollageLoader", "Some pictures were moved"),
            count == 1 ? QCoreApplication::translate("qf::CollageLoader",
                                                     "One picture was out of place in this project and has been put "
                                                     "back on the canvas.")
                       : QCoreApplication::translate("qf::CollageLoader",
                                                     "%1 pictures were out of place in this project and have been "
                                                     "put back on the canvas.")
                             .arg(count),
            QCoreApplication::translate("qf::CollageLoader", "OK")};
}

AlertText CollageLoader::damagedPicturesAlert()
{
    return {QCoreApplication::translate("qf::CollageLoader", "Some pictures can't be shown"),
            QCoreApplication::translate("qf::CollageLoader", "Some pictures in this project are damaged and can't be shown. These pictures will not appear in "
               "this collage."),
            QCoreApplication::translate("qf::CollageLoader", "OK")};
}

} // namespace qf
