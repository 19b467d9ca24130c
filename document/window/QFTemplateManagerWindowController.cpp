#include "document/window/QFTemplateManagerWindowController.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>

namespace qf {

void QFTemplateImageView::drawTemplate(QPainter& painter, const QImage& image, const QRectF& bounds, bool drawSelection)
{
    if (image.isNull())
        return;
    const QRectF fitted = QFTemplateCatalogue::previewRect(image.size(), bounds);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (drawSelection) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0, 0, 255), 8));
        painter.drawRect(fitted);
        painter.setPen(QPen(QColor(Qt::lightGray), 2));
        painter.drawRect(fitted);
    }
    painter.drawImage(fitted, image);
    painter.restore();
}

QSize QFTemplateImageView::itemSize()
{
    return QFTemplateCatalogue::cellSize().toSize() + QSize(0, captionHeight);
}

void QFTemplateImageView::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QImage image = index.data(imageRole).value<QImage>();
    const QRect preview = option.rect.adjusted(0, 0, 0, -captionHeight);
    drawTemplate(*painter, image, preview, option.state.testFlag(QStyle::State_Selected));
    // Right under the preview, which is centred in its part of the cell.
    const QRectF fitted = QFTemplateCatalogue::previewRect(image.size(), preview);
    const int top = fitted.isEmpty() ? preview.bottom() + 1 : int(fitted.bottom()) + 8;
    const QRect caption(option.rect.left() + 8, top, option.rect.width() - 16, option.rect.bottom() + 1 - top);
    painter->save();
    painter->setPen(QColor(235, 235, 235)); // on the chooser's black
    painter->setFont(option.font);
    painter->drawText(caption, Qt::AlignHCenter | Qt::AlignTop,
                      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                    caption.width()));
    painter->restore();
}

QSize QFTemplateImageView::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return itemSize();
}

QSize QFTemplateManagerWindowController::defaultSize(QSize available)
{
    const QSize cell = QFTemplateImageView::itemSize();
    // The categories' column, the frame and scroll bar, the buttons.
    return QSize(200 + 2 * cell.width() + 60, 2 * cell.height() + 90).boundedTo(available);
}

QFTemplateManagerWindowController::QFTemplateManagerWindowController(const QFTemplateCatalogue& catalogue,
                                                                     QWidget* parent)
    : QDialog(parent)
    , m_categoriesAndItemsArray(catalogue.categoriesAndItems())
{
    setObjectName(QStringLiteral("QFTemplateManagerWindowController"));
    setWindowTitle(tr("Choose a Template"));
    setModal(false);

    m_tableView = new QListWidget(this);
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setMaximumWidth(200);
    for (const QFTemplateCategoryItem& category : std::as_const(m_categoriesAndItemsArray))
        m_tableView->addItem(category.name);

    m_items = new QStandardItemModel(this);
    m_collectionView = new QListView(this);
    m_collectionView->setObjectName(QStringLiteral("collectionView"));
    m_collectionView->setViewMode(QListView::IconMode);
    m_collectionView->setMovement(QListView::Static);
    m_collectionView->setResizeMode(QListView::Adjust);
    m_collectionView->setUniformItemSizes(true);
    m_collectionView->setGridSize(QFTemplateImageView::itemSize());
    m_collectionView->setSpacing(0);
    m_collectionView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_collectionView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_collectionView->setItemDelegate(new QFTemplateImageView(m_collectionView));
    m_collectionView->setModel(m_items);
    QPalette palette = m_collectionView->palette();
    palette.setColor(QPalette::Base, Qt::black);
    m_collectionView->setPalette(palette);
    m_collectionView->setAutoFillBackground(true);
    m_collectionView->setMinimumSize(QFTemplateImageView::itemSize().width() * 2 + 30,
                                     QFTemplateImageView::itemSize().height() + 10);

    m_chooseButton = new QPushButton(tr("Choose"), this);
    m_chooseButton->setObjectName(QStringLiteral("chooseButton"));
    m_chooseButton->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    buttons->addButton(m_chooseButton, QDialogButtonBox::ActionRole);

    auto* lists = new QHBoxLayout;
    lists->addWidget(m_tableView);
    lists->addWidget(m_collectionView, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(buttons);

    connect(m_chooseButton, &QPushButton::clicked, this, &QFTemplateManagerWindowController::chooseTemplate);
    connect(cancel, &QPushButton::clicked, this, &QFTemplateManagerWindowController::cancelTemplateSelection);
    connect(m_collectionView, &QListView::doubleClicked, this, &QFTemplateManagerWindowController::chooseTemplate);
    connect(m_tableView, &QListWidget::currentRowChanged, this, &QFTemplateManagerWindowController::showCategory);
    m_tableView->setCurrentRow(0);
    if (const QScreen* screen = this->screen())
        resize(defaultSize(screen->availableGeometry().size()));
}

void QFTemplateManagerWindowController::showCategory(int row)
{
    m_items->clear();
    if (row < 0 || row >= m_categoriesAndItemsArray.size())
        return;
    for (const QFTemplateModelItem& item : std::as_const(m_categoriesAndItemsArray[row].templates)) {
        auto* cell = new QStandardItem;
        cell->setData(item.image, QFTemplateImageView::imageRole);
        cell->setText(QFTemplateCatalogue::documentDisplayName(item.displayName));
        cell->setToolTip(QFTemplateCatalogue::documentDisplayName(item.displayName));
        cell->setEditable(false);
        m_items->appendRow(cell);
    }
}

void QFTemplateManagerWindowController::chooseTemplate()
{
    const int row = m_tableView->currentRow();
    if (row < 0 || row >= m_categoriesAndItemsArray.size())
        return;
    const QList<QFTemplateModelItem>& templates = m_categoriesAndItemsArray[row].templates;
    const QModelIndexList selected = m_collectionView->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const int first = std::min_element(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) {
                          return a.row() < b.row();
                      })->row();
    if (first < 0 || first >= templates.size())
        return;
    // Copied: opening the document may change what the chooser shows.
    const QFTemplateModelItem chosen = templates[first];
    if (m_docControllerDelegate)
        m_docControllerDelegate->newDocumentFromTemplate(chosen);
    close();
}

void QFTemplateManagerWindowController::cancelTemplateSelection()
{
    close();
}

} // namespace qf
