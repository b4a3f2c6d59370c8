#!/usr/bin/env bash
# How light the player is on the machine, side by side with the tools users compare it
# with, in one run on the same 40 s 1920x1080 H.264 clip:
#   - CPU in % of one core at 1x, summed over all the player's processes (the web
#     engine's included), from /proc/PID/stat over a fixed window after a warm-up;
#     the same for `mpv --vo=x11` and for `ffmpeg -re -i CLIP -f null -`;
#   - the player paused (over the same window length);
#   - start-up: `veltra-player CLIP` to its first video frame, the wall time from the
#     launch to the moment the first decoded frame was drawn on the screen (the player
#     prints that moment when VELTRA_FRAME_LOG is set);
#   - memory: RSS summed over the player's processes while it plays with the map loaded;
#   - the panels' tick on a change of second (median us of the real-time run of
#     bench_instruments);
#   - frames skipped at 1x, counted at the video sink, and frames a newer one replaced
#     before the picture drew them (VELTRA_FRAME_LOG).
# Each figure is the median of RUNS runs. mpv is installed from Debian when missing.
# Each start has fresh settings but keeps the caches (GStreamer's plug-in registry,
# fonts) from a first start that is not counted, as on a user's machine.
# With OTHER_BUILD_DIR, an older build is measured too, in the same runs, and shown
# in a column of its own.
# Usage: bench/app/bench_light.sh [BUILD_DIR] [RUNS] [OTHER_BUILD_DIR]
#   (needs xvfb-run, openbox, dbus-run-session, dbus-send, ffmpeg)
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-build}" && pwd)"
runs="${2:-3}"
other="${3:+$(cd "$3" && pwd)}"
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1

if ! command -v mpv >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get install -y -q mpv >/dev/null
  else
    echo "bench_light.sh: mpv is missing (apt-get install mpv)" >&2
    exit 2
  fi
fi

clip="$build/bench-light/clip_1080p_40s.MOV"
if [ ! -s "$clip" ]; then
  mkdir -p "$(dirname "$clip")"
  "$build/tools/forge/veltra-forge" --kind nt9665 --size 1920x1080 --seconds 40 --out "$clip" >/dev/null
fi

export VELTRA_BUILDS="$build${other:+ $other}" VELTRA_CLIP="$clip" RUNS="$runs" WARMUP="${WARMUP:-6}" WINDOW="${WINDOW:-12}"
results=$(mktemp)
export RESULTS="$results"

