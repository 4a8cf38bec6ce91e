# Sourced by the benchmark scripts: starts the local service on free ports
# with a private PulseAudio and exports its addresses (NUVOXA_CLOUD_HOST,
# NUVOXA_SIP_HOST, NUVOXA_DEMO, PULSE_SERVER, ...).
#   bench_start_stack NAME MAX_SECONDS [LAUNCHER OPTIONS...]
# Needs REPO and BUILD; sets `work` (a scratch folder removed at exit) and
# `launcher`. A script that starts more defines bench_extra_cleanup.
bench_stop_stack() {
  declare -F bench_extra_cleanup >/dev/null && bench_extra_cleanup
  # The launcher stops everything it started when it gets TERM.
  kill -TERM "$launcher" 2>/dev/null
  for _ in $(seq 1 100); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.1; done
  rm -rf "$work"
}

bench_start_stack() {
  local name=$1 max=$2 state
  shift 2
  work=$(mktemp -d "/tmp/$name.XXXXXX")
  state=$work/stack
  mkdir -p "$state"
  NUVOXA_BUILD_DIR=$BUILD setsid "$REPO/service/launch.sh" --free-ports --private-pulse \
    --state "$state" --max-time "$max" "$@" </dev/null >"$work/launcher.out" 2>&1 &
  launcher=$!
  trap bench_stop_stack EXIT
  for _ in $(seq 1 300); do
    [ -r "$state/stack.env" ] && grep -q '^NUVOXA_SERVICE ' "$work/launcher.out" && break
    kill -0 "$launcher" 2>/dev/null || { cat "$work/launcher.out" >&2; exit 1; }
    sleep 0.1
  done
  [ -r "$state/stack.env" ] || { echo "$name: the stack did not come up" >&2; exit 1; }
  while IFS= read -r line; do
    case "$line" in [A-Za-z_]*=*) export "${line%%=*}=${line#*=}" ;; esac
  done <"$state/stack.env"
}
