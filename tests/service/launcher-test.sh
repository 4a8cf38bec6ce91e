#!/usr/bin/env bash
# The launcher brings the whole stack up within 5 seconds, and leaves no
# process behind when it or its process group is interrupted, terminated or
# killed, or when one of its parts dies.   launcher-test.sh LAUNCHER STATE_DIR
set -u
# The launcher's own default stack (SQLite), also when the tests around it
# run on PostgreSQL.
unset NUVOXA_DB_URL
launcher=$1
state=$2
rm -rf "$state"
mkdir -p "$state"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The --max-time of every start: its timer is found by this number.
max_time=$((100000 + $$))

# Processes of this stack: every part names the state folder on its
# command line, the --max-time timer its seconds, plus the PIDs the launcher
# listed.
stack_processes() {
  local f pid
  for f in $(grep -alF -e "$state/" -e "$max_time" /proc/[0-9]*/cmdline 2>/dev/null); do
    pid=${f//[^0-9]/}
    [ "$pid" != $$ ] && echo "$pid"
  done
  for pid in $PIDS; do
    [ -d "/proc/$pid" ] && [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" != Z ] && echo "$pid"
  done
}

start_stack() {  # start_stack [--plain]
  rm -f "$state/out"
  local t0=$(date +%s%N) hosts='https://127\.0\.0\.1:[0-9]*'
  [ "${1:-}" = --plain ] && hosts='127\.0\.0\.1:[0-9]*'
  env --default-signal=INT setsid "$launcher" --free-ports --private-pulse --state "$state" \
    --max-time "$max_time" "$@" \
    </dev/null >"$state/out" 2>&1 &
  LAUNCHER_PID=$!
  for _ in $(seq 1 300); do
    grep -q '^NUVOXA_SERVICE ' "$state/out" 2>/dev/null && break
    kill -0 $LAUNCHER_PID 2>/dev/null || break
    sleep 0.02
  done
  local ms=$(( ($(date +%s%N) - t0) / 1000000 ))
  if ! grep -q "^NUVOXA_SERVICE cloud=$hosts web=$hosts sip=127.0.0.1:[0-9]* db=/.*\.sqlite demo=[^:]*:.* update-key=[A-Za-z0-9+/=]\{56\} ca=$state/tls/ca.pem\$" "$state/out"; then
    fail "no NUVOXA_SERVICE line"
    cat "$state/out"
    kill -TERM "$LAUNCHER_PID" 2>/dev/null
    wait "$LAUNCHER_PID"
    return 1
  fi
  echo "stack up in $ms ms"
  [ $ms -lt 5000 ] || fail "start-up took $ms ms (limit 5000)"
  PIDS=$(sed -n 's/^NUVOXA_SERVICE_PIDS=//p' "$state/stack.env")
  [ "$(echo $PIDS | wc -w)" -ge 7 ] || fail "expected at least 7 processes, got: $PIDS"
}

expect_stopped() {  # expect_stopped WHAT EXPECTED_STATUS
  local rc
  for _ in $(seq 1 150); do
    kill -0 $LAUNCHER_PID 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 $LAUNCHER_PID 2>/dev/null; then
    fail "$1: launcher still running after 15 s"
    kill -KILL $LAUNCHER_PID
  fi
  wait $LAUNCHER_PID
  rc=$?
  [ "$rc" = "$2" ] || fail "$1: launcher exit status $rc, expected $2"
  local left
  left=$(stack_processes | sort -u | tr '\n' ' ')
  if [ -n "$left" ]; then
    fail "$1: processes left: $left"
    for p in $left; do tr '\0' ' ' <"/proc/$p/cmdline"; echo; kill -KILL "$p"; done
  fi
  [ ! -e "$state/stack.env" ] || fail "$1: stack.env left behind"
  echo "$1: stopped"
}

# Each way the launcher may be stopped, sent to it alone or to its whole
# process group (as a terminal's Ctrl+C, or a supervisor's kill, would):
# signal, target, launcher options, its exit status (none when killed).
while read -r signal target options status; do
  what="SIG$signal to the $target"
  [ "$options" = - ] && options=""
  start_stack $options || continue
  victim=$LAUNCHER_PID
  [ "$target" = group ] && victim=-$LAUNCHER_PID
  kill -"$signal" -- "$victim"
  if [ "$status" != - ]; then
    expect_stopped "$what" "$status"
    continue
  fi
  # Killed outright: the watchdog stops the parts, then lets go of the
  # state folder's lock.
  wait $LAUNCHER_PID 2>/dev/null
  for _ in $(seq 1 100); do
    [ -z "$(stack_processes)" ] && flock -n "$state/launcher.lock" true && break
    sleep 0.1
  done
  flock -n "$state/launcher.lock" true || fail "$what: the state folder is still locked"
  left=$(stack_processes | sort -u | tr '\n' ' ')
  if [ -n "$left" ]; then
    fail "$what: processes left after 10 s: $left"
    for p in $left; do kill -KILL "$p" 2>/dev/null; done
  else
    echo "$what: parts stopped by the watchdog"
  fi
done <<'KILLS'
INT launcher - 130
INT group - 130
TERM launcher --plain 143
TERM group - 143
KILL launcher - -
KILL group --plain -
KILLS
# A part that dies takes the whole stack down.
if start_stack; then
  kamailio_pid=$(echo $PIDS | cut -d' ' -f3)
  kill -KILL "$kamailio_pid"
  expect_stopped "a dead part" 1
  grep -q "stopped unexpectedly" "$state/out" || fail "no message about the dead part"
fi
# with-service.sh: the command sees the addresses, its status comes back,
# and the service is gone afterwards.
PIDS=""
out=$(env --default-signal=INT "$(dirname "$launcher")/with-service.sh" --free-ports --private-pulse \
  --state "$state" -- bash -c 'echo "cloud=$NUVOXA_CLOUD_HOST pulse=$PULSE_SERVER"; exit 7' 2>&1)
rc=$?
[ $rc = 7 ] || fail "with-service.sh: status $rc, expected 7"
grep -q '^cloud=https://127.0.0.1:[0-9]* pulse=unix:' <<<"$out" || fail "with-service.sh: no addresses: $out"
left=$(stack_processes | sort -u | tr '\n' ' ')
[ -z "$left" ] || fail "with-service.sh: processes left: $left"
echo "with-service.sh: done"
exit $failed
