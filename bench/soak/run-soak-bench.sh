#!/usr/bin/env bash
# Starts the local service stack on free ports, runs soak_bench against it
# and prints its table. run-soak-bench.sh [BUILD_DIR] [CALLS]
set -u
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${1:-$REPO/build}" && pwd)
CALLS=${2:-200}
BENCH=$BUILD/bin/soak_bench
[ -x "$BENCH" ] || { echo "run-soak-bench.sh: $BENCH not built (target soak_bench)" >&2; exit 1; }

work=$(mktemp -d /tmp/soak-bench.XXXXXX)
state=$work/stack
mkdir -p "$state" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
NUVOXA_BUILD_DIR=$BUILD setsid "$REPO/service/launch.sh" --free-ports --private-pulse \
  --state "$state" --max-time 900 </dev/null >"$work/launcher.out" 2>&1 &
launcher=$!
cleanup() {
  # The launcher stops everything it started when it gets TERM.
  kill -TERM "$launcher" 2>/dev/null
  for _ in $(seq 1 100); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.1; done
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 1 300); do
  [ -r "$state/stack.env" ] && grep -q '^NUVOXA_SERVICE ' "$work/launcher.out" && break
  kill -0 "$launcher" 2>/dev/null || { cat "$work/launcher.out" >&2; exit 1; }
  sleep 0.1
done
[ -r "$state/stack.env" ] || { echo "run-soak-bench.sh: the stack did not come up" >&2; exit 1; }
while IFS= read -r line; do
  case "$line" in [A-Za-z_]*=*) export "${line%%=*}=${line#*=}" ;; esac
done <"$state/stack.env"
export NUVOXA_DATA_DIR=$work/data XDG_RUNTIME_DIR=$work/runtime
"$BENCH" "$CALLS"
