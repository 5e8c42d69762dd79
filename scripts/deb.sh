#!/usr/bin/env bash
# Builds the Debian package orbel_<version>_amd64.deb and prints its path.
# Without an argument: a build of its own (build/deb, no tests) configured
# for /usr. With a build folder (the CI's build/default): that build,
# reconfigured for /usr, packaged as it stands.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ]; then
  bash scripts/deps.sh
  dir=build/deb
  cmake --preset default -B "$dir" -DORBEL_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
else
  dir=$1
  cmake -DCMAKE_INSTALL_PREFIX=/usr "$dir" >/dev/null
fi
cmake --build "$dir" -j2
rm -f "$dir"/orbel_*.deb
# cpack talks on stderr too; its words matter only when it fails.
(cd "$dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
ls "$dir"/orbel_*.deb
