#!/usr/bin/env bash
# Builds the core, the command-line program and their test suites (core, command line,
# reliability), and the windows with the GUI exploration walk through them, with
# AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/ and runs them. The desktop
# program itself, the other GUI suites and the benchmarks stay out of this tree to keep it short.
#   bash scripts/sanitize.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset asan >/dev/null
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# Leaks inside the font and windowing libraries that the PDF writer and the windows load are not ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan_suppressions.txt:print_suppressions=0}"
export KOLV_CONFIG_DIR="$(mktemp -d)"
trap 'rm -rf "$KOLV_CONFIG_DIR"' EXIT
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" "$@"
