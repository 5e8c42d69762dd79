#!/usr/bin/env bash
# Sets up, builds and runs orbel's main job. Arguments go to the program
# (default: "now", the current Orithaven time).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh >&2
cmake --preset default >/dev/null
cmake --build --preset default --target orbel-cli >&2
[ $# -gt 0 ] || set -- now
exec build/default/cli/orbel-cli "$@"
