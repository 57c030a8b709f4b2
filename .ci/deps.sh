#!/bin/bash
# Installs every build and test dependency on a fresh Debian machine.
set -e
PKGS="build-essential cmake pkg-config libgtest-dev googletest libsdl2-dev libsdl2-ttf-dev libjpeg62-turbo-dev \
 libespeak-ng-dev espeak-ng espeak-ng-data libspeechd-dev libmpv-dev fonts-dejavu-core fonts-liberation \
 fontconfig libfontconfig1-dev libpng-dev xvfb xauth wbrazilian clang libclang-rt-14-dev lua5.4"
PKGS="$PKGS libbrlapi-dev brltty"  # the Braille display output and its test
PKGS="$PKGS chromium"  # the exported web page's test in a browser
# Node.js may come from elsewhere than Debian (its npm then ships inside it): ask apt only when none is there.
command -v npm >/dev/null || PKGS="$PKGS nodejs npm"
missing=""
for p in $PKGS; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi
