#include "platform/graphics/RedrawCache.h"

#include "platform/graphics/AheadPicture.h"
#include "platform/graphics/ImageReduction.h"

#include <utility>

namespace qf {

namespace {
// Two views of one collage drawing in turn keep each other's pictures.
constexpr quint64 kFramesKept = 3;
// The two shadows used last stay whatever their age: a view and a change
// that is undone (a selection moving and coming back). Others last as long
// as pictures do; a pile casts one for each of its pictures.
constexpr qsizetype kRecentShadowsKept = 2;
constexpr qsizetype kMostShadowBytes = qsizetype(256) << 20;
// The grid's 2500 cells, and again as many while its size changes.
constexpr qsizetype kMostPictures = 6000;
constexpr qsizetype kMostPictureBytes = qsizetype(512) << 20;
// Pictures averaged down for quick draws: a sixteenth of a hundred proxies.
constexpr qsizetype kMostReducedBytes = qsizetype(64) << 20;
} // namespace

void RedrawCache::frameDone()
{
    ++m_frame;
    // A frame that drew nothing from the cache tells nothing of change.
    if (std::exchange(m_usedThisFrame, false))
        m_madeLastFrame = std::exchange(m_madeThisFrame, false);
    m_provisionalLastFrame = std::exchange(m_provisionalThisFrame, 0) > 0;
    m_settling = false;
    for (const std::shared_ptr<AheadPicture>& ahead : std::as_const(m_ahead))
        ahead->cancel();
    m_ahead.clear();
    m_measuredLastFrame = std::exchange(m_measuredThisFrame, {});
    for (auto it = m_pictures.begin(); it != m_pictures.end();) {
        if (m_frame - it->frame > kFramesKept) {
            m_pictureBytes -= it->image.sizeInBytes();
            it = m_pictures.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = m_reduced.begin(); it != m_reduced.end();) {
        if (m_frame - it->frame > kFramesKept) {
            m_reducedBytes -= it->image.sizeInBytes();
            it = m_reduced.erase(it);
        } else {
            ++it;
        }
    }
    const quint64 recent = m_shadowUses > quint64(kRecentShadowsKept) ? m_shadowUses - kRecentShadowsKept : 0;
    for (auto it = m_shadows.begin(); it != m_shadows.end();) {
        if (m_frame - it->frame > kFramesKept && it->use <= recent) {
            m_shadowBytes -= it->shade.sizeInBytes();
            it = m_shadows.erase(it);
        } else {
            ++it;
        }
    }
}

const RedrawCache::Picture* RedrawCache::findPicture(const QByteArray& key)
{
    m_usedThisFrame = true;
    const auto it = m_pictures.find(key);
    if (it == m_pictures.end())
        return nullptr;
    if (it->provisional && it->frame != m_frame) {
        m_settling = true;
        return nullptr;
    }
    it->frame = m_frame;
    for (const QByteArray& part : std::as_const(it->pictureParts))
        if (const auto p = m_pictures.find(part); p != m_pictures.end())
            p->frame = m_frame;
    for (const QByteArray& part : std::as_const(it->shadowParts))
        touchShadow(part);
    return &*it;
}

void RedrawCache::touchShadow(const QByteArray& key)
{
    if (const auto it = m_shadows.find(key); it != m_shadows.end()) {
        it->frame = m_frame;
        it->use = ++m_shadowUses;
    }
}

bool RedrawCache::hasRoomFor(qsizetype bytes) const
{
    return m_pictures.size() < kMostPictures && m_pictureBytes + bytes <= kMostPictureBytes;
}

void RedrawCache::keepPicture(const QByteArray& key, const QImage& image, QPoint origin,
                              QList<QByteArray> pictureParts, QList<QByteArray> shadowParts, bool provisional)
{
    const auto it = m_pictures.find(key);
    if (it != m_pictures.end())
        m_pictureBytes -= it->image.sizeInBytes();
    m_pictures.insert(key, Picture{image, origin, m_frame, std::move(pictureParts), std::move(shadowParts), provisional});
    m_madeThisFrame = true;
    m_pictureBytes += image.sizeInBytes();
}

const RedrawCache::Shadow* RedrawCache::findShadow(const QByteArray& key)
{
    m_usedThisFrame = true;
    const auto it = m_shadows.find(key);
    if (it == m_shadows.end())
        return nullptr;
    if (it->provisional && it->frame != m_frame) {
        m_settling = true;
        return nullptr;
    }
    it->frame = m_frame;
    it->use = ++m_shadowUses;
    return &*it;
}

void RedrawCache::keepShadow(Shadow shadow)
{
    shadow.frame = m_frame;
    shadow.use = ++m_shadowUses;
    m_madeThisFrame = true;
    const auto old = m_shadows.find(shadow.key);
    if (old != m_shadows.end())
        m_shadowBytes -= old->shade.sizeInBytes();
    m_shadowBytes += shadow.shade.sizeInBytes();
    const QByteArray key = shadow.key;
    m_shadows.insert(key, std::move(shadow));
    // Over the budget, the least recently used go first (never the one just kept).
    while (m_shadowBytes > kMostShadowBytes && m_shadows.size() > 1) {
        auto oldest = m_shadows.end();
        for (auto it = m_shadows.begin(); it != m_shadows.end(); ++it)
            if (it.key() != key && (oldest == m_shadows.end() || it->use < oldest->use))
                oldest = it;
        m_shadowBytes -= oldest->shade.sizeInBytes();
        m_shadows.erase(oldest);
    }
}

void RedrawCache::keepAhead(const QByteArray& key, std::shared_ptr<AheadPicture> picture)
{
    m_ahead.insert(key, std::move(picture));
}

bool RedrawCache::measuredAgain(const QByteArray& key)
{
    const size_t hash = qHash(key);
    m_measuredThisFrame.insert(hash);
    return m_measuredLastFrame.contains(hash);
}

QImage RedrawCache::reduced(const QImage& image, int halvings, bool make)
{
    const QPair<qint64, int> key(image.cacheKey(), halvings);
    if (const auto it = m_reduced.find(key); it != m_reduced.end()) {
        it->frame = m_frame;
        return it->image;
    }
    if (!make)
        return QImage();
    QImage made = ImageReduction::halved(image, halvings);
    // Over the budget it serves this draw alone.
    if (!made.isNull() && m_reducedBytes + made.sizeInBytes() <= kMostReducedBytes) {
        m_reducedBytes += made.sizeInBytes();
        m_reduced.insert(key, Reduced{made, m_frame});
    }
    return made;
}

} // namespace qf
