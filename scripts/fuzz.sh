#!/usr/bin/env bash
# Fuzzes the import file reader, the row-listing parser, the LandXML reader and the picture-string
# number formatter with libFuzzer for a bounded time.
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
mkdir -p "$out/findings"
flags="-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -Isrc/core"
"$cxx" $flags fuzz/import_reader_fuzz.cpp src/core/exchange/text_reader.cpp src/core/exchange/row_listing.cpp \
  -o "$out/import_reader_fuzz"
"$cxx" $flags fuzz/picture_format_fuzz.cpp src/core/common/vb_format.cpp src/core/common/text.cpp -lfmt \
  -o "$out/picture_format_fuzz"
"$cxx" $flags fuzz/landxml_reader_fuzz.cpp src/core/exchange/landxml_reader.cpp src/core/common/text.cpp -lpugixml -lfmt \
  -o "$out/landxml_reader_fuzz"

# Each target gets a third of the time. The checked-in seeds stay as they are; new inputs go to the
# working corpus of the target.
status=0
for target in import:import_reader_fuzz picture:picture_format_fuzz landxml:landxml_reader_fuzz; do
  corpus="$out/corpus/${target%%:*}" fuzzer="${target#*:}"
  mkdir -p "$corpus"
  cp -n fuzz/corpus/${target%%:*}/* "$corpus/" 2>/dev/null || true
  set +e
  "$out/$fuzzer" "$corpus" -max_total_time="$(( (seconds + 2) / 3 ))" -max_len=4096 -timeout=10 \
    -artifact_prefix="$out/findings/$fuzzer-" -print_final_stats=1 2>&1 | tee "$out/$fuzzer.log" \
    | grep -E '^(#[0-9]+ +DONE|stat::|==|SUMMARY|invariant)'
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  set -e
done
if [ "$status" -ne 0 ]; then
  echo "fuzz: findings in $out/findings/ (see $out/*.log)"
  exit 1
fi
echo "fuzz: no findings in ${seconds} s"
