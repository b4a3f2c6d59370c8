#!/usr/bin/env bash
# Builds and runs every test, one at a time (the media and web tests are sensitive to
# time, so a test that fails is run once more before it counts); the GUI tests run on a
# virtual X server with a window manager (openbox), as on a desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1920x1080x24" scripts/with-wm.sh \
  ctest --test-dir build --output-on-failure --repeat until-pass:2 "$@"
