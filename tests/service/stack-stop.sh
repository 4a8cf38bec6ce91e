#!/usr/bin/env bash
# Test fixture: stops the stack that stack-start.sh started (by its PID) and
# checks that none of its processes is left. stack-stop.sh STATE_DIR
set -u
state=$1
[ -r "$state/launcher.pid" ] || exit 0
pid=$(cat "$state/launcher.pid")
pids=$(sed -n 's/^NUVOXA_SERVICE_PIDS=//p' "$state/stack.env" 2>/dev/null)
kill -TERM "$pid" 2>/dev/null
for _ in $(seq 1 150); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
rm -f "$state/launcher.pid"
left=""
for p in $pid $pids; do
  if kill -0 "$p" 2>/dev/null && [ "$(cut -d' ' -f3 "/proc/$p/stat" 2>/dev/null)" != Z ]; then
    left+=" $p"
    kill -KILL "$p" 2>/dev/null
  fi
done
if [ -n "$left" ]; then
  echo "stack-stop.sh: processes left after stopping the stack:$left" >&2
  exit 1
fi
echo "service stack stopped"
