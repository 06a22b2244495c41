#!/usr/bin/env bash
# Sets up, builds and runs the design sequence on the bundled sample project:
# verify, size pipes, set flow lines, storm tabulation, cost, and the printed storm tab.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
CLI="$PWD/build/src/cli/kolv-cli"
OUT="$PWD/out"
mkdir -p "$OUT"
cp build/data/sample.mdb "$OUT/sample.mdb"
export KOLV_CONFIG_DIR="${KOLV_CONFIG_DIR:-$OUT}"
P="$OUT/sample.mdb"
step() { printf '\n===== %s =====\n' "$*"; }

step "Project"
"$CLI" info "$P"
for S in MAINST OAKAVE; do
  step "$S - Verify nodes and reaches"
  "$CLI" verify "$P" --system "$S"
  step "$S - Step 2: Compute Pipe Sizes (round concrete, friction slope below 0.3 %)"
  "$CLI" size-pipes "$P" --system "$S" --group 1 --max-hgl-slope 0.3 --not-smaller-than-upstream
  step "$S - Step 3: Set Flow Lines (0.1 % minimum slope, crowns matched)"
  "$CLI" set-flowlines "$P" --system "$S" --min-slope 0.1 --match crown
  step "$S - Step 4: Compute Storm Tabs"
  "$CLI" storm-tabs "$P" --system "$S"
  step "$S - System cost"
  "$CLI" cost "$P" --system "$S"
  "$CLI" report T60v11 "$P" --system "$S" --out "$OUT/$S-storm-tab.txt" >/dev/null
  if "$CLI" report T60v11 "$P" --system "$S" --out "$OUT/$S-storm-tab.pdf" >/dev/null 2>&1; then
    echo "Storm tabulation printed: $OUT/$S-storm-tab.pdf and $OUT/$S-storm-tab.txt"
  else
    echo "Storm tabulation printed: $OUT/$S-storm-tab.txt"
  fi
done
