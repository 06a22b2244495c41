#!/usr/bin/env bash
# Builds the Debian package from build/ (made by scripts/setup.sh), unpacks it into a temporary
# root and runs the programs from there, and checks the package, desktop entry and metainfo.
#   scripts/package.sh        leaves build/package/kolv_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || bash scripts/setup.sh
START=$(date +%s)
cmake --build build -j "$(nproc)"
rm -rf build/package/_CPack_Packages build/package/*.deb
cpack --config build/CPackConfig.cmake -G DEB -B build/package >/dev/null
DEB=$(ls build/package/kolv_*.deb)
echo "package: $DEB ($(du -k "$DEB" | cut -f1) KiB; installed $(dpkg-deb -f "$DEB" Installed-Size) KiB)"
echo "Depends: $(dpkg-deb -f "$DEB" Depends)"
CONTENTS=$(dpkg-deb -c "$DEB")
for page in kolv kolv-cli; do
  grep -q "usr/share/man/man1/$page.1.gz" <<<"$CONTENTS" || { echo "no manual page $page(1): install help2man" >&2; exit 1; }
done

ROOT=$(mktemp -d)
trap 'rm -rf "$ROOT"' EXIT
dpkg-deb -x "$DEB" "$ROOT/root"
mkdir -p "$ROOT/work" "$ROOT/cfg"
BIN="$ROOT/root/usr/bin"
SHARE="$ROOT/root/usr/share"
(
  # From another folder, with nothing pointing at the build tree: the programs find their data
  # under the temporary root.
  cd "$ROOT/work"
  export KOLV_CONFIG_DIR="$ROOT/cfg"
  unset KOLV_DATA_DIR
  "$BIN/kolv-cli" --version
  "$BIN/kolv-cli" --yes new x.mdb 2>&1 | grep "from '$SHARE/kolv/seedv3.mdb'"
  "$BIN/kolv-cli" storm-tabs "$SHARE/kolv/sample.mdb" --system MAINST | tail -n 3
  env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$BIN/kolv" --help | head -n 1
)

desktop-file-validate "$SHARE/applications/org.kolv.KolvLt.desktop"
appstreamcli validate --no-net "$SHARE/metainfo/org.kolv.KolvLt.metainfo.xml"
# A project file is recognised by its content, not by the ".mdb" ending other programs use too.
if command -v gio >/dev/null; then
  update-mime-database "$SHARE/mime" >/dev/null 2>&1
  type_of() { XDG_DATA_DIRS="$SHARE:/usr/share" gio info -a standard::content-type "$1" | sed -n 's/.*content-type: //p'; }
  cp "$SHARE/kolv/sample.mdb" "$ROOT/work/road.bin"
  { printf '\0\1\0\0Standard Jet DB\0'; head -c 2000 /dev/zero; } >"$ROOT/work/access.mdb"
  echo "file types: project named road.bin: $(type_of "$ROOT/work/road.bin"); access.mdb: $(type_of "$ROOT/work/access.mdb")"
  [ "$(type_of "$ROOT/work/road.bin")" = application/x-kolv-project ]
  [ "$(type_of "$ROOT/work/access.mdb")" != application/x-kolv-project ]
fi
# Errors fail the build; warnings are listed.
lintian --fail-on error "$DEB" || { echo "lintian found errors" >&2; exit 1; }
echo "lintian: no errors"
echo "package checked in $(( $(date +%s) - START )) s"
