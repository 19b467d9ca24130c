#include "editor/PictureListModel.h"

#include "editor/FotoloomController.h"
#include "model/Collage.h"

#include <QFileInfo>
#include <QPainter>
#include <QSet>

namespace qf {

PictureListModel::PictureListModel(FotoloomController& controller, QSize thumbnailSize, QObject* parent)
    : QAbstractListModel(parent)
    , m_controller(controller)
    , m_thumbnailSize(thumbnailSize)
    , m_thumbnails(maxThumbnailBytes)
{
}

void PictureListModel::reload()
{
    beginResetModel();
    // Thumbnails of pictures that left the collage go; the others stay made.
    const QStringList& images = m_controller.collage()->images();
    const QSet<QString> shown(images.cbegin(), images.cend());
    for (const QString& md5 : m_thumbnails.keys())
        if (!shown.contains(md5))
            m_thumbnails.remove(md5);
    endResetModel();
}

int PictureListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_controller.intake().numberOfItemsInImageBrowser());
}

QVariant PictureListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ImagePathObject item = m_controller.intake().imageBrowserItemAtIndex(index.row());
    switch (role) {
    case Qt::DecorationRole: {
        if (const QPixmap* kept = m_thumbnails.object(item.imageUID()))
            return *kept;
        const QImage& image = item.imageRep();
        // No picture yet is asked for again next time, never kept.
        if (image.isNull())
            return QPixmap();
        QImage thumbnail(m_thumbnailSize, QImage::Format_ARGB32_Premultiplied);
        thumbnail.fill(Qt::transparent);
        {
            const QImage scaled = image.scaled(m_thumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            QPainter painter(&thumbnail);
            painter.drawImage((m_thumbnailSize.width() - scaled.width()) / 2,
                              (m_thumbnailSize.height() - scaled.height()) / 2, scaled);
        }
        const QPixmap pixmap = QPixmap::fromImage(thumbnail);
        m_thumbnails.insert(item.imageUID(), new QPixmap(pixmap), qsizetype(thumbnail.sizeInBytes()));
        return pixmap;
    }
    case Qt::ToolTipRole: {
        // The file the picture came from reads better than its identity.
        const QString path = m_controller.collage()->md5ToPathsDictionary().value(item.imageUID());
        return path.isEmpty() ? item.imageTitle() : QFileInfo(path).fileName();
    }
    case IdentityRole:
        return item.imageUID();
    default:
        return {};
    }
}

Qt::ItemFlags PictureListModel::flags(const QModelIndex& index) const
{
    // Not draggable: the order is the collage's.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace qf
