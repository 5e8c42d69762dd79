#!/usr/bin/env bash
# Sets up, builds and runs every test. Arguments name CMake presets to run
# in turn (default: "default"; others: asan, tsan, win64). win64 cross-builds
# the Windows program and runs its tests under Wine in the build folder's
# own prefix. Ends with one line per preset: its result and time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default)

# Ends the Wine processes of a build's own prefixes (the tests' and the
# end-to-end test's), and no others: a test that hung or was timed out, or
# a server still lingering from an earlier run.
stop_wine() {
  local reg
  [ -d "$1" ] || return 0
  while IFS= read -r reg; do
    WINEPREFIX=$(dirname "$reg") wineserver -k >/dev/null 2>&1 || true
  done < <(find "$1" -maxdepth 3 -name system.reg -path '*wineprefix/system.reg')
}

status=0
summary=()
for preset in "${presets[@]}"; do
  started=$SECONDS
  echo "== $preset: configure and build"
  result=passed
  if ! configured=$(cmake --preset "$preset"); then
    echo "$configured"
    result="FAILED to configure"
  fi
  dir=$(sed -n 's/^-- Build files have been written to: //p' <<<"$configured")
  [ -n "$dir" ] || dir=build/$preset
  stop_wine "$dir"
  if [ "$result" = passed ] && ! cmake --build --preset "$preset"; then
    result="FAILED to build"
  fi
  if [ "$result" = passed ]; then
    echo "== $preset: test"
    ctest --preset "$preset" || result="FAILED tests"
  fi
  stop_wine "$dir"
  [ "$result" = passed ] || status=1
  summary+=("$(printf '%-8s %s in %d s' "$preset" "$result" $((SECONDS - started)))")
done
echo "== summary"
printf '  %s\n' "${summary[@]}"
exit $status
