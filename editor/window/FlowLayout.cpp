#include "editor/window/FlowLayout.h"

#include <QWidget>

#include <algorithm>

namespace qf {

FlowLayout::FlowLayout(QWidget* parent, int spacing)
    : QLayout(parent)
    , m_gap(spacing)
{
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

int FlowLayout::indexOf(const QWidget* widget) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items[i]->widget() == widget)
            return i;
    return -1;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (QLayoutItem* item : m_items)
        if (!item->isEmpty() && !item->spacerItem())
            size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // One row when there is room for it.
    int width = 0, height = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty() || item->spacerItem())
            continue;
        width += item->sizeHint().width() + m_gap;
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    QList<QList<QLayoutItem*>> rows(1);
    int rowWidth = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty() || item->spacerItem())
            continue;
        const int w = item->sizeHint().width();
        if (!rows.last().isEmpty() && rowWidth + m_gap + w > area.width()) {
            rows.append(QList<QLayoutItem*>());
            rowWidth = 0;
        }
        rowWidth += (rows.last().isEmpty() ? 0 : m_gap) + w;
        rows.last().append(item);
    }
    int y = area.y();
    for (const QList<QLayoutItem*>& row : rows) {
        if (row.isEmpty())
            continue;
        int width = 0, height = 0;
        for (const QLayoutItem* item : row) {
            width += item->sizeHint().width();
            height = std::max(height, item->sizeHint().height());
        }
        width += m_gap * int(row.size() - 1);
        int x = area.x() + std::max(0, (area.width() - width) / 2);
        for (QLayoutItem* item : row) {
            const QSize hint = item->sizeHint();
            if (apply)
                item->setGeometry(QRect(QPoint(x, y + (height - hint.height()) / 2), hint));
            x += hint.width() + m_gap;
        }
        y += height + m_gap;
    }
    const QMargins m = contentsMargins();
    return y - m_gap - area.y() + m.top() + m.bottom();
}

} // namespace qf
