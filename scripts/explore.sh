#!/usr/bin/env bash
# Replays the GUI exploration walk with a seed, or runs it longer, offscreen:
#   scripts/explore.sh SEED [ACTIONS] [BUILD_DIR]     (defaults: 2000 actions, build/)
# A fault prints the action it happened at and the numbered actions before it.
set -euo pipefail
cd "$(dirname "$0")/.."
seed="${1:?usage: scripts/explore.sh SEED [ACTIONS] [BUILD_DIR]}"
actions="${2:-2000}"
build="${3:-build}"
cmake --build "$build" -j 2 --target test_gui_explore >/dev/null
export QT_QPA_PLATFORM=offscreen
export KOLV_CONFIG_DIR="$(mktemp -d)"
trap 'rm -rf "$KOLV_CONFIG_DIR"' EXIT
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/gui/program/lsan_suppressions.txt:print_suppressions=0}"
exec "$(find "$build" -name test_gui_explore -type f -perm -u+x | head -1)" "$seed" "$actions"
