#!/usr/bin/env bash
# Installs the Debian packages orbel needs to build and test, only when one
# is missing (so a warm machine does not touch apt at all).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config tzdata locales
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  # the desktop program: Qt 6 Widgets and D-Bus, X11, sound, Japanese fonts
  qt6-base-dev libxcb1-dev libcanberra-dev fonts-noto-cjk
  # its end-to-end test: an X server, a tray host, input and screenshots
  xvfb trayer xdotool x11-utils imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
