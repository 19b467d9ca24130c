#pragma once

#include <QString>
#include <QStringList>

namespace qf::bench {

// 100 camera-sized photographs: 4000 x 3000 JPEGs at quality 90 with
// gradients, shapes and sensor-like noise, one in four a portrait stored on
// its side with EXIF orientation 6. Made once on all cores and kept in the
// temporary folder for later runs and for the comparison scripts.
constexpr int kPhotoCount = 100;

QString photoFolder();
QString photoPath(int i);
// Makes the photos that are not there yet.
void ensurePhotos();
QStringList photoPaths();

} // namespace qf::bench
