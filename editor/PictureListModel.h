#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QPixmap>
#include <QSize>

namespace qf {

class FotoloomController;

// The picture list's rows: the current collage's pictures in order, each
// shown by a thumbnail of its drawing image. The editor core is the data
// source; the model keeps only thumbnails, made once a picture.
class PictureListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int IdentityRole = Qt::UserRole;

    PictureListModel(FotoloomController& controller, QSize thumbnailSize, QObject* parent = nullptr);

    // Shows the core's pictures again.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    FotoloomController& m_controller;
    QSize m_thumbnailSize;
    mutable QHash<QString, QPixmap> m_thumbnails;
};

} // namespace qf
