#!/usr/bin/env bash
# Builds and runs every test, one at a time (the media and web tests are sensitive to
# time, so a test that fails is run once more before it counts); the GUI tests run on a
# virtual X server with a window manager (openbox), as on a desktop. At the end it names
# every test that needed a second run, so that a test which has begun to fail now and
# then is seen although the run passes. The exit status is ctest's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QTWEBENGINE_DISABLE_SANDBOX=1
log=build/ctest-run.log
rm -f "$log"
status=0
xvfb-run -a -s "-screen 0 1920x1080x24" scripts/with-wm.sh \
  ctest --test-dir build --output-on-failure --repeat until-pass:2 --output-log "$PWD/$log" "$@" ||
  status=$?

# ctest prints one result line per run of a test ("Test #12: tst_x ....   Passed");
# a test with more than one such line was run again.
if [ -f "$log" ]; then
  retried=$(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) .*(Passed|\*\*\*[A-Za-z]+).*/\1 \2/p' "$log" |
    awk '{ runs[$1]++; last[$1] = $2; if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 } }
         END { for (i = 1; i <= n; i++) { t = order[i]
                 if (runs[t] > 1) printf "  %s (%d runs, last: %s)\n", t, runs[t], last[t] } }')
  if [ -n "$retried" ]; then
    echo "== tests that needed a second run:"
    echo "$retried" | sed 's/\*\*\*//'
  else
    echo "== no test needed a second run"
  fi
fi
exit "$status"
