#include "editor/PictureDrop.h"

#include <QMimeData>
#include <QUrl>

namespace qf {

PictureDrop PictureDrop::fromMimeData(const QMimeData* mime)
{
    PictureDrop drop;
    if (!mime)
        return drop;
    bool otherLinks = false;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            drop.m_paths.append(url.toLocalFile());
        else
            otherLinks = true;
    }
    if (!drop.m_paths.isEmpty())
        drop.m_kind = Kind::Files;
    else if (otherLinks || mime->hasImage())
        drop.m_kind = Kind::PictureFromApplication;
    return drop;
}

} // namespace qf
