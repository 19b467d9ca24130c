#include "TemplateFixtures.h"

#include <QFile>

using namespace qf;
using qf::testing::TemplatesFolder;

namespace {

QVariantMap info(const QVariant& description, const QStringList& categories)
{
    QVariantMap map;
    if (description.isValid())
        map.insert(QStringLiteral("Description"), description);
    for (int i = 0; i < categories.size(); ++i)
        map.insert(QStringLiteral("Category%1").arg(i + 1), categories[i]);
    return map;
}

// Every way a package can be broken, among good ones.
void makeMixedFolder(const TemplatesFolder& f)
{
    f.addTemplate(QStringLiteral("a"), info(QStringLiteral("  Birthday\n"), {"Travel", "Travel", ""}));
    f.addTemplate(QStringLiteral("b"), info(QStringLiteral("Beach"), {"Family", "Travel"}));
    f.addTemplate(QStringLiteral("c"), info({}, {"Unlisted"}));
    f.addTemplate(QStringLiteral("d"), info(42, {"", "Family"}), {900, 1600});
    const QVariantMap travel = info(QStringLiteral("Broken"), {"Travel"});
    for (const char* name : {"nopreview", "badpreview", "noinfo", "badinfo"})
        f.addTemplate(QString::fromLatin1(name), travel);
    QFile::remove(f.path(QStringLiteral("nopreview/preview.jpeg")));
    TemplatesFolder::write(f.path(QStringLiteral("badpreview/preview.jpeg")), "not a picture");
    QFile::remove(f.path(QStringLiteral("noinfo/TemplateInfo.plist")));
    TemplatesFolder::write(f.path(QStringLiteral("badinfo/TemplateInfo.plist")), "<plist><dict><key>");
    TemplatesFolder::write(f.path(QStringLiteral("file")), "a file, not a package");
    f.writeList(QFTemplateCatalogue::templatesListName,
                {"a", "missing", "nopreview", "badpreview", "noinfo", "badinfo", "file", "../a", "b", "c", "d"});
    f.writeList(QFTemplateCatalogue::categoriesListName, {"Family", "Empty", "Travel", "Family"});
}

} // namespace

TEST(TemplateCatalogue, ListsUsableTemplatesByCategoryInListedOrder)
{
    TemplatesFolder f;
    makeMixedFolder(f);
    const QList<QFTemplateCategoryItem> categories = QFTemplateCatalogue(f.path()).categoriesAndItems();

    const std::vector<std::pair<QString, QStringList>> expected = {
        {"All", {"a", "b", "c", "d"}},
        {"Family", {"b", "d"}},
        {"Travel", {"a", "b"}},
    };
    ASSERT_EQ(categories.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(categories[i].name, expected[i].first);
        QStringList names;
        for (const QFTemplateModelItem& item : categories[i].templates)
            names << item.filenameid;
        EXPECT_EQ(names, expected[i].second) << expected[i].first.toStdString();
    }
    const QList<QFTemplateModelItem>& all = categories[0].templates;
    EXPECT_EQ(all[0].displayName, QStringLiteral("  Birthday\n"));
    EXPECT_EQ(all[2].displayName, std::nullopt);
    EXPECT_EQ(all[3].displayName, std::nullopt); // a number is no name
    EXPECT_EQ(all[3].image.size(), QSize(900, 1600));
    EXPECT_EQ(all[1].getFileUrl(), f.path(QStringLiteral("b")));
}

TEST(TemplateCatalogue, WithoutListsOnlyAnEmptyAll)
{
    TemplatesFolder f;
    f.addTemplate(QStringLiteral("a"), info(QStringLiteral("A"), {"Travel"}));
    const QList<QFTemplateCategoryItem> categories = QFTemplateCatalogue(f.path()).categoriesAndItems();
    ASSERT_EQ(categories.size(), 1);
    EXPECT_EQ(categories[0].name, QStringLiteral("All"));
    EXPECT_TRUE(categories[0].templates.isEmpty());
}

TEST(TemplateCatalogue, CategoryNamesAreReadOnce)
{
    TemplatesFolder f;
    f.writeList(QFTemplateCatalogue::categoriesListName, {"Family", "Travel"});
    const QFTemplateCatalogue catalogue(f.path());
    EXPECT_EQ(catalogue.listOfCategories(), QStringList({"Family", "Travel"}));
    f.writeList(QFTemplateCatalogue::categoriesListName, {"Other"});
    EXPECT_EQ(catalogue.listOfCategories(), QStringList({"Family", "Travel"}));
}

TEST(TemplateCatalogue, DisplayNamesAreTrimmedDescriptions)
{
    const std::pair<std::optional<QString>, QString> cases[] = {
        {QStringLiteral("  Birthday\n"), QStringLiteral("Birthday")},
        {QStringLiteral("Two  words"), QStringLiteral("Two  words")},
        {QStringLiteral(" \n\t"), QStringLiteral("Untitled")},
        {QString(), QStringLiteral("Untitled")},
        {std::nullopt, QStringLiteral("Untitled")},
    };
    for (const auto& [description, expected] : cases)
        EXPECT_EQ(QFTemplateCatalogue::documentDisplayName(description), expected);
}

TEST(TemplateCatalogue, PreviewsAreFittedIntoTheInsetCell)
{
    const QRectF cell(QPointF(0, 0), QFTemplateCatalogue::cellSize());
    EXPECT_EQ(cell.size(), QSizeF(415, 325));
    const std::pair<QSizeF, QRectF> cases[] = {
        {{1600, 900}, {5, 48.59375, 405, 227.8125}},
        {{900, 1600}, {118.90625, 5, 177.1875, 315}},
        {{405, 315}, {5, 5, 405, 315}},
        {{0, 10}, {}},
    };
    for (const auto& [image, expected] : cases)
        EXPECT_EQ(QFTemplateCatalogue::previewRect(image, cell), expected) << image.width() << "x" << image.height();
    EXPECT_EQ(QFTemplateCatalogue::previewRect({1600, 900}, cell.translated(415, 325)),
              QRectF(420, 373.59375, 405, 227.8125));
}
