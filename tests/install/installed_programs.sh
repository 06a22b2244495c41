#!/bin/sh
# Installs the build into a temporary prefix and runs the installed programs from another folder:
# they must find the seed database, sample project and templates under that prefix, not in the
# build tree they came from. (The settings file keeps its paths in capitals, hence grep -i.)
#   installed_programs.sh BUILD_DIR
set -eu
BUILD="$1"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
PREFIX="$T/prefix"
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
mkdir -p "$T/work" "$T/cfg"
cd "$T/work"
export KOLV_CONFIG_DIR="$T/cfg"
unset KOLV_DATA_DIR
CLI="$PREFIX/bin/kolv-cli"
fail() { echo "FAILED: $*" >&2; exit 1; }

"$CLI" --version | grep -qx "kolv-cli [0-9.]*" || fail "kolv-cli --version"
"$CLI" --yes new road.mdb 2>"$T/new.err" || { cat "$T/new.err"; fail "kolv-cli new"; }
grep -q "from '$PREFIX/share/kolv/seedv3.mdb'" "$T/new.err" || { cat "$T/new.err"; fail "seed not from the prefix"; }
"$CLI" info road.mdb >/dev/null || fail "kolv-cli info on the new project"

cp "$PREFIX/share/kolv/sample.mdb" sample.mdb
"$CLI" storm-tabs sample.mdb --system MAINST >tabs.txt || fail "kolv-cli storm-tabs on the installed sample"
[ -s tabs.txt ] || fail "empty storm tabulation"
"$CLI" report T60v11 sample.mdb --system MAINST --out t60.txt >/dev/null || fail "report from the installed templates"
grep -qi "REPORTFILEPATH=$PREFIX/share/kolv/reports/" "$T/cfg/KOLVLtV3.INI" || fail "settings file report folder"
# The printing is a module kolv-cli loads from the prefix's library folder.
if [ -n "$(find "$PREFIX" -name kolv-cli-print.so)" ]; then
  "$CLI" report T60v11 sample.mdb --system MAINST --out t60.pdf >/dev/null || fail "PDF report through the installed module"
  [ -s t60.pdf ] || fail "empty PDF report"
fi
grep -qi "DIAGRAMPALETTE=$PREFIX/share/kolv/palette/KOLVLtV3.PLT" "$T/cfg/KOLVLtV3.INI" || fail "settings file palette"

# Without its seed the installed program refuses, naming the prefix: it never falls back to the build tree.
mv "$PREFIX/share/kolv/seedv3.mdb" "$T/seed.away"
if "$CLI" --yes new other.mdb 2>"$T/missing.err"; then fail "new project without the installed seed"; fi
grep -q "$PREFIX/share/kolv/seedv3.mdb" "$T/missing.err" || { cat "$T/missing.err"; fail "missing seed not named"; }
mv "$T/seed.away" "$PREFIX/share/kolv/seedv3.mdb"

# The Python package from the prefix: Debian's interpreter imports it, and a new project gets the
# prefix's seed (found beside the package, not in the build tree).
PYPKG="$PREFIX/lib/python3/dist-packages"
if [ -d "$PYPKG/kolv" ]; then
  env -u KOLV_DATA_DIR PYTHONPATH="$PYPKG" /usr/bin/python3 - "$PREFIX" <<'PY' || fail "the installed kolv module"
import os, sys
import kolv
prefix = sys.argv[1]
assert kolv.__file__.startswith(prefix), kolv.__file__
assert kolv._default_seed() == os.path.join(prefix, "share", "kolv", "seedv3.mdb"), kolv._default_seed()
with kolv.new("py.mdb") as project:
    assert project.systems == []
with kolv.open("sample.mdb") as sample:  # the copy the commands above used
    tabs = sample.system("MAINST").storm_tabs()
    assert tabs.ok and len(tabs.rows) == 22, tabs.messages
PY
fi

if [ -x "$PREFIX/bin/kolv" ]; then
  env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$PREFIX/bin/kolv" --help | grep -q "FILE.mdb" || fail "kolv --help"
  env -u QT_QPA_PLATFORM "$PREFIX/bin/kolv" --version | grep -q "[0-9]\.[0-9]" || fail "kolv --version"
fi
if command -v help2man >/dev/null; then
  [ -f "$PREFIX/share/man/man1/kolv-cli.1.gz" ] || fail "manual page kolv-cli(1) not installed"
fi
for f in share/applications/org.kolv.KolvLt.desktop share/mime/packages/org.kolv.KolvLt.xml \
         share/metainfo/org.kolv.KolvLt.metainfo.xml share/icons/hicolor/scalable/apps/org.kolv.KolvLt.svg \
         share/kolv/help/user_guide.html share/doc/kolv/copyright; do
  [ -f "$PREFIX/$f" ] || fail "$f not installed"
done
echo "installed programs found their data under $PREFIX"
