#!/usr/bin/env bash
# Test fixture: starts the service stack in the background on free ports and
# waits for its NUVOXA_SERVICE line. stack-start.sh LAUNCHER STATE_DIR
set -u
launcher=$1
state=$2
mkdir -p "$state"
if [ -r "$state/launcher.pid" ] && kill -0 "$(cat "$state/launcher.pid")" 2>/dev/null; then
  echo "stack-start.sh: stopping the stack left over from an earlier run"
  "$(dirname "$0")/stack-stop.sh" "$state"
fi
# Each run starts from a fresh database: earlier runs may have changed the
# demo account.
rm -f "$state/stack.env" "$state/launcher.pid" "$state"/nuvoxa.sqlite*
# Its own session, so the stack outlives this script; SIGINT restored so an
# interrupt reaches the launcher's handler. --max-time guards against a
# cleanup that never runs.
env --default-signal=INT setsid "$launcher" --free-ports --private-pulse --state "$state" \
  --max-time 3600 </dev/null >"$state/launcher.out" 2>&1 &
pid=$!
echo "$pid" >"$state/launcher.pid"
for _ in $(seq 1 300); do
  line=$(grep -m1 '^NUVOXA_SERVICE ' "$state/launcher.out" 2>/dev/null)
  if [ -n "$line" ] && [ -r "$state/stack.env" ]; then
    echo "$line"
    exit 0
  fi
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "stack-start.sh: the launcher stopped:" >&2
    cat "$state/launcher.out" >&2
    exit 1
  fi
  sleep 0.1
done
echo "stack-start.sh: no NUVOXA_SERVICE line after 30 s:" >&2
cat "$state/launcher.out" >&2
kill -TERM "$pid" 2>/dev/null
exit 1
