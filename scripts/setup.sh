#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs and configures + builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
PKGS="build-essential cmake ninja-build libsqlite3-dev zlib1g-dev libfmt-dev libcli11-dev nlohmann-json3-dev libgtest-dev
      libgmock-dev libbenchmark-dev qt6-base-dev libqt6sql6-sqlite qt6-charts-dev libqt6svg6 libqt6opengl6-dev libgl-dev xvfb xauth poppler-utils
      qpdf
      help2man dpkg-dev file lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin
      libpugixml-dev libxml2-utils libgdal-dev fonts-liberation2
      pybind11-dev python3-dev python3-pytest"
missing=""
for p in $PKGS; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${KOLV_CMAKE_ARGS:-}
cmake --build build -j "$(nproc)"
