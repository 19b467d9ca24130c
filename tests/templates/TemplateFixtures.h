#pragma once

#include "document/QFTemplateCatalogue.h"
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace qf::testing {

inline QString documentFixture(const QString& name)
{
    return QStringLiteral(QF_TEST_DATA_DIR "/documents/") + name;
}

// A templates folder made on the spot.
struct TemplatesFolder {
    QTemporaryDir tmp;

    QString path(const QString& name = {}) const { return name.isEmpty() ? tmp.path() : tmp.filePath(name); }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
    }
    void writeList(const char* listName, const QStringList& names) const
    {
        write(path(QString::fromLatin1(listName)), *PropertyList::toXml(QVariant(names)));
    }
    // A usable package with a preview of that size and that info.
    void addTemplate(const QString& name, const QVariantMap& info, QSize preview = {160, 90}) const
    {
        QDir(path()).mkpath(name + QStringLiteral("/Images"));
        QFile design(documentFixture(QStringLiteral("template.quiltfolioproj/collage.design")));
        ASSERT_TRUE(design.open(QIODevice::ReadOnly));
        write(path(name + QStringLiteral("/collage.design")), design.readAll());
        QImage image(preview, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(path(name + QStringLiteral("/preview.jpeg")), "JPEG"));
        write(path(name + QStringLiteral("/TemplateInfo.plist")), *PropertyList::toXml(info));
    }
};

} // namespace qf::testing
