#!/usr/bin/env bash
# Grabs PNGs of the desktop program's windows (offscreen) with the sample project open.
#   scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR must hold src/gui/kolv; the sample project is built with a kolv-cli found in
# BUILD_DIR or any build-*/ folder of the source tree.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-gui}
out=${2:-$here/build-gui/screenshots}
kolv=$build/src/gui/kolv
[ -x "$kolv" ] || { echo "no $kolv: build the kolv target first" >&2; exit 1; }

cli=""
for c in "$build/src/cli/kolv-cli" "$here"/build*/src/cli/kolv-cli; do
  if [ -x "$c" ]; then cli=$c; break; fi
done
[ -n "$cli" ] || { echo "no kolv-cli found to build the sample project" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" make-seed "$work/seedv3.mdb" --from "$here/data/seed" >/dev/null
"$cli" make-sample "$work/sample.mdb" --seed "$work/seedv3.mdb" --from "$here/data/sample" >/dev/null

mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
export KOLV_CONFIG_DIR="$work/config"   # a settings file of its own, not the engineer's
"$kolv" --screenshot "$out" --project "$work/sample.mdb"
ls -1 "$out"/*.png
