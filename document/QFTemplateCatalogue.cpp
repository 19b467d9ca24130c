#include "document/QFTemplateCatalogue.h"

#include "platform/plist/PropertyList.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <QStandardPaths>

namespace qf {

namespace {

const QString kAll = QStringLiteral("All");

std::optional<QVariant> readPropertyListFile(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One byte over the limit is enough for the reader to refuse it.
    return PropertyList::read(file.read(PropertyList::maxBytes + 1));
}

// The texts of a list, in order; anything else counts as no list.
QStringList readNameList(const QString& path)
{
    QStringList names;
    const std::optional<QVariant> value = readPropertyListFile(path);
    if (!value || value->typeId() != QMetaType::QVariantList)
        return names;
    for (const QVariant& entry : value->toList()) {
        if (entry.typeId() == QMetaType::QString)
            names << entry.toString();
    }
    return names;
}

} // namespace

QFTemplateCatalogue::QFTemplateCatalogue(QString folder)
    : m_folder(std::move(folder))
{
}

const QStringList& QFTemplateCatalogue::listOfCategories() const
{
    if (!m_categories)
        m_categories = readNameList(QDir(m_folder).filePath(QString::fromLatin1(categoriesListName)));
    return *m_categories;
}

std::optional<QFTemplateModelItem> QFTemplateCatalogue::readTemplate(const QString& filenameid,
                                                                     QStringList* categories) const
{
    QFTemplateModelItem item;
    item.folder = m_folder;
    item.filenameid = filenameid;
    // A name that leaves the folder is no template of ours.
    if (filenameid.isEmpty() || filenameid.contains(u'/') || filenameid == u"." || filenameid == u"..")
        return std::nullopt;
    const QDir package(item.getFileUrl());
    if (!QFileInfo(package.path()).isDir())
        return std::nullopt;

    const QString previewPath = package.filePath(QString::fromLatin1(previewName));
    if (!QFileInfo(previewPath).isFile())
        return std::nullopt;
    QImageReader reader(previewPath);
    reader.setAutoTransform(true);
    item.image = reader.read();
    if (item.image.isNull())
        return std::nullopt;

    const std::optional<QVariant> info = readPropertyListFile(package.filePath(QString::fromLatin1(templateInfoName)));
    if (!info || info->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap dict = info->toMap();
    if (const QVariant description = dict.value(QStringLiteral("Description"));
        description.typeId() == QMetaType::QString)
        item.displayName = description.toString();
    if (categories) {
        categories->clear();
        for (const char* key : {"Category1", "Category2", "Category3"}) {
            const QVariant name = dict.value(QString::fromLatin1(key));
            if (name.typeId() == QMetaType::QString && !name.toString().isEmpty()
                && !categories->contains(name.toString()))
                *categories << name.toString();
        }
    }
    return item;
}

QList<QFTemplateCategoryItem> QFTemplateCatalogue::categoriesAndItems() const
{
    QFTemplateCategoryItem all{kAll, {}};
    QHash<QString, QList<QFTemplateModelItem>> byCategory;
    for (const QString& name : readNameList(QDir(m_folder).filePath(QString::fromLatin1(templatesListName)))) {
        QStringList categories;
        const std::optional<QFTemplateModelItem> item = readTemplate(name, &categories);
        if (!item)
            continue;
        for (const QString& category : std::as_const(categories))
            byCategory[category] << *item;
        all.templates << *item;
    }

    QList<QFTemplateCategoryItem> result{all};
    QSet<QString> shown;
    for (const QString& name : listOfCategories()) {
        const auto found = byCategory.constFind(name);
        if (found == byCategory.cend() || shown.contains(name))
            continue;
        shown.insert(name);
        result << QFTemplateCategoryItem{name, *found};
    }
    return result;
}

QString QFTemplateCatalogue::documentDisplayName(const std::optional<QString>& description)
{
    const QString trimmed = description ? description->trimmed() : QString();
    return trimmed.isEmpty() ? QCoreApplication::translate("QFTemplateCatalogue", "Untitled") : trimmed;
}

QRectF QFTemplateCatalogue::previewRect(QSizeF image, QRectF bounds)
{
    const QRectF r = bounds.adjusted(5, 5, -5, -5);
    if (image.isEmpty() || r.isEmpty())
        return {};
    if (image.width() / image.height() > r.width() / r.height()) {
        const double height = r.width() * image.height() / image.width();
        return {r.x(), r.y() + (r.height() - height) / 2, r.width(), height};
    }
    const double width = r.height() * image.width() / image.height();
    return {r.x() + (r.width() - width) / 2, r.y(), width, r.height()};
}

QString QFTemplateCatalogue::defaultFolder()
{
    const QString relative = QStringLiteral("quiltfolio/templates");
    const QString besideExecutable =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/") + relative);
    if (QFileInfo(besideExecutable).isDir())
        return QDir::cleanPath(besideExecutable);
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative,
                                                 QStandardPaths::LocateDirectory);
    return found.isEmpty() ? QDir::cleanPath(besideExecutable) : found;
}

const QFTemplateCatalogue& QFTemplateCatalogue::shared()
{
    static const QFTemplateCatalogue catalogue(defaultFolder());
    return catalogue;
}

} // namespace qf
