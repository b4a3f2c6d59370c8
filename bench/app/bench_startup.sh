#!/usr/bin/env bash
# Start-up to a visible window, and the memory of the whole program while it plays
# the sample drive with the map loaded (the player plus the web view's processes).
# Usage: bench/app/bench_startup.sh [BUILD_DIR] [RUNS]   (needs xvfb-run, x11-utils)
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
runs="${2:-5}"
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
export VELTRA_BUILD="$build" RUNS="$runs"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  home=$(mktemp -d)
  total=0
  for run in $(seq "$RUNS"); do
    start=$(date +%s%N)
    HOME=$home XDG_CONFIG_HOME=$home/.config "$VELTRA_BUILD/src/app/veltra-player" >/dev/null 2>&1 &
    pid=$!
    until xwininfo -root -tree 2>/dev/null | grep -q "1344x756"; do sleep 0.01; done
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    echo "run $run: window visible after $ms ms"
    total=$((total + ms))
    kill -TERM $pid; wait $pid || true
  done
  echo "mean start-up to visible window: $((total / RUNS)) ms"

  HOME=$home XDG_CONFIG_HOME=$home/.config "$VELTRA_BUILD/src/app/veltra-player" "$VELTRA_BUILD"/samples/drive/*.MOV >/dev/null 2>&1 &
  pid=$!
  sleep 15
  pids="$pid $(pgrep -P $pid | tr "\n" " ")"
  for child in $(pgrep -P $pid); do pids="$pids $(pgrep -P $child | tr "\n" " ")"; done
  rss=0; pss=0
  for p in $pids; do
    [ -r /proc/$p/smaps_rollup ] || continue
    r=$(awk "/^Rss:/ {print \$2}" /proc/$p/smaps_rollup); s=$(awk "/^Pss:/ {print \$2}" /proc/$p/smaps_rollup)
    echo "  $(cat /proc/$p/comm) ($p): RSS $((r / 1024)) MiB, PSS $((s / 1024)) MiB"
    rss=$((rss + r)); pss=$((pss + s))
  done
  echo "whole program while playing with the map: RSS $((rss / 1024)) MiB, PSS $((pss / 1024)) MiB"
  kill -TERM $pid; wait $pid || true
  rm -rf "$home"
'
