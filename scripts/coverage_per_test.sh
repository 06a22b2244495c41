#!/usr/bin/env bash
# Runs every test alone (each gtest case, each Qt test function) with the gcov counters of its own,
# after scripts/coverage.sh has built build-cov/, and keeps the source lines and branches of src/
# each one reached in build-cov/coverage/per-test/. Then lists the tests whose every line and
# branch other tests also reach, chosen together so that leaving out all of them reaches the same
# code (scripts/coverage_overlap.py). A test on that list may still check something the others do
# not; the list says where to read, not what to delete.
#   bash scripts/coverage_per_test.sh [ctest -R regex]
# KOLV_COV_JOBS sets how many tests run at once (default: the number of processors).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="$root/build-cov"
out="$build/coverage/per-test"
jobs="${KOLV_COV_JOBS:-$(nproc)}"
[ -d "$build" ] || { echo "build-cov/ is missing: run scripts/coverage.sh first" >&2; exit 1; }
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen KOLV_DATA_DIR="$build/data" KOLV_SOURCE_DIR="$root"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/kolv-runtime-$UID}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# One line a test: "ctest <index> <name>" or "qt <executable> <function>" (a Qt executable's
# functions are run one by one, so each gets its own counters).
list="$out/tests.txt"
: >"$list"
ctest --test-dir "$build" -N ${1:+-R "$1"} | sed -nE 's/^ *Test +#([0-9]+): (.*)$/\1 \2/p' |
while read -r index name; do
  exe=$(ctest --test-dir "$build" -N -V -I "$index,$index" | sed -n 's/.*Test command: \([^ ]*\).*/\1/p')
  functions=
  # a Qt test executable is registered under its own name; ask only it for its functions (the
  # exploration walk is not one: its arguments are a seed and a count)
  if [ "$(basename "$exe")" = "$name" ] && [ "$name" != test_gui_explore ]; then
    functions=$("$exe" -functions 2>/dev/null | grep -E '^\w+\(\)$' || true)
  fi
  if [ -n "$functions" ]; then
    for f in $functions; do echo "qt $exe ${f%()}" >>"$list"; done
  else
    echo "ctest $index $name" >>"$list"
  fi
done

run_one() {  # kind what name -> $out/<key>.txt
  local kind=$1 what=$2 name=$3 key prefix config
  key=$(printf '%s' "$name" | tr -c 'A-Za-z0-9._-' '_' | cut -c1-150)
  [ "$kind" = qt ] && key="$(basename "$what").$key"
  [ -s "$out/$key.txt" ] && return 0
  prefix=$(mktemp -d) config=$(mktemp -d)
  if [ "$kind" = qt ]; then
    (cd "$(dirname "$what")" && KOLV_CONFIG_DIR=$config GCOV_PREFIX=$prefix "$what" "$name" >/dev/null 2>&1) || echo "failed: $name" >&2
  else
    KOLV_CONFIG_DIR=$config GCOV_PREFIX=$prefix ctest --test-dir "$build" -I "$what,$what" >/dev/null 2>&1 || echo "failed: $name" >&2
  fi
  # gcov reads each counter file beside its notes file: link the notes in
  find "$prefix" -name '*.gcda' | while read -r f; do
    g=${f#"$prefix"}
    ln -sf "${g%.gcda}.gcno" "${f%.gcda}.gcno"
  done
  (cd "$build" && find "$prefix" -name '*.gcda' | xargs -r gcov -j -t -b 2>/dev/null) |
    python3 "$root/scripts/coverage_overlap.py" reduce "$root/src/" "$name" >"$out/$key.tmp"
  mv "$out/$key.tmp" "$out/$key.txt"
  rm -rf "$prefix" "$config"
}
export -f run_one
export out build root
while read -r kind what name; do printf '%s\0%s\0%s\0' "$kind" "$what" "$name"; done <"$list" |
  xargs -0 -n 3 -P "$jobs" bash -c 'run_one "$0" "$1" "$2"'
python3 scripts/coverage_overlap.py overlap "$out"
