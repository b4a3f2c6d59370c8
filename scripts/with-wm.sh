#!/usr/bin/env bash
# Runs a command on the current X server with a window manager (openbox) managing the
# windows, as on a desktop: focus, full screen and fixed-size windows then behave as
# users see them. Used inside xvfb-run by scripts/test.sh and scripts/run.sh:
#   xvfb-run -a scripts/with-wm.sh COMMAND [ARGS...]
# The command's exit status is returned.
set -uo pipefail

if [ -z "${DISPLAY:-}" ]; then
  echo "with-wm.sh: no DISPLAY" >&2
  exit 2
fi

# openbox writes its settings and session files under HOME; keep them out of the user's.
wmhome=$(mktemp -d)
XDG_CONFIG_HOME="$wmhome" XDG_CACHE_HOME="$wmhome" XDG_DATA_HOME="$wmhome" \
  openbox --sm-disable >"$wmhome/openbox.log" 2>&1 &
wm=$!

stop_wm() {
  kill -TERM "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
  rm -rf "$wmhome"
}
trap stop_wm EXIT

# The window manager has taken the screen once it announces itself on the root window.
for _ in $(seq 100); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    break
  fi
  if ! kill -0 "$wm" 2>/dev/null; then
    echo "with-wm.sh: openbox did not start:" >&2
    cat "$wmhome/openbox.log" >&2
    exit 2
  fi
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
  { echo "with-wm.sh: openbox did not take the screen within 10 s" >&2; exit 2; }

"$@"
