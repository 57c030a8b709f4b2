#!/bin/bash
# Installs what Ludivar needs on a fresh Debian (12, 13) or Ubuntu (24.04) machine.
#   bash .ci/deps.sh        building, running and testing (./test.sh, CI)
#   bash .ci/deps.sh run    only building and running the program (./run.sh)
# Packages whose names differ between releases are chosen by asking apt which exists.
set -e
MODE="${1:-all}"
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
updated=0
apt_update() { [ "$updated" = 1 ] && return; $SUDO apt-get update -qq; updated=1; }
known() { [ -n "$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: //p' | grep -v '(none)')" ]; }
# The first of the names that apt knows (after refreshing its lists once if none is known).
pick() {
  local p
  for p in "$@"; do dpkg -s "$p" >/dev/null 2>&1 && { echo "$p"; return; }; done
  for p in "$@"; do known "$p" && { echo "$p"; return; }; done
  apt_update >&2
  for p in "$@"; do known "$p" && { echo "$p"; return; }; done
  echo "$1"  # apt-get then says clearly what is missing
}
# The sanitizer run needs the runtime of the release's default clang.
clang_rt() {
  local v
  v=$(dpkg-query -W -f='${Depends}' clang 2>/dev/null | sed -n 's/^clang-\([0-9][0-9]*\).*/\1/p')
  [ -n "$v" ] || v=$(apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -1)
  pick ${v:+libclang-rt-$v-dev} libclang-rt-dev libclang-rt-19-dev libclang-rt-18-dev libclang-rt-14-dev
}

JPEG=$(pick libjpeg62-turbo-dev libjpeg-turbo8-dev libjpeg-dev)
# Building and running the program (its voice is rendered at build time with espeak-ng).
PKGS="build-essential cmake pkg-config libsdl2-dev libsdl2-ttf-dev $JPEG libespeak-ng-dev espeak-ng-data \
 libmpv-dev fonts-dejavu-core fonts-liberation fontconfig libfontconfig1-dev libpng-dev wbrazilian"
# Only the tests, the sanitizer run and the package check.
TEST_PKGS="libgtest-dev googletest espeak-ng xvfb xauth xdotool file clang $(clang_rt) lua5.4 python3"

PKGS="$PKGS libx11-dev libxtst-dev libatspi2.0-dev"  # desktop and accessibility commands (X11, XTest, AT-SPI)
# Their tests: a window manager, the accessibility bus and a small GTK program under Xvfb.
TEST_PKGS="$TEST_PKGS at-spi2-core dbus-daemon libgtk-3-dev openbox x11-xkb-utils xkb-data"
PKGS="$PKGS libbrlapi-dev libspeechd-dev"  # the Braille display output; speech-dispatcher's client
PKGS="$PKGS liblouis-dev liblouis-data"  # the display's literary braille (Portuguese grade 1 table)
PKGS="$PKGS libsamplerate0-dev"  # band-limited resampling of sounds to the device rate
PKGS="$PKGS libarchive-dev"  # installing a game that comes as a .zip
PKGS="$PKGS libatk1.0-dev libatk-bridge2.0-dev"  # the window's own text on the accessibility bus
PKGS="$PKGS libncurses-dev"  # terminfo: how many colours the terminal has
# The terminal's tests run in tmux; the window's tests read its geometry back from X.
TEST_PKGS="$TEST_PKGS tmux x11-utils"
# A real speech-dispatcher on a PulseAudio null sink for the system voices' tests.
TEST_PKGS="$TEST_PKGS speech-dispatcher speech-dispatcher-espeak-ng pulseaudio pulseaudio-utils"
TEST_PKGS="$TEST_PKGS brltty"  # the Braille output's test plays a display through brltty's virtual driver
TEST_PKGS="$TEST_PKGS chromium"  # the exported web page's test in a browser
# The package's linters and the manual's renderer (the package test and CI).
TEST_PKGS="$TEST_PKGS lintian appstream desktop-file-utils man-db groff-base"
# Node.js may come from elsewhere than Debian (its npm then ships inside it): ask apt only when none is there.
command -v npm >/dev/null || TEST_PKGS="$TEST_PKGS nodejs npm"

[ "$MODE" = run ] || PKGS="$PKGS $TEST_PKGS"
missing=""
for p in $PKGS; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
  echo "Instalando:$missing"
  apt_update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi
# The web page's test drives Chromium through puppeteer-core (tests/web/package-lock.json).
WEB="$(cd "$(dirname "$0")/.." && pwd)/tests/web"
if [ "$MODE" != run ] && [ ! -d "$WEB/node_modules" ]; then (cd "$WEB" && npm ci --no-audit --no-fund); fi
