#!/usr/bin/env bash
# Peak resident memory of every design command on a generated project of N reaches, per command and per reach:
#     bench/peak_rss.sh [REACHES] [BUILD_DIR] [WORK_DIR]
# SKIP="submittal report-pdf" leaves the named (slow) commands out.
# Needs a build with -DKOLV_BUILD_BENCH=ON (for kolv-random-project) and GNU time (/usr/bin/time).
# The commands run in the design order on one copy of the project, so each one finds what the
# previous steps wrote; their listings and files are kept in WORK_DIR for comparing two builds.
set -euo pipefail
N="${1:-50000}"
BUILD="$(cd "${2:-$(dirname "$0")/../build}" && pwd)"
WORK="${3:-$(mktemp -d)}"
CLI="$BUILD/src/cli/kolv-cli"
GEN="$BUILD/bench/kolv-random-project"
for tool in "$CLI" "$GEN" /usr/bin/time; do
  [[ -x "$tool" ]] || { echo "missing $tool" >&2; exit 2; }
done
mkdir -p "$WORK"
export KOLV_CONFIG_DIR="$WORK/config"
mkdir -p "$KOLV_CONFIG_DIR"
P="$WORK/project.mdb"
"$GEN" "$P" "$N"
GROUP=90  # the pipe group of the generated systems

printf '%-14s %10s %10s %s\n' "command" "peak MB" "KB/reach" "exit"
run() {
  local name="$1"; shift
  [[ " ${SKIP:-} " == *" $name "* ]] && return 0
  local rc=0
  /usr/bin/time -v -o "$WORK/$name.time" "$CLI" -y "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" || rc=$?
  local kb
  kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$WORK/$name.time")
  awk -v n="$name" -v kb="$kb" -v r="$N" -v rc="$rc" \
    'BEGIN { printf "%-14s %10.1f %10.2f %s\n", n, kb / 1024, kb / r, rc }'
}

run verify verify "$P"
run size-pipes size-pipes "$P" --group "$GROUP" --max-velocity 12
run set-flowlines set-flowlines "$P" --min-slope 0.5
run storm-tabs storm-tabs "$P"
run cost cost "$P" --detail
run report-txt report T60v11 "$P" --out "$WORK/storm-tab.txt"
run report-pdf report T60v11 "$P" --out "$WORK/storm-tab.pdf"
run export export "$P" --all --out "$WORK/export.csv"
run review review "$P"
run submittal submittal "$P" --all --out "$WORK/submittal.pdf" --date 2026-01-01
echo "listings and files: $WORK"
