#!/usr/bin/env bash
# Runs one test in a fresh private environment: runtime, data, config and
# home folders under the test's own scratch folder.
#
# The test runs in a session of its own. Whatever it started and left behind
# (a sound server, a peer) is killed when it ends: a test that halts early
# (a sanitizer report, a crash) must not leave a child holding CTest's output
# pipe open, which turns a clear failure into a timeout.
set -euo pipefail
scratch=$1; shift
rm -rf "$scratch"
mkdir -p "$scratch/runtime" "$scratch/data" "$scratch/config" "$scratch/home"
chmod 700 "$scratch/runtime"
export XDG_RUNTIME_DIR="$scratch/runtime"
export NUVOXA_DATA_DIR="$scratch/data"
export XDG_CONFIG_HOME="$scratch/config"
export XDG_DATA_HOME="$scratch/home/.local/share"
export HOME="$scratch/home"

# A background child of this (non-interactive) shell is no group leader, so
# setsid makes its own pid the session and group id without forking again.
setsid "$@" < /dev/null &
test_pid=$!
trap 'kill -TERM -- "-$test_pid" 2>/dev/null || true' TERM INT HUP
status=0
wait "$test_pid" || status=$?
# A signal interrupts wait; wait again for the test itself to end.
while kill -0 "$test_pid" 2>/dev/null; do
  wait "$test_pid" || status=$?
done
kill -KILL -- "-$test_pid" 2>/dev/null || true
exit "$status"
