#!/usr/bin/env bash
# Starts the local service stack on free ports, runs soak_bench against it
# and prints its table. run-soak-bench.sh [BUILD_DIR] [CALLS]
set -u
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${1:-$REPO/build}" && pwd)
CALLS=${2:-200}
BENCH=$BUILD/bin/soak_bench
[ -x "$BENCH" ] || { echo "run-soak-bench.sh: $BENCH not built (target soak_bench)" >&2; exit 1; }

. "$REPO/bench/stack.sh"
bench_start_stack soak-bench 900
mkdir -p "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
export NUVOXA_DATA_DIR=$work/data XDG_RUNTIME_DIR=$work/runtime
"$BENCH" "$CALLS"