# One run of everything; appends "name value" lines to $RESULTS.
inner() {
  set -euo pipefail
  hz=$(getconf CLK_TCK)
  # The process and all its descendants.
  tree() {
    local p=$1
    echo "$p"
    for c in $(pgrep -P "$p" || true); do tree "$c"; done
  }
  # "pid ticks" for each process of the tree (user + system time).
  ticks() {
    for p in $(tree "$1"); do
      [ -r "/proc/$p/stat" ] || continue
      # Fields after the command name, which may hold spaces: utime is the 14th field.
      sed -E 's/^[0-9]+ \(.*\) //' "/proc/$p/stat" 2>/dev/null | awk -v p="$p" '{print p, $12 + $13}'
    done
  }
  # CPU % of one core used by the tree of $1 over $WINDOW seconds.
  cpu() {
    local before after
    before=$(ticks "$1")
    sleep "$WINDOW"
    after=$(ticks "$1")
    awk -v hz="$hz" -v w="$WINDOW" 'NR == FNR { b[$1] = $2; next } { s += $2 - ($1 in b ? b[$1] : 0) }
         END { printf "%.1f\n", s * 100 / hz / w }' <(echo "$before") <(echo "$after")
  }
  rss() {
    for p in $(tree "$1"); do awk '/^VmRSS:/ {print $2}' "/proc/$p/status" 2>/dev/null || true; done |
      awk '{ s += $1 } END { printf "%.0f\n", s / 1024 }'
  }

  cache=$(mktemp -d)
  # The uncounted first start fills the caches.
  for b in $VELTRA_BUILDS; do
    home=$(mktemp -d)
    XDG_CACHE_HOME=$cache HOME=$home XDG_CONFIG_HOME=$home/.config "$b/src/app/veltra-player" "$VELTRA_CLIP" \
      >/dev/null 2>&1 &
    sleep 5; kill -TERM $!; wait $! || true
    rm -rf "$home"
  done
  for run in $(seq "$RUNS"); do
   col=0
   for VELTRA_BUILD in $VELTRA_BUILDS; do
    col=$((col + 1))
    home=$(mktemp -d)
    log="$home/player.log"
    start=$(date +%s%N)
    XDG_CACHE_HOME=$cache HOME=$home XDG_CONFIG_HOME=$home/.config VELTRA_FRAME_LOG=1 \
      "$VELTRA_BUILD/src/app/veltra-player" "$VELTRA_CLIP" >/dev/null 2>"$log" &
    pid=$!
    # The moment the first frame was drawn on the screen; builds that do not tell it,
    # the moment it reached the sink.
    for _ in $(seq 300); do grep -q "first frame at" "$log" && break; sleep 0.05; done
    for _ in $(seq 10); do grep -q "first frame drawn at" "$log" && break; sleep 0.05; done
    first=$(sed -nE 's/.*first frame drawn at ([0-9]+).*/\1/p' "$log" | head -1)
    [ -n "$first" ] || first=$(sed -nE 's/.*first frame at ([0-9]+).*/\1/p' "$log" | head -1)
    [ -n "$first" ] || { echo "run $run: the player showed no frame" >&2; cat "$log" >&2; exit 1; }
    echo "startup_ms$col $(( (first - start) / 1000000 ))" >>"$RESULTS"
    sleep "$WARMUP"
    echo "player_cpu$col $(cpu $pid)" >>"$RESULTS"
    echo "player_rss_mib$col $(rss $pid)" >>"$RESULTS"
    dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.veltra /org/mpris/MediaPlayer2 \
      org.mpris.MediaPlayer2.Player.Pause
    sleep 2
    echo "paused_cpu$col $(cpu $pid)" >>"$RESULTS"
    kill -TERM "$pid"; wait "$pid" || true
    skipped=$(sed -nE 's/.*frames shown ([0-9]+), skipped ([0-9]+).*/\2/p' "$log" | tail -1)
    shown=$(sed -nE 's/.*frames shown ([0-9]+), skipped ([0-9]+).*/\1/p' "$log" | tail -1)
    echo "frames_skipped$col ${skipped:-?}" >>"$RESULTS"
    echo "frames_shown$col ${shown:-?}" >>"$RESULTS"
    replaced=$(sed -nE 's/.*replaced before drawn ([0-9]+).*/\1/p' "$log" | tail -1)
    echo "frames_replaced$col ${replaced:--}" >>"$RESULTS"
    rm -rf "$home"
    QT_QPA_PLATFORM=offscreen HOME=$(mktemp -d) "$VELTRA_BUILD/bench/instruments/bench_instruments" 20000 |
      sed -nE "s/.*the once-a-second tick: median ([0-9.]+) us.*/panel_tick_us$col \\1/p" >>"$RESULTS"
   done

    mpv --no-config --vo=x11 --ao=null --really-quiet "$VELTRA_CLIP" >/dev/null 2>&1 &
    pid=$!
    sleep "$WARMUP"
    echo "mpv_cpu $(cpu $pid)" >>"$RESULTS"
    kill -TERM "$pid"; wait "$pid" || true

    ffmpeg -nostdin -loglevel quiet -re -i "$VELTRA_CLIP" -f null - &
    pid=$!
    sleep "$WARMUP"
    echo "ffmpeg_cpu $(cpu $pid)" >>"$RESULTS"
    kill -TERM "$pid"; wait "$pid" || true

    echo "run $run of $RUNS done" >&2
  done
  rm -rf "$cache"
}
# xvfb-run's shell drops exported functions: the function goes over as a file.
declare -f inner >"$results.sh"
xvfb-run -a -s "-screen 0 1920x1080x24" dbus-run-session -- "$here/scripts/with-wm.sh" \
  bash -c "source '$results.sh'; inner" 2> >(grep -v "fd limit" >&2)

median() { awk -v k="$1" '$1 == k { print $2 }' "$results" | sort -g | awk '{ v[NR] = $1 } END { print (NR ? v[int((NR + 1) / 2)] : "?") }'; }
all() { awk -v k="$1" '$1 == k { printf "%s ", $2 }' "$results"; }
m=$(median mpv_cpu); f=$(median ffmpeg_cpu)
echo
echo "Median of $runs runs (all runs in brackets), 1920x1080 H.264, 40 s, $(nproc) cores:"
printf "  %-48s %8s  [%s]\n" "mpv --vo=x11, CPU % of a core" "$m" "$(all mpv_cpu)"
printf "  %-48s %8s  [%s]\n" "ffmpeg -re ... -f null -, CPU % of a core" "$f" "$(all ffmpeg_cpu)"
col=0
for b in $build $other; do
  col=$((col + 1))
  p=$(median player_cpu$col)
  echo "$b:"
  printf "  %-48s %8s  [%s]\n" "player at 1x, CPU % of a core (all processes)" "$p" "$(all player_cpu$col)"
  printf "  %-48s %8s\n" "player / mpv" "$(awk -v a="$p" -v b="$m" 'BEGIN { printf "%.2fx", a / b }')"
  printf "  %-48s %8s  [%s]\n" "player paused, CPU %" "$(median paused_cpu$col)" "$(all paused_cpu$col)"
  printf "  %-48s %8s  [%s]\n" "start-up to the first frame, ms" "$(median startup_ms$col)" "$(all startup_ms$col)"
  printf "  %-48s %8s  [%s]\n" "RSS of all processes, playing, map loaded, MiB" "$(median player_rss_mib$col)" \
    "$(all player_rss_mib$col)"
  printf "  %-48s %8s  [%s]\n" "panels' tick on a change of second, median us" "$(median panel_tick_us$col)" \
    "$(all panel_tick_us$col)"
  printf "  %-48s %8s  [%s]\n" "frames skipped at 1x" "$(median frames_skipped$col)" \
    "$(all frames_skipped$col)of $(all frames_shown$col)shown"
  printf "  %-48s %8s  [%s]\n" "frames replaced before they were drawn at 1x" "$(median frames_replaced$col)" \
    "$(all frames_replaced$col)"
done
rm -f "$results" "$results.sh"
