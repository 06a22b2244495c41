#!/bin/sh
# Screenshots of the computation and result windows after runs on the sample project.
#   scripts/screenshots_compute.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR must be configured with -DKOLV_BUILD_GUI=ON (default build-gcomp); the PNGs go to OUT_DIR
# (default BUILD_DIR/screenshots-compute).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-gcomp}
out=${2:-$build/screenshots-compute}
ninja -C "$build" -j2 compute_screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/compute_screenshots" "$out"
echo "screenshots in $out"
