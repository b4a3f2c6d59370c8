#!/usr/bin/env bash
# Fuzzes the telemetry core with libFuzzer for a bounded time.
#   scripts/fuzz.sh [SECONDS]   (default 600: half to the file target, a sixth each to the
#   text, GPMF payload and video frame targets; the manifest target gets a tenth on top)
# Builds with clang into build-fuzz/, makes a starting corpus from the forge (small files of
# every kind without picture data) and the hand-built fixtures, and keeps the growing
# corpus in build-fuzz/corpus. Crashing inputs land in build-fuzz/artifacts; copy them
# into tests/fuzz/regressions/{file,nmea,gpmf,sei,manifest} to keep them as regression tests.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TOTAL="${1:-600}"
B=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRA_FUZZ=ON -DVELTRA_GUI=OFF -DVELTRA_BENCH=OFF >/dev/null
cmake --build "$B" --target fuzz_telemetry_file fuzz_nmea fuzz_gpmf fuzz_sei fuzz_manifest make_corpus veltra-forge >/dev/null

seeds="$B/seeds"
rm -rf "$seeds"
for kind in file nmea gpmf sei manifest; do mkdir -p "$seeds/$kind" "$B/corpus/$kind"; done
mkdir -p "$B/artifacts"
forge="$B/tools/forge/veltra-forge"
for kind in nt9665 nt9665-2trak nt9666 icat6330; do
  for scenario in drive nofix; do
    "$forge" --kind "$kind" --scenario "$scenario" --no-video --blocks 1 --out "$seeds/file/forge-$kind-$scenario.MOV"
  done
  "$forge" --kind "$kind" --scenario city --no-video --blocks 2 --out "$seeds/file/forge-$kind-city2.MOV"
done
for kind in freegps-v3 freegps-old freegps-long freegps-nmea freegps-xor free-box text-0x120 text-gsensori text-nmea \
            gpmf gpmf-gps9 gpmf-damaged gpmd-freegps sei sei-bare; do
  "$forge" --kind "$kind" --scenario drive --no-video --blocks 1 --out "$seeds/file/forge-$kind.MOV"
done
"$forge" --kind freegps-v3 --no-index --no-video --blocks 2 --out "$seeds/file/forge-freegps-noindex.MOV"
"$B/tests/fuzz/make_corpus" "$seeds/file"
mv "$seeds/file"/sentence_*.txt "$seeds/nmea/"
mv "$seeds/file"/gpmf_*.bin "$seeds/gpmf/"
mv "$seeds/file"/sei_*.bin "$seeds/sei/"
for kind in file nmea gpmf sei manifest; do cp -r "tests/fuzz/regressions/$kind/." "$seeds/$kind/" 2>/dev/null || true; done

file_time=$(( SECONDS_TOTAL / 2 ))
nmea_time=$(( SECONDS_TOTAL / 6 ))
gpmf_time=$(( SECONDS_TOTAL / 6 ))
sei_time=$(( SECONDS_TOTAL - file_time - nmea_time - gpmf_time ))
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
run fuzz_gpmf gpmf "$gpmf_time" 16384
run fuzz_sei sei "$sei_time" 4096
run fuzz_manifest manifest $(( SECONDS_TOTAL / 10 )) 65536
echo "== artifacts:"
ls -l "$B/artifacts"
