#!/usr/bin/env bash
# Builds everything, forges the bundled sample drive and prints its telemetry as GPX.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
ls build/samples/*.MOV >/dev/null
build/src/extractor/veltra-gps --format gpx build/samples/*.MOV
