#!/usr/bin/env bash
# Builds the Debian package, checks it (lintian, AppStream, desktop entry), installs it
# on this machine with apt-get, runs the installed programs (veltra-gps on the bundled
# drive; the player headless on a virtual X server for a few seconds, with a screenshot)
# and removes the package again. Run as root or with sudo; CI runs it from .ci/run.
#   bash scripts/ci-package.sh          # screenshot: build/veltra-player-installed.png
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
# Other builds on the machine may hold the package database for a while.
APT=($SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300)

deb=$(bash scripts/package.sh)
cmake --build build -j "$(nproc)" --target veltra_samples >/dev/null
sample="$repo/build/samples/drive/2026_1108_093000_001.MOV"
shot="$repo/build/veltra-player-installed.png"
version=$(dpkg-deb -f "$deb" Version)
echo "== package: $deb ($(stat -c %s "$deb") bytes)"

echo "== lintian"
lint_status=0
lint=$(lintian --fail-on error "$deb" 2>&1) || lint_status=$?
printf '%s\n' "$lint" | grep -v '^running with root privileges' || true
[ "$lint_status" -eq 0 ] || { echo "ci-package: lintian reports errors" >&2; exit 1; }

echo "== metadata in the package"
unpacked=$(mktemp -d)
cleanup() { rm -rf "$unpacked" "${home:-}"; }
trap cleanup EXIT
dpkg-deb -x "$deb" "$unpacked"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/io.github.veltra.Player.metainfo.xml"
desktop-file-validate "$unpacked/usr/share/applications/veltra-player.desktop"
# A new version needs its own entry in the changelog and in the AppStream releases.
[[ $(zcat "$unpacked/usr/share/doc/veltra-player/changelog.gz") == "veltra-player ($version) "* ]] ||
  { echo "ci-package: resources/debian/changelog has no entry for $version" >&2; exit 1; }
grep -qF "<release version=\"$version\"" "$unpacked/usr/share/metainfo/io.github.veltra.Player.metainfo.xml" ||
  { echo "ci-package: the AppStream metadata has no release $version" >&2; exit 1; }

echo "== install"
"${APT[@]}" install -y "$deb"
remove() { "${APT[@]}" remove -y veltra-player; }
trap 'remove; cleanup' EXIT
test -x /usr/bin/veltra-player
test -x /usr/bin/veltra-gps
# The face and plate detectors read opencv-data's cascades, which the package depends on.
for cascade in haarcascade_frontalface_alt2 haarcascade_licence_plate_rus_16stages haarcascade_russian_plate_number; do
  test -r "/usr/share/opencv4/haarcascades/$cascade.xml" ||
    { echo "ci-package: the installed package finds no $cascade.xml" >&2; exit 1; }
done

# The installed programs run away from the source tree, with a home of their own.
home=$(mktemp -d)
cd "$home"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_CACHE_HOME="$home/.cache" QTWEBENGINE_DISABLE_SANDBOX=1

echo "== veltra-gps"
if /usr/bin/veltra-gps --help | grep -q -- '--version'; then
  /usr/bin/veltra-gps --version
else
  # --version comes with the command-line work; until then the installed extractor
  # proves itself on a sample.
  /usr/bin/veltra-gps --detect "$sample"
fi

echo "== veltra-player, headless"
rm -f "$shot"
xvfb-run -a -s "-screen 0 1920x1080x24" "$repo/scripts/with-wm.sh" bash -c '
  shot="$1" sample="$2" seconds="$3"
  /usr/bin/veltra-player "$sample" &
  pid=$!
  sleep "$seconds"
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"; echo "ci-package: the installed player ended early (status $?)" >&2; exit 1
  fi
  import -window root "$shot"
  kill -TERM "$pid"
  status=0; wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { echo "ci-package: the player ended with status $status" >&2; exit 1; }
' _ "$shot" "$sample" "${VELTRA_RUN_SECONDS:-8}"
echo "== the installed player ran for ${VELTRA_RUN_SECONDS:-8} s and ended cleanly; screenshot: $shot"
cd "$repo"
