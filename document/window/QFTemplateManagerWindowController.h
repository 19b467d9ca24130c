#pragma once

#include "document/QFTemplateCatalogue.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStyledItemDelegate>

class QListView;
class QListWidget;
class QPushButton;
class QStandardItemModel;

namespace qf {

// Who opens what the chooser chose.
class QFTemplateManagerWindowControllerDelegate {
public:
    virtual ~QFTemplateManagerWindowControllerDelegate() = default;
    virtual void newDocumentFromTemplate(const QFTemplateModelItem& item) = 0;
};

// Draws one template cell: the preview fitted into the cell, with a blue and
// light gray frame round it while selected, and the template's name (its
// display text) in a band below.
class QFTemplateImageView : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int imageRole = Qt::UserRole + 1;
    static constexpr int captionHeight = 30;
    // A cell with its name band.
    static QSize itemSize();

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The drawing itself, for a cell at `bounds`.
    static void drawTemplate(QPainter& painter, const QImage& image, const QRectF& bounds, bool drawSelection);
};

// The template chooser: the categories on the left, the selected category's
// templates as cells on black, Choose (the default button) and Cancel. Not
// modal; made once and shown again.
class QFTemplateManagerWindowController : public QDialog {
    Q_OBJECT
public:
    explicit QFTemplateManagerWindowController(const QFTemplateCatalogue& catalogue, QWidget* parent = nullptr);
    // The window's first size: two rows of two templates beside the
    // categories, within the screen's free area.
    static QSize defaultSize(QSize available);

    void setDocControllerDelegate(QFTemplateManagerWindowControllerDelegate* delegate) { m_docControllerDelegate = delegate; }
    QFTemplateManagerWindowControllerDelegate* docControllerDelegate() const { return m_docControllerDelegate; }

    const QList<QFTemplateCategoryItem>& categoriesAndItemsArray() const { return m_categoriesAndItemsArray; }
    QListWidget* tableView() const { return m_tableView; }
    QListView* collectionView() const { return m_collectionView; }
    QPushButton* chooseButton() const { return m_chooseButton; }

    // Opens the selected template and closes; without one nothing happens.
    void chooseTemplate();
    void cancelTemplateSelection();

private:
    void showCategory(int row);

    QFTemplateManagerWindowControllerDelegate* m_docControllerDelegate = nullptr;
    QListWidget* m_tableView = nullptr;
    QListView* m_collectionView = nullptr;
    QStandardItemModel* m_items = nullptr;
    QPushButton* m_chooseButton = nullptr;
    QList<QFTemplateCategoryItem> m_categoriesAndItemsArray;
};

} // namespace qf
