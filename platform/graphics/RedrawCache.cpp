#include "platform/graphics/RedrawCache.h"

namespace qf {

namespace {
// Two views of one collage drawing in turn keep each other's pictures.
constexpr quint64 kFramesKept = 3;
// A shadow costs a surface's worth of memory; two cover a view and a change
// that is undone (a selection moving and coming back).
constexpr qsizetype kShadowsKept = 2;
// The grid's 2500 cells, and again as many while its size changes.
constexpr qsizetype kMostPictures = 6000;
constexpr qsizetype kMostPictureBytes = qsizetype(512) << 20;
} // namespace

void RedrawCache::frameDone()
{
    ++m_frame;
    for (auto it = m_pictures.begin(); it != m_pictures.end();) {
        if (m_frame - it->frame > kFramesKept) {
            m_pictureBytes -= it->image.sizeInBytes();
            it = m_pictures.erase(it);
        } else {
            ++it;
        }
    }
}

const RedrawCache::Picture* RedrawCache::findPicture(const QByteArray& key)
{
    const auto it = m_pictures.find(key);
    if (it == m_pictures.end())
        return nullptr;
    it->frame = m_frame;
    return &*it;
}

bool RedrawCache::hasRoomFor(qsizetype bytes) const
{
    return m_pictures.size() < kMostPictures && m_pictureBytes + bytes <= kMostPictureBytes;
}

void RedrawCache::keepPicture(const QByteArray& key, const QImage& image, QPoint origin)
{
    const auto it = m_pictures.find(key);
    if (it != m_pictures.end())
        m_pictureBytes -= it->image.sizeInBytes();
    m_pictures.insert(key, Picture{image, origin, m_frame});
    m_pictureBytes += image.sizeInBytes();
}

const RedrawCache::Shadow* RedrawCache::findShadow(const QByteArray& key)
{
    for (qsizetype i = 0; i < m_shadows.size(); ++i) {
        if (m_shadows[i].key == key) {
            m_shadows.move(i, 0);
            return &m_shadows.first();
        }
    }
    return nullptr;
}

void RedrawCache::keepShadow(Shadow shadow)
{
    m_shadows.prepend(std::move(shadow));
    while (m_shadows.size() > kShadowsKept)
        m_shadows.removeLast();
}

} // namespace qf
