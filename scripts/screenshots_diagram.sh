#!/bin/sh
# Screenshots of the sample project's network diagram: two label sets, fitted and zoomed in,
# the display options and diagram classes windows, the PDF / PNG exports, the command toolbar and
# its icons, the Design Review dock and the undo history.
#   scripts/screenshots_diagram.sh [BUILD_DIR] [OUT_DIR]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$build/screenshots-diagram}
ninja -C "$build" -j2 diagram_screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/diagram_screenshots" "$out"
echo "screenshots in $out"
