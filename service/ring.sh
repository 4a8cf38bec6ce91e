#!/usr/bin/env bash
# Rings a subscriber of the running local service: a SIPp caller
# (service/sipp/caller.xml) calls ACCOUNT, plays a tone when answered and
# hangs up after 8 s, or gives up after 20 s of ringing. Prints how the call
# ended: answered, hung-up-by-callee, busy, declined, cancelled or failed.
set -u

usage() {
  cat <<'EOF'
usage: service/ring.sh [--state DIR] [--from NUMBER] [--name TEXT] ACCOUNT

  --state DIR     the service's runtime folder (default: $NUVOXA_BUILD_DIR/service-state);
                  not needed when NUVOXA_SIP_HOST and NUVOXA_DB are set
  --from NUMBER   the caller's number (default 13900139000); it becomes a
                  subscriber of the service, as only subscribers place calls
  --name TEXT     the caller's display name (default: none)

Exit status 0 when the call took place (whatever its outcome), 1 otherwise.
EOF
}

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${NUVOXA_BUILD_DIR:-$REPO/build}
STATE=""
FROM=13900139000
NAME=""
ACCOUNT=""
while [ $# -gt 0 ]; do
  case "$1" in
    --state) [ $# -ge 2 ] || { usage >&2; exit 2; }; STATE=$2; shift ;;
    --from) [ $# -ge 2 ] || { usage >&2; exit 2; }; FROM=$2; shift ;;
    --name) [ $# -ge 2 ] || { usage >&2; exit 2; }; NAME=$2; shift ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "ring.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    *) ACCOUNT=$1 ;;
  esac
  shift
done
[[ $ACCOUNT =~ ^[A-Za-z0-9._-]+$ ]] || { echo "ring.sh: ACCOUNT must be an account name" >&2; exit 2; }
[[ $FROM =~ ^[0-9]+$ ]] || { echo "ring.sh: --from must be a number" >&2; exit 2; }
# The name goes into a SIP header between quotes; other bytes are left to
# the subscriber to cope with.
case "$NAME" in
  *[\"\\$'\r\n']*) echo "ring.sh: --name must not hold quotes, backslashes or line breaks" >&2; exit 2 ;;
esac

if [ -z "${NUVOXA_SIP_HOST:-}" ] || [ -z "${NUVOXA_DB:-}" ]; then
  env_file=${STATE:-$BUILD/service-state}/stack.env
  [ -r "$env_file" ] || { echo "ring.sh: $env_file is missing: is the service running (./dev service)?" >&2; exit 1; }
  while IFS= read -r line; do
    case "$line" in
      NUVOXA_SIP_HOST=*|NUVOXA_DB=*|NUVOXA_BIN_DIR=*) export "${line%%=*}=${line#*=}" ;;
    esac
  done <"$env_file"
fi
BIN=${NUVOXA_BIN_DIR:-$BUILD/bin}/nuvoxa-service
PASSWORD=caller-$FROM

"$BIN" --db "$NUVOXA_DB" add-account "$FROM" "$PASSWORD" >/dev/null 2>&1
rc=$?
[ $rc = 0 ] || [ $rc = 3 ] || { echo "ring.sh: cannot create the caller $FROM" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The scenario plays caller-tone.ul from its working folder: 440 Hz, mu-law.
sox -n -r 8000 -c 1 -t ul "$work/caller-tone.ul" synth 30 sine 440 vol 0.5 || exit 1
ports=($("$BIN" free-ports 2 --span 4)) || exit 1
(cd "$work" && timeout 60 sipp "$NUVOXA_SIP_HOST" -sf "$REPO/service/sipp/caller.xml" -s "$ACCOUNT" \
  -i 127.0.0.1 -p "${ports[0]}" -mi 127.0.0.1 -mp "${ports[1]}" -ci 127.0.0.1 \
  -au "$FROM" -ap "$PASSWORD" -key user "$FROM" -key name "$NAME" -m 1 -nostdin \
  -trace_logs -log_file "$work/outcome.log" -trace_err -error_file "$work/errors" >/dev/null 2>"$work/stderr")
outcome=$(grep -o 'outcome [a-z-]*' "$work/outcome.log" 2>/dev/null | tail -n 1 | cut -d' ' -f2)
if [ -z "$outcome" ]; then
  echo failed
  cat "$work/stderr" "$work/errors" >&2 2>/dev/null
  exit 1
fi
echo "$outcome"
