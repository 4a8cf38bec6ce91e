#!/usr/bin/env bash
# Starts the local service stack on free ports, runs voice_bench against it
# and prints its table. run-voice-bench.sh [BUILD_DIR] [CALLS] [IDLE_SECONDS]
# VOICE_BENCH_PLAIN=1: the stack with plain HTTP and UDP signalling, whose SIP
# the benchmark reads on the wire as root (the call set-up rows).
set -u
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${1:-$REPO/build}" && pwd)
CALLS=${2:-5}
IDLE=${3:-10}
BENCH=$BUILD/bin/voice_bench
[ -x "$BENCH" ] || { echo "run-voice-bench.sh: $BENCH not built (target voice_bench)" >&2; exit 1; }

. "$REPO/bench/stack.sh"
if [ "${VOICE_BENCH_PLAIN:-0}" = 1 ]; then
  bench_start_stack voice-bench 300 --plain
  unset NUVOXA_SIP_TLS_HOST
else
  bench_start_stack voice-bench 300
fi
mkdir -p "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
export NUVOXA_DATA_DIR=$work/data XDG_RUNTIME_DIR=$work/runtime
"$BENCH" "$CALLS" "$IDLE"
