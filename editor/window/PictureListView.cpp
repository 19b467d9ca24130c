#include "editor/window/PictureListView.h"

#include "editor/PictureDrop.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace qf {

namespace {

bool acceptable(QDropEvent* event, const QListView* list)
{
    // A drag out of the list itself would change nothing.
    return event->source() != list && event->source() != list->viewport()
           && PictureDrop::fromMimeData(event->mimeData()).kind() != PictureDrop::Kind::Nothing;
}

} // namespace

PictureListView::PictureListView(QWidget* parent)
    : QListView(parent)
{
    setAcceptDrops(true);
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
}

QList<qsizetype> PictureListView::selectedRows() const
{
    QList<qsizetype> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void PictureListView::showEvent(QShowEvent* event)
{
    // Drops arrive at the viewport, which a static layout (setMovement)
    // leaves refusing them.
    viewport()->setAcceptDrops(true);
    QListView::showEvent(event);
}

void PictureListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptable(event, this)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PictureListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptable(event, this)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PictureListView::dropEvent(QDropEvent* event)
{
    if (!acceptable(event, this)) {
        event->ignore();
        return;
    }
    const PictureDrop drop = PictureDrop::fromMimeData(event->mimeData());
    if (drop.kind() == PictureDrop::Kind::Files) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        emit filesDropped(drop.paths());
    } else {
        // Nothing was taken: the help says how to bring such pictures.
        event->ignore();
        emit pictureFromApplicationDropped();
    }
}

void PictureListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        const QList<qsizetype> rows = selectedRows();
        if (!rows.isEmpty())
            emit removeRequested(rows);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace qf
