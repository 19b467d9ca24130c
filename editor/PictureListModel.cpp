#include "editor/PictureListModel.h"

#include "editor/FotoloomController.h"
#include "model/Collage.h"

#include <QFileInfo>

namespace qf {

PictureListModel::PictureListModel(FotoloomController& controller, QSize thumbnailSize, QObject* parent)
    : QAbstractListModel(parent)
    , m_controller(controller)
    , m_thumbnailSize(thumbnailSize)
{
}

void PictureListModel::reload()
{
    beginResetModel();
    // Thumbnails of pictures that left the collage go; the others stay made.
    const QStringList& images = m_controller.collage()->images();
    for (auto it = m_thumbnails.begin(); it != m_thumbnails.end();)
        it = images.contains(it.key()) ? std::next(it) : m_thumbnails.erase(it);
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
        auto it = m_thumbnails.find(item.imageUID());
        if (it == m_thumbnails.end()) {
            const QImage& image = item.imageRep();
            // No picture yet is asked for again next time, never kept.
            if (image.isNull())
                return QPixmap();
            it = m_thumbnails.insert(item.imageUID(),
                                     QPixmap::fromImage(image.scaled(m_thumbnailSize, Qt::KeepAspectRatio,
                                                                     Qt::SmoothTransformation)));
        }
        return *it;
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
