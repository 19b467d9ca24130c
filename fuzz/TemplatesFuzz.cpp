// Reads a templates folder built from arbitrary bytes. The input is split at
// the byte 0x1e into the folder's "TemplatesList.plist", its
// "TemplateCategoriesList.plist" and the "TemplateInfo.plist" of the packages
// "a", "b" and "c", which have a good preview; "d" has none. Nothing may
// crash or hang, and the chooser's categories must hold together: "All"
// first with every usable template, then listed categories, each once, with
// templates of "All" only.
#include "document/QFTemplateCatalogue.h"
#include "fuzz/FuzzApplication.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QSet>

#include <cstdlib>

using qf::QFTemplateCatalogue;

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

const QStringList kPackages{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    require(f.write(bytes) == bytes.size());
}

// The templates folder, made once with its packages and previews; the
// lists are written for each input.
const QString& folder()
{
    static const QString path = [] {
        QByteArray templ = QDir::tempPath().toUtf8() + "/qf-fuzz-templates-XXXXXX";
        require(::mkdtemp(templ.data()) != nullptr);
        std::atexit([] { QDir(folder()).removeRecursively(); });
        const QString made = QString::fromUtf8(templ);
        QImage preview(8, 6, QImage::Format_RGB32);
        preview.fill(Qt::darkCyan);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        require(preview.save(&buffer, "PNG"));
        for (const QString& name : kPackages) {
            require(QDir(made).mkpath(name));
            if (name != u"d")
                writeFile(made + u'/' + name + u'/' + QLatin1String(QFTemplateCatalogue::previewName), png);
        }
        return made;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qf::fuzz::startGuiApplication("fuzz_templates");
    QLoggingCategory::setFilterRules(QStringLiteral("qt.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString dir = folder();
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\x1e');
    const auto part = [&parts](qsizetype i) { return i < parts.size() ? parts[i] : QByteArray(); };
    writeFile(dir + u'/' + QLatin1String(QFTemplateCatalogue::templatesListName), part(0));
    writeFile(dir + u'/' + QLatin1String(QFTemplateCatalogue::categoriesListName), part(1));
    for (qsizetype i = 0; i < kPackages.size(); ++i)
        writeFile(dir + u'/' + kPackages[i] + u'/' + QLatin1String(QFTemplateCatalogue::templateInfoName), part(2 + i));

    const QFTemplateCatalogue catalogue(dir);
    const QList<qf::QFTemplateCategoryItem> shown = catalogue.categoriesAndItems();
    require(!shown.isEmpty() && shown[0].name == u"All");
    QSet<QString> usable;
    for (const qf::QFTemplateModelItem& item : shown[0].templates) {
        require(kPackages.first(3).contains(item.filenameid) && !item.image.isNull());
        usable.insert(item.filenameid);
        (void)QFTemplateCatalogue::documentDisplayName(item.displayName);
    }
    QSet<QString> names;
    for (qsizetype i = 1; i < shown.size(); ++i) {
        require(!names.contains(shown[i].name) && catalogue.listOfCategories().contains(shown[i].name));
        names.insert(shown[i].name);
        require(!shown[i].templates.isEmpty());
        for (const qf::QFTemplateModelItem& item : shown[i].templates)
            require(usable.contains(item.filenameid));
    }
    // Every package by name.
    for (const QString& name : kPackages) {
        QStringList categories;
        if (const auto item = catalogue.readTemplate(name, &categories)) {
            require(name != u"d" && categories.size() <= 3);
            require(QSet<QString>(categories.cbegin(), categories.cend()).size() == categories.size());
        }
    }
    return 0;
}
