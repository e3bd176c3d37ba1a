#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, once.
set -euo pipefail
need=()
# Building and the unit tests; the install and package check; the desktop
# suite (a private X server, a window manager, X input and screenshots; the
# desktops it tries: an XEmbed tray, a StatusNotifierItem tray on a session
# bus, the Xfce and LXQt panels, xfwm4, weston with Qt's Wayland platform
# and with XWayland; the X requests counted through a tracing proxy; the
# accessibility bus, its Python client and Orca for the screen reader's
# view); the cards on a JACK server and its tests (a private server on the
# dummy driver, and PipeWire with WirePlumber and PipeWire's JACK library);
# control from outside over OSC (liblo) and its tests (oscsend, oscdump,
# gdbus).
for pkg in cmake g++ make clang-format libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev libxcb1-dev libxcb-xfixes0-dev fonts-liberation2 \
           dpkg-dev desktop-file-utils file \
           xvfb openbox xdotool x11-utils x11-apps imagemagick \
           lxpanel xfce4-panel lxqt-panel xtrace xfwm4 weston xwayland qt6-wayland haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils \
           dbus dbus-x11 at-spi2-core python3-pyatspi orca \
           jackd2 libjack-jackd2-dev pipewire pipewire-jack wireplumber \
           liblo-dev liblo-tools libglib2.0-bin; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  # No questions (jackd2 asks about real-time priority): through sudo too,
  # which would drop the variable from the environment.
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi
