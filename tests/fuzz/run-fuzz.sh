#!/usr/bin/env bash
# Runs the fuzz targets of a build folder (tests/fuzz/CMakeLists.txt).
#   run-fuzz.sh BUILD_DIR [SECONDS] [TARGET...]   fuzz each target SECONDS (default 30)
#   run-fuzz.sh --replay BUILD_DIR TARGET          run the seeds and regressions once
# Seeds live in corpus/<target>/ and are never modified; what a run finds goes
# to BUILD_DIR/fuzz-corpus/<target>/ and crashes to BUILD_DIR/fuzz-crashes/<target>/.
# A crash input, once fixed, is kept in regressions/<target>/.
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

replay=0
if [ "${1:-}" = "--replay" ]; then replay=1; shift; fi
build=$(cd "${1:?build folder}" && pwd); shift
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

inputs() {  # the seed and regression folders of a target that exist
  local t=$1 d
  for d in "$HERE/corpus/$t" "$HERE/regressions/$t"; do
    [ -d "$d" ] && echo "$d"
  done
  return 0
}

if [ $replay = 1 ]; then
  t=$1
  mapfile -t dirs < <(inputs "$t")
  exec "$build/bin/$t" -runs=0 "${dirs[@]}"
fi

seconds=${1:-30}; [ $# -gt 0 ] && shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$build"/bin/fuzz_*; do targets+=("$(basename "$f")"); done
fi

failed=()
for t in "${targets[@]}"; do
  work="$build/fuzz-corpus/$t" crashes="$build/fuzz-crashes/$t"
  mkdir -p "$work" "$crashes"
  mapfile -t dirs < <(inputs "$t")
  echo "== $t: ${seconds}s"
  # The run's own corpus comes first: new inputs are written there only.
  if ! "$build/bin/$t" -max_total_time="$seconds" -timeout=10 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "${dirs[@]}" \
        >"$build/fuzz-$t.log" 2>&1; then
    failed+=("$t")
    tail -n 40 "$build/fuzz-$t.log"
  else
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/fuzz-$t.log" | sed "s/^/   /"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "FUZZ FAILURES: ${failed[*]} (inputs in $build/fuzz-crashes/)"
  exit 1
fi
echo "== all fuzz targets passed"
