#!/usr/bin/env bash
# Runs a command against a freshly started local service and stops the
# service when the command ends:
#   service/with-service.sh [LAUNCHER OPTIONS] -- COMMAND [ARGS...]
# e.g. service/with-service.sh -- build/bin/nuvoxa
# The command gets NUVOXA_CLOUD_HOST, NUVOXA_WEB_HOST, NUVOXA_SIP_HOST,
# NUVOXA_DB, NUVOXA_DEMO, NUVOXA_UPDATE_PUBKEY and, when the service started its own PulseAudio,
# PULSE_SERVER; in the default (secure) mode also NUVOXA_CA_FILE. The build folder is $NUVOXA_BUILD_DIR (default <repo>/build).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${NUVOXA_BUILD_DIR:-$here/../build}

opts=()
state=$build/service-state
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  [ "$1" = --state ] && [ $# -ge 2 ] && state=$2
  opts+=("$1")
  shift
done
if [ $# -lt 2 ]; then
  echo "usage: with-service.sh [LAUNCHER OPTIONS] -- COMMAND [ARGS...]" >&2
  exit 2
fi
shift
mkdir -p "$state" || exit 1
out=$state/launcher.out
: >"$out"

# The launcher gets the default SIGINT back (a background job has it
# ignored); it is stopped by PID below either way.
env --default-signal=INT "$here/launch.sh" "${opts[@]}" </dev/null >"$out" 2>&1 &
launcher=$!
stop() {
  trap - EXIT INT TERM HUP
  kill -TERM "$launcher" 2>/dev/null
  wait "$launcher" 2>/dev/null
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

for _ in $(seq 1 300); do
  grep -q '^NUVOXA_SERVICE ' "$out" && [ -r "$state/stack.env" ] && break
  if ! kill -0 "$launcher" 2>/dev/null; then
    cat "$out" >&2
    echo "with-service.sh: the service did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if ! grep -q '^NUVOXA_SERVICE ' "$out"; then
  cat "$out" >&2
  echo "with-service.sh: the service did not answer within 30 s" >&2
  exit 1
fi
grep -v '^Press Ctrl' "$out"

while IFS= read -r line; do
  case "$line" in
    NUVOXA_CLOUD_HOST=*|NUVOXA_WEB_HOST=*|NUVOXA_SIP_HOST=*|NUVOXA_DB=*|NUVOXA_DEMO=*|NUVOXA_UPDATE_PUBKEY=*|PULSE_SERVER=*)
      export "${line%%=*}=${line#*=}" ;;
    # The service's own certificate authority, which its TLS SIP address needs.
    NUVOXA_CA_FILE=*) export "${line%%=*}=${line#*=}" ;;
  esac
done <"$state/stack.env"

"$@"
rc=$?
stop
exit $rc
