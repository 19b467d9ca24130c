#pragma once

#include "document/QFTemplateModelItem.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

namespace qf {

// The templates shipped in a folder: "TemplatesList.plist" names their
// packages in display order, "TemplateCategoriesList.plist" the categories
// in display order. Broken packages are left out without a word, so a bad
// template never keeps the others from showing.
class QFTemplateCatalogue {
public:
    static constexpr const char* templatesListName = "TemplatesList.plist";
    static constexpr const char* categoriesListName = "TemplateCategoriesList.plist";
    static constexpr const char* previewName = "preview.jpeg";
    static constexpr const char* templateInfoName = "TemplateInfo.plist";

    explicit QFTemplateCatalogue(QString folder);

    const QString& folder() const { return m_folder; }

    // The category names, read on the first call and kept.
    const QStringList& listOfCategories() const;

    // "All" first with every usable template in list order, then each
    // listed category that has templates, in the listed order. A template
    // names a category at most once however often its info repeats it.
    QList<QFTemplateCategoryItem> categoriesAndItems() const;

    // The template at that name in the folder, or none when its package is
    // unusable (no folder, no decodable preview, no readable info).
    std::optional<QFTemplateModelItem> readTemplate(const QString& filenameid,
                                                    QStringList* categories = nullptr) const;

    // The name an untitled copy of the template takes.
    static QString documentDisplayName(const std::optional<QString>& description);

    // The chooser's cells, and where a preview of that size is drawn in one:
    // fitted, aspect kept, into the bounds inset by 5 on every side, centred
    // across the spare dimension.
    static QSizeF cellSize() { return {415, 325}; }
    static QRectF previewRect(QSizeF image, QRectF bounds);

    // Where the application's templates are: beside the executable as
    // installed (which is also where the build tree puts them), else the
    // desktop's data folders.
    static QString defaultFolder();
    // The process's catalogue of defaultFolder(), made once.
    static const QFTemplateCatalogue& shared();

private:
    QString m_folder;
    mutable std::optional<QStringList> m_categories;
};

} // namespace qf
