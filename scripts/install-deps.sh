#!/usr/bin/env bash
# Installs the Debian packages Quiltfolio builds and tests with. Packages that
# are already installed are left alone; nothing is fetched when all are there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-image-formats-plugins
  libgtest-dev libgmock-dev libbenchmark-dev
  libfontconfig-dev fonts-dejavu-core fonts-dejavu-extra
  # The templates' titles are set in the URW base fonts (script, geometric,
  # book and old-style faces).
  fonts-urw-base35
  libplist-dev
  # Exported pictures: TIFF through libtiff, EXIF through Exiv2; the export
  # tests read the files back with exiftool and tiffinfo.
  libtiff-dev libexiv2-dev libimage-exiftool-perl libtiff-tools
  # PNG export deflates with zlib itself, JPEG export encodes with libjpeg-turbo.
  zlib1g-dev libjpeg62-turbo-dev
  # Real X servers for the window tests (xvfb-run needs xauth); the
  # application smoke test takes screenshots with xwd and checks them and
  # closes windows with a little Python.
  xvfb xauth x11-apps python3
  # E-mail sharing hands the picture to the desktop's mail program through
  # xdg-email; web pages open through xdg-open.
  xdg-utils
  # The AppStream description is checked with appstreamcli.
  appstream
  # Face detection: only the OpenCV parts used, not the libopencv-dev metapackage.
  libopencv-core-dev libopencv-imgproc-dev libopencv-objdetect-dev opencv-data
)
# CI also checks every source with Debian 12's clang.
if [ "${QF_CI:-0}" = 1 ]; then
  packages+=(clang-14)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All build dependencies are installed."
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
