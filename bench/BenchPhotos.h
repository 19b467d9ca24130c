#pragma once

#include <QString>
#include <QStringList>

namespace qf::bench {

// The photographs the proxy and intake benchmarks use. By default 100
// camera-sized pictures made here: 4000 x 3000 JPEGs at quality 90 with
// gradients, shapes and sensor-like noise, one in four a portrait stored on
// its side with EXIF orientation 6, made once on all cores and kept in the
// temporary folder for later runs. Given a folder (--photo-folder DIR, or
// QF_BENCH_PHOTOS in the environment), its JPEGs instead, in name order:
// real photographs, as the comparison scripts use. The files of a folder
// should be distinct, since a collage holds each picture once.
constexpr int kGeneratedPhotoCount = 100;

// Takes "--photo-folder DIR" out of the arguments and uses that folder.
void takePhotoFolderArgument(int& argc, char** argv);
// Whether the photographs are a given folder's rather than made here.
bool usesGivenFolder();

QString photoFolder();
// Makes the photos that are not there yet (nothing for a given folder).
void ensurePhotos();
QStringList photoPaths();
int photoCount();

} // namespace qf::bench
