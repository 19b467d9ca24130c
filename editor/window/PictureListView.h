#pragma once

#include <QListView>

namespace qf {

// The picture list: icons of the collage's pictures. Files and folders
// dropped on it are to be added; its own items are never dragged or dropped;
// Delete and Backspace remove the selected pictures.
class PictureListView : public QListView {
    Q_OBJECT
public:
    explicit PictureListView(QWidget* parent = nullptr);

    // Rows of the selection, ascending.
    QList<qsizetype> selectedRows() const;

signals:
    void filesDropped(const QStringList& paths);
    void pictureFromApplicationDropped();
    void removeRequested(const QList<qsizetype>& rows);

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace qf
