#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, once.
set -euo pipefail
need=()
# Building and the unit tests; the install and package check; the desktop
# suite (a private X server, a window manager, X input and screenshots; the
# accessibility bus and its Python client for the screen reader's view).
for pkg in cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev libxcb1-dev fonts-liberation2 \
           dpkg-dev desktop-file-utils file \
           xvfb openbox xdotool x11-utils x11-apps imagemagick \
           dbus dbus-x11 at-spi2-core python3-pyatspi; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
