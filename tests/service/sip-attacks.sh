#!/usr/bin/env bash
# Attacks on the stack's proxy and gateways, replayed with SIPp; each must
# meet its refusal. The flood and the failed passwords come from addresses
# of their own (the whole of 127/8 is loopback), so that their bans leave
# the other tests' clients on 127.0.0.1 alone; a registration from yet
# another address then shows that the ban is the address's, not an outage.
set -u
here=$(cd "$(dirname "$0")" && pwd)
sip=$here/sip
account=${NUVOXA_DEMO%%:*}
password=${NUVOXA_DEMO#*:}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# sipp_from ADDRESS TARGET SCENARIO [SIPP OPTIONS...]: one SIPp run from
# ADDRESS; its status, its messages in $work/messages.
sipp_from() {
  local address=$1 target=$2 scenario=$3 ports
  shift 3
  ports=($("$NUVOXA_BIN_DIR/nuvoxa-service" free-ports 2 --span 4)) || return 1
  timeout 60 sipp "$target" -sf "$sip/$scenario" -i "$address" -p "${ports[0]}" -mi "$address" \
    -mp "${ports[1]}" -ci "$address" -nostdin -nd -timeout 30s -timeout_error -recv_timeout 3000 \
    -trace_msg -message_file "$work/messages" "$@" >/dev/null 2>"$work/stderr"
}

# expect WHAT COMMAND...: the command (a SIPp run that passes only when the
# refusal came) must succeed.
expect() {
  local what=$1
  shift
  rm -f "$work/messages"
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    cat "$work/stderr" "$work/messages" 2>/dev/null | tail -n 60
    failed=1
  fi
}

proxy=$NUVOXA_SIP_HOST
victim=7$(date +%s%N | tail -c 10)
"$NUVOXA_BIN_DIR/nuvoxa-service" --db "$NUVOXA_DB" add-account "$victim" victim-pw >/dev/null || exit 1

# 1. A call to a gateway as an in-dialog request of no dialog: 481, not relayed.
expect "in-dialog request without a dialog: 481" \
  sipp_from 127.0.0.1 "$proxy" attack-in-dialog.xml -s 4860001111 -key gateway "$NUVOXA_GW_ECHO" -m 1

# 2. Credentials captured from a call, replayed under a new Call-ID: 407.
if sipp_from 127.0.0.1 "$proxy" uac-call-busy.xml -s 4860001111 -au "$account" -ap "$password" \
     -key user "$account" -m 1; then
  captured=$(sed -n 's/^Proxy-Authorization: *//p' "$work/messages" | head -n 1 | tr -d '\r')
  [ -n "$captured" ] || captured="no credentials were sent"
  expect "replayed credentials: 407" sipp_from 127.0.0.1 "$proxy" attack-replay.xml -s 4860001111 \
    -key user "$account" -key captured "$captured" -m 1
else
  expect "replayed credentials: the call to capture them" false
fi

# 3. A call straight to a gateway, without the proxy's key: 403.
expect "call past the proxy to a gateway: 403" \
  sipp_from 127.0.0.1 "$NUVOXA_GW_ECHO" attack-gateway.xml -s 4460001111 -m 1

# 4. A flood of 3000 requests in about 2 s bans its address (answered
# OPTIONS fail the run, so its status does not count).
sipp_from 127.0.0.2 "$proxy" options.xml -r 1500 -m 3000 -l 3000
expect "flood: its address gets no answer" sipp_from 127.0.0.2 "$proxy" options.xml -m 1
expect "flood: another address still registers" sipp_from 127.0.0.4 "$proxy" uac-register.xml \
  -au "$victim" -ap victim-pw -key user "$victim" -m 1

# 5. Ten wrong passwords (the launcher's limit) ban the address: whatever it
# sends next, the right password too, gets no answer.
sipp_from 127.0.0.3 "$proxy" uac-register-wrong.xml -au "$victim" -ap not-victim-pw -key user "$victim" \
  -m 10 -l 1
expect "failed passwords: the address gets no answer" sipp_from 127.0.0.3 "$proxy" options.xml -m 1
expect "failed passwords: the account still registers from elsewhere" sipp_from 127.0.0.5 "$proxy" \
  uac-register.xml -au "$victim" -ap victim-pw -key user "$victim" -m 1

# 6. A subscriber whose name would end the billing query's string and
# select a free rate of its own (Kamailio's sql.val escapes the quote with
# a backslash, which the databases read as a plain character). add-account
# and registration refuse such names; this one is written straight into
# the subscriber table, as an operator's import might. Refused (403) before
# the query; without the check the busy gateway would answer (486).
sql() {  # the stack's database, SQLite or PostgreSQL (its password file is in the environment)
  case $NUVOXA_DB in
    postgres*) psql -X -q -A -t -v ON_ERROR_STOP=1 -d "$NUVOXA_DB" -c "$1" ;;
    *) sqlite3 "$NUVOXA_DB" "$1" ;;
  esac
}
name="x'UNION/**/SELECT/**/0,720--"
realm=$(sql "SELECT domain FROM subscriber WHERE username = '$account'")
ha1=$(printf '%s:%s:%s' "$name" "$realm" injected-pw | md5sum | cut -c1-32)
sql "INSERT INTO subscriber (username, domain, ha1) VALUES ('${name//\'/\'\'}', '$realm', '$ha1')" || failed=1
injected_call() {
  sipp_from 127.0.0.1 "$proxy" uac-call-busy.xml -s 4860001111 -au "$name" -ap injected-pw -key user "$name" -m 1
  grep -q "^SIP/2.0 403" "$work/messages"
}
expect "an account name that ends the billing query's string: 403" injected_call
exit $failed
