#!/bin/bash
# Installs every build and test dependency on a fresh Debian machine.
set -e
PKGS="build-essential cmake pkg-config libgtest-dev googletest libsdl2-dev libsdl2-ttf-dev libjpeg62-turbo-dev \
 libespeak-ng-dev espeak-ng espeak-ng-data libspeechd-dev libmpv-dev fonts-dejavu-core fonts-liberation \
 fontconfig libfontconfig1-dev libpng-dev xvfb xauth wbrazilian clang libclang-rt-14-dev lua5.4"
PKGS="$PKGS libx11-dev libxtst-dev libatspi2.0-dev at-spi2-core dbus-daemon libgtk-3-dev openbox x11-xkb-utils xkb-data"  # desktop and accessibility commands and their tests
PKGS="$PKGS xdotool"  # the window front's stop-key test types Ctrl+Break through XTest
missing=""
for p in $PKGS; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi
