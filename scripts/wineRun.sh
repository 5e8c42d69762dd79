#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine in a private prefix, with the
# Japanese code page (932) as the ANSI code page: wineRun.sh PREFIX PROGRAM
# [ARGS...]. The prefix is made on first use. Used as CMake's emulator for
# the win64 build, so ctest runs the Windows tests through it.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  # Two tests starting Wine at once must not both build the prefix.
  exec 9>"$prefix.lock"
  flock 9
  [ -f "$prefix/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
  flock -u 9
fi
exec wine "$@"
