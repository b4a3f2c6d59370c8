#!/usr/bin/env bash
# Fuzzes the telemetry core with libFuzzer for a bounded time.
#   scripts/fuzz.sh [SECONDS]   (default 600; split 3:1 between the file and text targets)
# Builds with clang into build-fuzz/, makes a starting corpus from the forge (small files of
# every kind without picture data) and the hand-built fixtures, and keeps the growing
# corpus in build-fuzz/corpus. Crashing inputs land in build-fuzz/artifacts; copy them
# into tests/fuzz/regressions/{file,nmea} to keep them as regression tests.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TOTAL="${1:-600}"
B=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRA_FUZZ=ON -DVELTRA_GUI=OFF -DVELTRA_BENCH=OFF >/dev/null
cmake --build "$B" --target fuzz_telemetry_file fuzz_nmea make_corpus veltra-forge >/dev/null

seeds="$B/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/file" "$seeds/nmea" "$B/corpus/file" "$B/corpus/nmea" "$B/artifacts"
forge="$B/tools/forge/veltra-forge"
for kind in nt9665 nt9665-2trak nt9666 icat6330; do
  for scenario in drive nofix; do
    "$forge" --kind "$kind" --scenario "$scenario" --no-video --blocks 1 --out "$seeds/file/forge-$kind-$scenario.MOV"
  done
  "$forge" --kind "$kind" --scenario city --no-video --blocks 2 --out "$seeds/file/forge-$kind-city2.MOV"
done
for kind in freegps-v3 freegps-old freegps-long freegps-nmea freegps-xor free-box text-0x120 text-gsensori text-nmea; do
  "$forge" --kind "$kind" --scenario drive --no-video --blocks 1 --out "$seeds/file/forge-$kind.MOV"
done
"$forge" --kind freegps-v3 --no-index --no-video --blocks 2 --out "$seeds/file/forge-freegps-noindex.MOV"
"$B/tests/fuzz/make_corpus" "$seeds/file"
mv "$seeds/file"/sentence_*.txt "$seeds/nmea/"
cp -r tests/fuzz/regressions/file/. "$seeds/file/" 2>/dev/null || true
cp -r tests/fuzz/regressions/nmea/. "$seeds/nmea/" 2>/dev/null || true

file_time=$(( SECONDS_TOTAL * 3 / 4 ))
nmea_time=$(( SECONDS_TOTAL - file_time ))
run() {
  local target=$1 kind=$2 time=$3 maxlen=$4
  echo "== $target for ${time}s"
  "$B/tests/fuzz/$target" "$B/corpus/$kind" "$seeds/$kind" \
    -max_total_time="$time" -max_len="$maxlen" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$B/artifacts/$target-" -print_final_stats=1 2>&1 |
    grep -E "^(#[0-9]+ +(INITED|DONE)|stat::|==[0-9]+==ERROR|SUMMARY|Done|artifact)" || true
}
run fuzz_telemetry_file file "$file_time" 131072
run fuzz_nmea nmea "$nmea_time" 512
echo "== artifacts:"
ls -l "$B/artifacts"
