#!/usr/bin/env bash
# Installs the Debian packages orbel needs to build and test, only when one
# is missing (so a warm machine does not touch apt at all).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config tzdata locales
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  # orbel-cli's calendar file and JSON read back by real parsers (cli_ics_json)
  python3 python3-icalendar python3-jsonschema
  # the desktop program: Qt 6 Widgets and D-Bus, X11, sound, Japanese fonts
  qt6-base-dev libxcb1-dev libx11-dev libcanberra-dev fonts-noto-cjk
  # its end-to-end test: an X server, a tray host, input and screenshots;
  # a private session bus with a StatusNotifierItem host in Python
  xvfb trayer xdotool x11-utils imagemagick dbus-daemon python3-dbus python3-gi
  # the Debian package: dpkg-shlibdeps for its Depends, and its check
  dpkg-dev file man-db
  # the Windows program: MinGW-w64 (posix threads), GoogleTest's sources for
  # the cross build, Wine to run it (64-bit only), its icon and zip tools
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest
  wine64 wine icoutils zip
)
# The fuzz targets (scripts/fuzz.sh, "deps.sh fuzz"): clang with libFuzzer
# and its sanitizer runtimes, the symbolizer for readable reports, python3
# for the CP932 compiler launcher. Asked for only there, so the test
# command never waits for them.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev llvm-14 python3)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows tests run Wine under ja_JP.UTF-8, which gives Windows programs
# code page 932; Wine falls back to another code page without the locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "deps: generating the ja_JP.UTF-8 locale"
  if grep -q '^# *ja_JP\.UTF-8 UTF-8' /etc/locale.gen; then
    "${sudo_cmd[@]}" sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
