#!/usr/bin/env bash
# Sets up, builds and runs the design sequence on the bundled sample project.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
CLI=build/src/cli/kolv-cli
mkdir -p out
cp build/data/sample.mdb out/sample.mdb
export KOLV_CONFIG_DIR="${KOLV_CONFIG_DIR:-$PWD/out}"
$CLI info out/sample.mdb
