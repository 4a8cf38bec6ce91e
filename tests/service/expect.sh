# Sourced by the service's command tests: runs a command, and on an exit
# status other than the one expected prints both outputs and marks the run
# failed. Needs $work (a scratch folder) and sets failed=1.
expect() {  # expect STATUS COMMAND...
  local want=$1
  shift
  "$@" >"$work/out" 2>"$work/err"
  local rc=$?
  if [ $rc != "$want" ]; then
    echo "FAIL: $* -> status $rc, expected $want"
    cat "$work/out" "$work/err"
    failed=1
  fi
}
