#!/usr/bin/env bash
# Sets up, builds and runs every test. Arguments name CMake presets to run
# in turn (default: "default"; others: asan, tsan).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default)

status=0
for preset in "${presets[@]}"; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: test"
  if ! ctest --preset "$preset"; then status=1; fi
done
exit $status
