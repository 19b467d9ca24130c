#pragma once

#include <QDir>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace qf {

// One template of the chooser: its package in the templates folder, its
// name as the package describes it, and its preview.
struct QFTemplateModelItem {
    QString folder;     // the templates folder holding the package
    QString filenameid; // the package's file name there
    std::optional<QString> displayName; // "Description", when it is text
    QImage image;

    // Where the package is.
    QString getFileUrl() const { return QDir(folder).filePath(filenameid); }
};

// One category of the chooser and its templates, in the listed order.
struct QFTemplateCategoryItem {
    QString name;
    QList<QFTemplateModelItem> templates;
};

} // namespace qf
