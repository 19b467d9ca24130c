#pragma once

// What the collage benchmarks share: a host that owns the collage caches, as
// the editor does, and pictures of many shapes under distinct identities.
#include "model/CollageCaches.h"
#include "tests/model/FakeCollage.h"

#include <QStringList>

namespace qf::bench {

// As the editor's: the collage's caches (drawing images, face centroids, the
// screen's redraw cache) belong to the host.
class CachedHost : public test::FakeHost {
public:
    CollageCaches caches;
    CollageCaches* collageCaches() override { return &caches; }
};

// Width over height of picture i: landscape and portrait photographs, squares.
inline double aspectOf(int i)
{
    static constexpr double aspects[] = {4.0 / 3, 3.0 / 2, 16.0 / 9, 3.0 / 4, 2.0 / 3, 1.0, 5.0 / 4, 9.0 / 16};
    return aspects[i % 8];
}

inline QStringList identities(int count)
{
    QStringList ids;
    for (int i = 0; i < count; ++i)
        ids << QStringLiteral("picture-%1").arg(i);
    return ids;
}

} // namespace qf::bench
