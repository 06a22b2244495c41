#!/usr/bin/env bash
# Builds the programs and their test suites with gcov instrumentation in build-cov/, runs the
# tests, and prints line and branch coverage of src/ (gcovr); the summary goes to
# build-cov/coverage/summary.txt and a per-file table to build-cov/coverage/files.txt.
#   bash scripts/coverage.sh [extra ctest arguments]
# KOLV_COV_JOBS sets the build and test parallelism (default: the number of processors).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="$root/build-cov"
jobs="${KOLV_COV_JOBS:-$(nproc)}"

if ! command -v gcovr >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends gcovr
fi

# No optimisation, so every source line maps to code the counters can see.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
  -DCMAKE_SHARED_LINKER_FLAGS="--coverage" -DKOLV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"

# Counters of an earlier run would add to this one.
find "$build" -name '*.gcda' -delete

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/kolv-runtime-$UID}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export KOLV_CONFIG_DIR="$(mktemp -d)"
trap 'rm -rf "$KOLV_CONFIG_DIR"' EXIT
# A failing test still leaves its counters; report coverage, then pass the failure on.
status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@" || status=$?

out="$build/coverage"
mkdir -p "$out"
# Branches that only exception unwinding or unreachable code would take are left out: they are
# compiler artefacts, not decisions in our code.
gcovr_args=(-r "$root" --object-directory "$build" --filter "$root/src/"
            --exclude-throw-branches --exclude-unreachable-branches -j "$jobs")
gcovr "${gcovr_args[@]}" --txt "$out/files.txt" --print-summary >"$out/summary.txt"
cat "$out/summary.txt"
exit $status
