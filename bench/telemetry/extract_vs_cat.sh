#!/usr/bin/env bash
# veltra-gps against cat on the same sparse camera files, side by side in one run:
#   bench/telemetry/extract_vs_cat.sh [BUILD_DIR] [GPS_BINARY]
# Forges 40 sparse 300 MB files (10 NT9665 with one trak, 10 with two, 20 NT9666; one
# minute, 60 GPS blocks each), warms the cache, then times `cat FILES > /dev/null` and
# `veltra-gps FILES > /dev/null` in turns (median of ROUNDS runs each) and prints the
# ratio. strace counts the opens, reads and seeks per file of both: the counts of a run
# over all files less those of a run over one file, over the files in between, so
# that what the program does once (loading libraries) is left out.
# GPS_BINARY (default BUILD_DIR/src/extractor/veltra-gps) lets another build be
# compared on the same files. ROUNDS (default 7), SIZE (default 300000000) and HEAD
# (the blocks' head: plain, the default, or freegps as cameras write it) in the
# environment change the run.
set -euo pipefail
BUILD="${1:-build}"
GPS="${2:-$BUILD/src/extractor/veltra-gps}"
FORGE="$BUILD/tools/forge/veltra-forge"
ROUNDS="${ROUNDS:-7}"
SIZE="${SIZE:-300000000}"
HEAD="${HEAD:-plain}"
[ -x "$GPS" ] && [ -x "$FORGE" ] || { echo "build veltra-gps and veltra-forge first" >&2; exit 1; }
command -v strace >/dev/null || { echo "needs strace (apt-get install strace)" >&2; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

forge() {   # kind count
  for i in $(seq -w 1 "$2"); do
    "$FORGE" --kind "$1" --out "$WORK/$1_$i.MOV" --no-video --sparse-size "$SIZE" \
      --scenario drive --start "2026-11-08 09:30:00" --block-head "$HEAD" >/dev/null
  done
}
forge nt9665 10
forge nt9665-2trak 10
forge nt9666 20
files=("$WORK"/*.MOV)
n=${#files[@]}
echo "$n sparse files of $(stat -c %s "${files[0]}") bytes (10 nt9665, 10 nt9665-2trak, 20 nt9666; block head $HEAD), $(nproc) cores"
echo "veltra-gps: $GPS"

# Warm the cache: every byte cat will read, every byte veltra-gps will read.
cat "${files[@]}" >/dev/null
cat "${files[@]}" >/dev/null
"$GPS" "${files[@]}" >/dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Bash's own clock (microseconds): starting `date` around a command would add its
# start-up to the command's time.
catTimes=() gpsTimes=()
for _ in $(seq "$ROUNDS"); do
  t0=${EPOCHREALTIME/[.,]/}; cat "${files[@]}" >/dev/null; t1=${EPOCHREALTIME/[.,]/}
  "$GPS" "${files[@]}" >/dev/null; t2=${EPOCHREALTIME/[.,]/}
  catTimes+=($(((t1 - t0) * 1000))) gpsTimes+=($(((t2 - t1) * 1000)))
done
catNs=$(printf '%s\n' "${catTimes[@]}" | median)
gpsNs=$(printf '%s\n' "${gpsTimes[@]}" | median)
awk -v c="$catNs" -v g="$gpsNs" -v n="$n" -v r="$ROUNDS" 'BEGIN {
  printf "median of %d runs, warm cache:\n", r
  printf "  cat FILES > /dev/null         %9.2f ms  (%8.3f ms per file)\n", c / 1e6, c / 1e6 / n
  printf "  veltra-gps FILES > /dev/null  %9.2f ms  (%8.3f ms per file)\n", g / 1e6, g / 1e6 / n
  printf "  veltra-gps is %.0fx faster than cat (target: at least 100x)\n", c / g
}'

# Calls per file from strace -c: (all files - one file) / (files - 1).
calls() {   # output-file command...
  local out="$1"; shift
  strace -f -c -o "$out" -e trace=open,openat,read,pread64,readv,preadv,lseek,mmap "$@" >/dev/null 2>&1 || true
}
# strace -c rows: % time, seconds, usecs/call, calls, [errors,] syscall.
callsOf() {   # strace-summary syscall
  awk -v s="$2" '$NF == s { print $4; f = 1 } END { if (!f) print 0 }' "$1"
}
perFile() {   # name command...
  local name="$1"; shift
  calls "$WORK/all.st" "$@" "${files[@]}"
  calls "$WORK/one.st" "$@" "${files[0]}"
  printf "  %-11s" "$name"
  for s in openat pread64 read lseek mmap; do
    a=$(callsOf "$WORK/all.st" "$s") o=$(callsOf "$WORK/one.st" "$s")
    awk -v a="$a" -v o="$o" -v n="$n" -v s="$s" 'BEGIN { printf "  %6.1f %-7s", (a - o) / (n - 1), s }'
  done
  echo
}
echo "system calls per file (strace -c -f):"
perFile cat cat
perFile veltra-gps "$GPS"
