#pragma once

#include <QImage>
#include <QString>

namespace qf {

// One entry of the picture list: the picture identity and its drawing image.
class ImagePathObject {
public:
    ImagePathObject() = default;
    ImagePathObject(QString path, QImage imageRep) : m_path(std::move(path)), m_imageRep(std::move(imageRep)) {}

    const QString& path() const { return m_path; }
    void setImagePath(const QString& path) { m_path = path; }
    const QImage& imageRep() const { return m_imageRep; }
    void setImageRep(const QImage& image) { m_imageRep = image; }

    // The list tells entries apart by identity.
    const QString& imageUID() const { return m_path; }
    // The last component of the path; an identity is its own title.
    QString imageTitle() const { return m_path.section(QLatin1Char('/'), -1); }

private:
    QString m_path;
    QImage m_imageRep;
};

} // namespace qf
