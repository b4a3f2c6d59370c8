#!/usr/bin/env bash
# Times veltra-gps on many forged files and measures its peak memory.
#   bench/extractor/bench_veltra_gps.sh [BUILD_DIR]   (default: build)
# 1. 100 sparse 300 MB files (25 of each kind, 180 blocks each), every one given
#    10 times: 1000 files per run, warm cache, each format; wall time per file.
# 2. Peak resident memory for 100 and for 10 000 files: the output is streamed,
#    so memory must not grow with the number of files.
set -euo pipefail
BUILD="${1:-build}"
GPS="$BUILD/src/extractor/veltra-gps"
FORGE="$BUILD/tools/forge/veltra-forge"
[ -x "$GPS" ] && [ -x "$FORGE" ] || { echo "build veltra-gps and veltra-forge first" >&2; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

kinds=(nt9665 nt9665-2trak nt9666 icat6330)
for k in "${kinds[@]}"; do
  for i in $(seq -w 1 25); do
    "$FORGE" --kind "$k" --out "$WORK/${k}_$i.MOV" --no-video --sparse-size 300000000 --blocks 180 \
      --scenario drive --start "2026-11-08 09:30:00"
  done
done
files=("$WORK"/*.MOV)
echo "forged ${#files[@]} files of $(stat -c %s "${files[0]}") bytes (sparse), $(nproc) cores"

args=()
for r in $(seq 10); do args+=("${files[@]}"); done
"$GPS" "${files[@]}" >/dev/null   # warm the cache

# Wall time depends on what else runs on the machine; CPU time (user + system) less so.
for fmt in json csv gpx kml; do
  t=$( { /usr/bin/time -f "%e %U %S" "$GPS" --format "$fmt" -o "$WORK/out.$fmt" "${args[@]}" ; } 2>&1 | tail -1)
  awk -v t="$t" -v n="${#args[@]}" -v f="$fmt" -v b="$(stat -c %s "$WORK/out.$fmt")" \
    'BEGIN { split(t, a, " "); printf "%-4s %5d files: %.2f s wall, %.3f ms wall and %.3f ms CPU per file, %.1f MB of output\n", f, n, a[1], a[1] * 1000 / n, (a[2] + a[3]) * 1000 / n, b / 1e6 }'
done
xmllint --noout "$WORK/out.gpx" && echo "gpx of ${#args[@]} files is well-formed"
t=$( { /usr/bin/time -f "%e %U %S" "$GPS" --detect -o "$WORK/out.detect" "${args[@]}" ; } 2>&1 | tail -1)
awk -v t="$t" -v n="${#args[@]}" \
  'BEGIN { split(t, a, " "); printf "detect %d files: %.2f s wall, %.3f ms CPU per file\n", n, a[1], (a[2] + a[3]) * 1000 / n }'

for n in 100 10000; do
  many=()
  while [ ${#many[@]} -lt "$n" ]; do many+=("${files[@]}"); done
  many=("${many[@]:0:$n}")
  rss=$( { /usr/bin/time -f "%M" "$GPS" --format gpx -o "$WORK/many.gpx" "${many[@]}" ; } 2>&1 | tail -1)
  echo "peak memory for $n files (gpx to a file): ${rss} KiB, $(grep -c '<trk>' "$WORK/many.gpx") tracks written"
done
