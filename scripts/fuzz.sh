#!/usr/bin/env bash
# Fuzzes the import file reader and the row-listing parser with libFuzzer for a bounded time.
#   bash scripts/fuzz.sh [SECONDS]      (default 60; FUZZ_SECONDS in the environment works too)
# Needs clang from Debian (clang or clang-14). Without it the run is skipped with a note and
# exit code 0, so a test script can call it unconditionally. Findings (crash-*, leak-*,
# timeout-* files) are left in build-fuzz/findings/ and give exit code 1.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-${FUZZ_SECONDS:-60}}"

cxx=""
for c in clang++ clang++-14; do
  if command -v "$c" >/dev/null 2>&1; then cxx="$c"; break; fi
done
if [ -z "$cxx" ]; then
  echo "fuzz: clang++ not found; skipping the fuzz run (apt-get install clang-14 to run it)"
  exit 0
fi

out=build-fuzz
mkdir -p "$out/findings" "$out/corpus"
"$cxx" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Isrc/core fuzz/import_reader_fuzz.cpp src/core/exchange/text_reader.cpp src/core/exchange/row_listing.cpp \
  -o "$out/import_reader_fuzz"

# The checked-in seeds stay as they are; new inputs go to the working corpus.
cp -n fuzz/corpus/import/* "$out/corpus/" 2>/dev/null || true
set +e
"$out/import_reader_fuzz" "$out/corpus" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/findings/" -print_final_stats=1 2>&1 | tee "$out/fuzz.log" | grep -E '^(#[0-9]+ +DONE|stat::|==|SUMMARY|invariant)' 
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
  echo "fuzz: findings in $out/findings/ (see $out/fuzz.log)"
  exit 1
fi
echo "fuzz: no findings in ${seconds} s"
