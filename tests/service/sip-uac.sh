#!/usr/bin/env bash
# Runs one SIPp client scenario against the stack's proxy and reports
# whether it ended as the scenario expects.
#   sip-uac.sh SCENARIO NUMBER ACCOUNT PASSWORD [SIPP OPTIONS...]
# Needs NUVOXA_SIP_HOST and NUVOXA_BIN_DIR (for free ports); SIP_UAC_LIMIT
# bounds the run (seconds, default 40). The message trace is printed when the
# scenario fails.
set -u
scenario=$1 number=$2 account=$3 password=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ports=($("$NUVOXA_BIN_DIR/nuvoxa-service" free-ports 2 --span 4)) || exit 1
limit=${SIP_UAC_LIMIT:-40}
timeout "$limit" sipp "$NUVOXA_SIP_HOST" -sf "$scenario" -s "$number" -i 127.0.0.1 -p "${ports[0]}" \
  -mi 127.0.0.1 -mp "${ports[1]}" -ci 127.0.0.1 -au "$account" -ap "$password" \
  -key user "$account" "$@" -m 1 -nostdin -timeout "$((limit - 10))s" -timeout_error \
  -trace_msg -message_file "$work/messages" -trace_err -error_file "$work/errors" \
  >/dev/null 2>"$work/stderr"
rc=$?
if [ $rc != 0 ]; then
  echo "FAIL $(basename "$scenario") to $number (sipp status $rc)"
  cat "$work/stderr" "$work/errors" "$work/messages" 2>/dev/null
  exit 1
fi
echo "ok   $(basename "$scenario") to $number"
