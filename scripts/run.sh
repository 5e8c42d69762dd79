#!/usr/bin/env bash
# Sets up, builds and starts orbel, the tray program; it needs a desktop
# session (an X11 or Wayland display, ideally with a notification area).
# With arguments it builds and runs the command line instead, e.g.
# `./scripts/run.sh now` (see README.md).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh >&2
cmake --preset default >/dev/null
if [ $# -gt 0 ]; then
  cmake --build --preset default --target orbel-cli >&2
  exec build/default/cli/orbel-cli "$@"
fi
cmake --build --preset default --target orbel orbel-cli >&2
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # Without a desktop there is no tray to live in: show what it would show.
  echo "run.sh: no desktop display (DISPLAY or WAYLAND_DISPLAY) for orbel;" \
       "here is the current Orithaven time from orbel-cli instead" >&2
  exec build/default/cli/orbel-cli now
fi
exec build/default/ports/qt/orbel
