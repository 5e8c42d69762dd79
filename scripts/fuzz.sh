#!/usr/bin/env bash
# Builds the libFuzzer targets (cmake --preset fuzz, in build/fuzz) and runs
# each for a bounded time: scripts/fuzz.sh [seconds per target, default 60].
# Two targets run at a time (one per core). Each starts from its seeds in
# fuzz/corpus/<target>/ plus what earlier runs on this machine found
# (build/fuzz/runs/<target>/corpus; the seeds are never written). Prints
# each target's executions and the total; fails when any target found a
# crash, a leak, a sanitizer report, a failed check or a slow input, and
# names the file holding that input; build/fuzz/fuzz/fuzz_<target> FILE
# runs that input alone.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/deps.sh fuzz

echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# Inputs longer than these reach nothing new: a TIME is 25 bytes, a command
# line a few dozen, the format target reads 256 bytes of format.
targets=(ini:2048 format:300 timearg:64 cli:256)
runs=build/fuzz/runs
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export UBSAN_OPTIONS=print_stacktrace=1

fuzz_one() {
  local name=$1 maxlen=$2 dir=$runs/$1
  rm -rf "$dir/findings"
  mkdir -p "$dir/corpus" "$dir/findings"
  "build/fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/findings/" \
    "$dir/corpus" "fuzz/corpus/$name" >"$dir/log" 2>&1
}

echo "== fuzz: ${seconds} s per target"
pids=()
for t in "${targets[@]}"; do
  fuzz_one "${t%%:*}" "${t##*:}" &
  pids+=($!)
  if [ ${#pids[@]} -eq 2 ]; then
    wait "${pids[0]}" || true
    pids=("${pids[1]}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || true; done

status=0
total=0
for t in "${targets[@]}"; do
  name=${t%%:*}
  dir=$runs/$name
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
  findings=$(find "$dir/findings" -type f | sort)
  result=passed
  if [ -n "$findings" ] || ! grep -q '^Done [0-9]* runs' "$dir/log"; then
    result=FAILED
    status=1
  fi
  total=$((total + ${execs:-0}))
  printf '  %-8s %s, %s executions, corpus %s files\n' "$name" "$result" "${execs:-?}" \
    "$(find "$dir/corpus" -type f | wc -l)"
  if [ "$result" = FAILED ]; then
    tail -n 60 "$dir/log" | sed 's/^/    | /'
    [ -z "$findings" ] || printf '    input: %s\n' $findings
  fi
done
echo "  total    $total executions in ${seconds} s per target"
exit $status
