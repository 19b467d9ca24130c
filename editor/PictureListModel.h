#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QPixmap>
#include <QSize>

namespace qf {

class FotoloomController;

// The picture list's rows: the current collage's pictures in order, each
// shown by a thumbnail of its drawing image. The editor core is the data
// source; the model keeps only thumbnails, the ones shown last, up to
// maxThumbnailBytes. Every thumbnail has the same size, the picture centred
// in it, so a view can lay out thousands of rows without asking for each.
class PictureListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int IdentityRole = Qt::UserRole;
    static constexpr qsizetype maxThumbnailBytes = 48 << 20;

    PictureListModel(FotoloomController& controller, QSize thumbnailSize, QObject* parent = nullptr);

    // Shows the core's pictures again.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    FotoloomController& m_controller;
    QSize m_thumbnailSize;
    mutable QCache<QString, QPixmap> m_thumbnails;
};

} // namespace qf
