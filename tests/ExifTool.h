#pragma once

// Reads pictures back with the command-line tools that know their formats
// best. Tests skip when a tool is not installed.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace qf::testing {

inline bool haveTool(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// The tool's output, or empty when it failed.
inline QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

// Every tag exiftool finds, numbers as numbers, keys as "Group:Tag"
// ("IFD0:Software", "JFIF:XResolution", "ICC_Profile:ProfileDescription").
inline QJsonObject exifTags(const QString& path)
{
    const QJsonArray files =
        QJsonDocument::fromJson(runTool(QStringLiteral("exiftool"), {"-j", "-n", "-G1", "-a", path})).array();
    return files.isEmpty() ? QJsonObject() : files.first().toObject();
}

} // namespace qf::testing
