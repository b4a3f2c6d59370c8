#!/usr/bin/env bash
# The drive library's figures over 10,000 forged clips (sparse files):
#   bench/library/bench_library.sh [BUILD_DIR] [CLIPS]   (default: build 10000)
# 100 days, two trips a day (08:00 and 17:00) of one-minute clips, each day's car
# setting off another way. Prints: a plain veltra-gps read of every file against
# veltra-gps --library DB --add (first pass, then a second over the unchanged folder),
# the peak memory while indexing, the database's size per clip, and
# bench_library_queries' figures ("passed here", a month of trips, the window open).
set -euo pipefail
BUILD="${1:-build}"
CLIPS="${2:-10000}"
GPS="$BUILD/src/extractor/veltra-gps"
FORGE="$BUILD/tools/forge/veltra-forge"
QUERIES="$BUILD/bench/library/bench_library_queries"
for b in "$GPS" "$FORGE" "$QUERIES"; do
  [ -x "$b" ] || { echo "build $(basename "$b") first" >&2; exit 1; }
done
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
CARD="$WORK/card"
mkdir -p "$CARD"

per_trip=$(( (CLIPS + 199) / 200 ))
made=0
for day in $(seq 0 99); do
  date=$(date -u -d "@$(( $(date -u -d "2026-08-01 00:00:00" +%s) + day * 86400 ))" +%Y-%m-%d)
  compact=$(date -u -d "$date" +%Y_%m%d)
  course=$(( (day * 37) % 360 ))
  mkdir -p "$CARD/$date"
  for hour in 08 17; do
    for m in $(seq 0 $((per_trip - 1))); do
      [ "$made" -lt "$CLIPS" ] || break
      t=$(( $(date -u -d "$date $hour:00:00" +%s) + m * 60 ))
      at=$(date -u -d "@$t" +%H%M%S)
      stamp=$(date -u -d "@$t" "+%Y-%m-%d %H:%M:%S")
      "$FORGE" --kind nt9665 --no-video --sparse-size 200000000 --blocks 60 --scenario drive --course "$course" \
        --trip-start "$date $hour:00:00" --start "$stamp" --out "$CARD/$date/${compact}_${at}_$(printf %03d $m).MOV"
      made=$((made + 1))
    done
  done
done
files=$(find "$CARD" -name '*.MOV' | wc -l)
echo "forged $files clips of $(stat -c %s "$(find "$CARD" -name '*.MOV' | head -1)") bytes (sparse), $(nproc) cores"

# Warm the cache, then the plain read of every file.
find "$CARD" -name '*.MOV' -print0 | xargs -0 "$GPS" --format json -o /dev/null
plain=$( { find "$CARD" -name '*.MOV' -print0 | /usr/bin/time -f "%e %U %S %M" xargs -0 "$GPS" --format json -o /dev/null ; } 2>&1 | tail -1)
DB="$WORK/library.sqlite"
first=$( { /usr/bin/time -f "%e %U %S %M" "$GPS" --library "$DB" --add "$CARD" >"$WORK/add.out" ; } 2>&1 | tail -1)
summary=$(tail -1 "$WORK/add.out")
second=$( { /usr/bin/time -f "%e %U %S %M" "$GPS" --library "$DB" --add "$CARD" >"$WORK/add2.out" ; } 2>&1 | tail -1)
awk -v p="$plain" -v f="$first" -v s="$second" -v n="$files" 'BEGIN {
  split(p, a, " "); split(f, b, " "); split(s, c, " ");
  printf "plain veltra-gps, every file:   %7.2f s wall, %7.2f s CPU\n", a[1], a[2] + a[3];
  printf "library, first pass:            %7.2f s wall, %7.2f s CPU (%.2fx the plain read), peak %d KiB\n", b[1], b[2] + b[3], b[1] / a[1], b[4];
  printf "library, second pass unchanged: %7.2f s wall, %7.2f s CPU, peak %d KiB\n", c[1], c[2] + c[3], c[4];
}'
echo "first pass said: $summary"
echo "second pass said: $(tail -1 "$WORK/add2.out")"
sqlite3 "$DB" "PRAGMA wal_checkpoint(TRUNCATE);" >/dev/null 2>&1 || true
size=$(stat -c %s "$DB")
echo "database: $size bytes, $((size / files)) bytes per clip"

# A point on the routes: the middle of the second clip of the last day.
lastday=$(find "$CARD" -mindepth 1 -maxdepth 1 -type d | sort | tail -1)
point=$("$GPS" --format csv "$(find "$lastday" -name '*.MOV' | sort | sed -n 2p)" | awk -F, 'NR == 31 { print $3, $4 }')
lat=${point% *}
lon=${point#* }
echo "passed here: $lat,$lon"
"$GPS" --library "$DB" --near "$lat,$lon,100" | wc -l | sed 's/^/veltra-gps --near: clips printed: /'
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$QUERIES" "$DB" "$lat" "$lon"
# KEEP_DB=FILE keeps the database for bench_library_queries runs of its own.
if [ -n "${KEEP_DB:-}" ]; then cp "$DB" "$KEEP_DB"; echo "database kept as $KEEP_DB ($lat $lon)"; fi
