#include "platform/files/FileWrapper.h"

#include <utility>

namespace qf {

namespace {

QString folded(const QString& name)
{
    return name.toCaseFolded();
}

// Splits "photo.jpg" into "photo" and ".jpg". A leading dot belongs to the
// stem (".hidden" has no extension), and so does a trailing one.
std::pair<QString, QString> splitExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

// stem + tail, with code points cut from the end of the stem until the
// UTF-8 form fits the limit. Answers tail alone when even that is too long.
QString fitName(QString stem, const QString& tail)
{
    const qsizetype tailBytes = tail.toUtf8().size();
    while (!stem.isEmpty() && stem.toUtf8().size() + tailBytes > FileWrapper::maxNameBytes) {
        qsizetype cut = stem.size() - 1;
        if (cut > 0 && stem.at(cut).isLowSurrogate() && stem.at(cut - 1).isHighSurrogate())
            --cut;
        stem.truncate(cut);
    }
    return stem + tail;
}

} // namespace

std::shared_ptr<FileWrapper> FileWrapper::makeRegularFile(QByteArray contents, QString preferredFilename)
{
    std::shared_ptr<FileWrapper> w(new FileWrapper(Kind::RegularFile));
    w->m_contents = std::move(contents);
    w->m_preferredFilename = std::move(preferredFilename);
    return w;
}

std::shared_ptr<FileWrapper> FileWrapper::makeDirectory(QString preferredFilename)
{
    std::shared_ptr<FileWrapper> w(new FileWrapper(Kind::Directory));
    w->m_preferredFilename = std::move(preferredFilename);
    return w;
}

std::shared_ptr<FileWrapper> FileWrapper::fileWrapper(const QString& name) const
{
    const auto it = m_children.find(name);
    return it == m_children.end() ? nullptr : it->second;
}

QString FileWrapper::safeFilename(const QString& name)
{
    QString s = name;
    s.replace(u'/', u'_');
    s.replace(QChar(0), u'_');
    if (s.isEmpty() || s == u"." || s == u"..")
        s = QStringLiteral("untitled");
    if (s.toUtf8().size() <= maxNameBytes)
        return s;
    auto [stem, ext] = splitExtension(s);
    // An extension too long to keep is just part of an over-long name.
    if (ext.toUtf8().size() > 32) {
        stem = s;
        ext.clear();
    }
    return fitName(stem, ext);
}

QString FileWrapper::uniqueName(const QString& wanted)
{
    if (!m_foldedNames.contains(folded(wanted)))
        return wanted;
    auto [stem, ext] = splitExtension(wanted);
    if (ext.toUtf8().size() > 32) {
        stem = wanted;
        ext.clear();
    }
    const QString key = folded(wanted);
    int n = std::max(2, m_nextNumber.value(key, 2));
    for (;; ++n) {
        const QString candidate = fitName(stem, QStringLiteral(" %1").arg(n) + ext);
        if (!m_foldedNames.contains(folded(candidate))) {
            m_nextNumber.insert(key, n + 1);
            return candidate;
        }
    }
}

QString FileWrapper::addFileWrapper(std::shared_ptr<FileWrapper> child)
{
    if (!isDirectory() || !child)
        return {};
    const QString name = uniqueName(safeFilename(child->preferredFilename()));
    setFileWrapperForExactName(name, std::move(child));
    return name;
}

QString FileWrapper::addRegularFile(QByteArray contents, const QString& preferredFilename)
{
    return addFileWrapper(makeRegularFile(std::move(contents), preferredFilename));
}

bool FileWrapper::removeFileWrapper(const QString& name)
{
    const auto it = m_children.find(name);
    if (it == m_children.end())
        return false;
    m_children.erase(it);
    const QString key = folded(name);
    if (--m_foldedNames[key] <= 0)
        m_foldedNames.remove(key);
    return true;
}

void FileWrapper::setFileWrapperForExactName(const QString& name, std::shared_ptr<FileWrapper> child)
{
    if (!isDirectory() || !child)
        return;
    removeFileWrapper(name);
    m_children.emplace(name, std::move(child));
    ++m_foldedNames[folded(name)];
}

} // namespace qf
