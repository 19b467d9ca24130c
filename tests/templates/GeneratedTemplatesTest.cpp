#include "document/QFTemplateCatalogue.h"
#include "document/WorkWithFileFormat.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QHash>

#include <gtest/gtest.h>

using namespace qf;

namespace {

const QString kFolder = QStringLiteral(QF_GENERATED_TEMPLATES_DIR);

QStringList listedTemplates()
{
    QFile file(QDir(kFolder).filePath(QString::fromLatin1(QFTemplateCatalogue::templatesListName)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PropertyList::read(file.readAll()).value_or(QVariant()).toStringList();
}

} // namespace

// The build's templates: every listed package usable and in a category.
TEST(GeneratedTemplates, EveryPackageIsListedAndUsable)
{
    const QStringList names = listedTemplates();
    ASSERT_GE(names.size(), 14);
    const QFTemplateCatalogue catalogue(kFolder);
    QHash<QString, int> typeCounts;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        QStringList categories;
        const std::optional<QFTemplateModelItem> item = catalogue.readTemplate(name, &categories);
        ASSERT_TRUE(item);
        EXPECT_TRUE(item->displayName && !item->displayName->isEmpty());
        EXPECT_FALSE(categories.isEmpty());
        EXPECT_EQ(item->image.width(), 800);
        const QDir package(item->getFileUrl());
        EXPECT_GE(QDir(package.filePath(QStringLiteral("Images"))).entryList(QDir::Files).size(), 4);
        QFile design(package.filePath(QStringLiteral("collage.design")));
        ASSERT_TRUE(design.open(QIODevice::ReadOnly));
        const std::optional<QByteArray> json = WorkWithFileFormat::getActualData(design.readAll());
        ASSERT_TRUE(json);
        const QJsonObject collage = QJsonDocument::fromJson(*json).object();
        const QString type = collage.value(QStringLiteral("cs")).toString();
        EXPECT_FALSE(type.isEmpty());
        ++typeCounts[type];
        // The preview is the collage itself, its shape kept.
        const double width = collage.value(QStringLiteral("w")).toDouble();
        const double height = collage.value(QStringLiteral("h")).toDouble();
        ASSERT_GT(width, 0);
        EXPECT_NEAR(item->image.height(), 800 * height / width, 1);
        // Each picture once in the package, under the file name it was drawn as.
        const QStringList images = collage.value(QStringLiteral("is")).toVariant().toStringList();
        for (const QString& md5 : images) {
            const QString file = collage.value(QStringLiteral("mdpd")).toObject().value(md5).toString();
            EXPECT_TRUE(QFileInfo::exists(package.filePath(QStringLiteral("Images/") + file))) << file.toStdString();
        }
        // It opens as it was made: every slot where the file puts it.
        const std::shared_ptr<Collage> read = CollageTypes().makeFromJson(collage, nullptr);
        ASSERT_TRUE(read);
        EXPECT_EQ(QDir(package.filePath(QStringLiteral("Images"))).entryList(QDir::Files).size(),
                  read->allPicturesInUse().size());
        EXPECT_TRUE(read->picturesPutBackOnReading().isEmpty());
        EXPECT_EQ(read->dictionaryRepresentationActual(true).value(QStringLiteral("pp")),
                  collage.value(QStringLiteral("pp")));
    }
    // Two or more of every type.
    for (const QString& type : CollageTypes::typeStrings())
        EXPECT_GE(typeCounts.value(type), 2) << type.toStdString();
}

TEST(GeneratedTemplates, CategoriesComeAfterAll)
{
    const QList<QFTemplateCategoryItem> categories = QFTemplateCatalogue(kFolder).categoriesAndItems();
    QStringList shown;
    for (const QFTemplateCategoryItem& category : categories) {
        shown << category.name;
        EXPECT_FALSE(category.templates.isEmpty()) << category.name.toStdString();
    }
    EXPECT_EQ(shown, (QStringList{"All", "Travel", "Family", "Celebrations", "Weddings", "Seasons", "Nature"}));
    ASSERT_FALSE(categories.isEmpty());
    EXPECT_EQ(categories.front().templates.size(), listedTemplates().size());
}
