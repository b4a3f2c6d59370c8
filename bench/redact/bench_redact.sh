#!/usr/bin/env bash
# Forges a 60 s 1080p30 plate scene and measures redaction on it: the time to the first
# blurred preview after a mark, tracking a mark through the minute, and the minute
# written with three tracked marks blurred. Usage (from the build folder):
#   bench/redact/bench_redact.sh [OUTDIR]
set -eu
build=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-/tmp/veltra-bench-redact}
mkdir -p "$out"
clip="$out/2026_1115_093000_030F.MOV"
if [ ! -s "$clip" ]; then
  echo "== forging $clip"
  "$build/tools/forge/veltra-forge" --kind nt9665 --seconds 60 --size 1920x1080 --fps 30 --scenario drive \
    --start "2026-11-15 09:30:00" --scene plate --out "$clip"
fi
"$build/bench/redact/bench_redact" "$clip" "$out"
