#!/usr/bin/env bash
# Replays and fuzzes the fuzz targets built in a fuzz build folder.
#   fuzz/fuzz.sh BUILD_DIR [SECONDS]
# 1. writes the seeds with the project's own writers (BUILD_DIR/fuzz-seeds),
# 2. replays every seed, the distilled corpus of the long runs (fuzz/corpus/<target>)
#    and every kept regression input of each target,
# 3. fuzzes each target for SECONDS (default 60), the targets side by side, each
#    from its working corpus BUILD_DIR/fuzz-corpus/<target>.
# A crash, a hang (10 s for one input) or a run out of memory fails the script;
# libFuzzer leaves the input in fuzz/regressions/<target>/, which step 2 replays
# from then on. Commit it with the fix.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: fuzz/fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
targets=(datagram filestream logread)
# Longest input of each target, in the order of targets.
max_len=(2048 4096 8192)

export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=10:quarantine_size_mb=64:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
common=(-timeout=10 -rss_limit_mb=2048 -report_slow_units=100000)

show_kept() {
  local dir=$1 file
  for file in "$dir"/crash-* "$dir"/timeout-* "$dir"/oom-* "$dir"/leak-*; do
    [ -f "$file" ] || continue
    echo "kept as a regression input: $file (base64 below)"
    base64 -w 0 "$file"
    echo
  done
}

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/bin/fuzz_seeds" "$seeds"

for t in "${targets[@]}"; do
  inputs=("$seeds/$t"/*)
  for kept in "fuzz/corpus/$t" "fuzz/regressions/$t"; do
    [ -d "$kept" ] || continue
    while IFS= read -r -d '' f; do inputs+=("$f"); done < <(find "$kept" -type f -print0)
  done
  log="$build/fuzz-replay-$t.log"
  if ! "$build/bin/fuzz_$t" "${common[@]}" "${inputs[@]}" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz $t: a seed or regression input fails" >&2
    exit 1
  fi
  echo "fuzz $t: ${#inputs[@]} seeds, corpus and regression inputs replayed"
done

pids=()
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  corpus="$build/fuzz-corpus/$t"
  mkdir -p "$corpus" "fuzz/regressions/$t"
  from=("$corpus" "$seeds/$t")
  [ -d "fuzz/corpus/$t" ] && from+=("fuzz/corpus/$t")
  "$build/bin/fuzz_$t" "${common[@]}" -max_len="${max_len[$i]}" -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="fuzz/regressions/$t/" "${from[@]}" \
    >"$build/fuzz-$t.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  log="$build/fuzz-$t.log"
  if wait "${pids[$i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    echo "fuzz $t: ${runs:-?} inputs in ${seconds} s, $cov, nothing found"
  else
    grep -E '^(==|SUMMARY|    #)' "$log" | head -n 60 >&2 || tail -n 60 "$log" >&2
    echo "fuzz $t: found a fault (log: $log)" >&2
    show_kept "fuzz/regressions/$t" >&2
    failed=1
  fi
done
# An empty folder of regressions is not kept by git; leave none behind.
rmdir fuzz/regressions/* 2>/dev/null || true
exit $failed
