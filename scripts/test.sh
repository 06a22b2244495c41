#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/kolv-runtime-$UID}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export KOLV_CONFIG_DIR="$(mktemp -d)"
ctest --test-dir build --output-on-failure -j "$(nproc)"
bash scripts/package.sh  # the Debian package: built, unpacked and run from a temporary root, lintian
bash scripts/sanitize.sh  # core, command line and reliability suites again under ASan + UBSan
# A bounded fuzz run of the import reader when clang is installed (skipped otherwise).
bash scripts/fuzz.sh 60
