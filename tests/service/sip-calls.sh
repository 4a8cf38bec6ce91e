#!/usr/bin/env bash
# Registration and calls through the stack's proxy to each gateway, with
# digest authentication, checking each final response.
set -u
here=$(cd "$(dirname "$0")" && pwd)
sip=$here/sip
account=${NUVOXA_DEMO%%:*}
password=${NUVOXA_DEMO#*:}
failed=0
check() { "$here/sip-uac.sh" "$@" || failed=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The answered call again with an offer that has no telephone-event
# payload: the echo gateway answers without one and still takes the BYE.
sed -e '/telephone-event/d' -e 's/ 101$//' -e 's#RTP/AVP 18 101#RTP/AVP 18#' \
  "$sip/uac-call-answered.xml" >"$work/uac-call-nodtmf.xml"

check "$sip/uac-register.xml" "$account" "$account" "$password"
check "$sip/uac-register-wrong.xml" "$account" "$account" "not-$password"
# The calls run side by side: the gateways take several at once.
uac=$here/sip-uac.sh
"$uac" "$sip/uac-call-answered.xml" 13800138000 "$account" "$password" &
"$uac" "$sip/uac-call-answered.xml" 10000000000 "$account" "$password" &
"$uac" "$work/uac-call-nodtmf.xml" 13800138000 "$account" "$password" &
"$uac" "$sip/uac-call-busy.xml" 4860001111 "$account" "$password" &
"$uac" "$sip/uac-call-nocodec.xml" 13800138000 "$account" "$password" &
"$uac" "$sip/uac-call-noanswer.xml" 4080001111 "$account" "$password" &
"$uac" "$sip/uac-call-hangup.xml" 4870001111 "$account" "$password" &
for job in $(jobs -p); do
  wait "$job" || failed=1
done

# A number that is a registered subscriber's account rings that subscriber
# (a SIPp answering on the contact it registered), not a gateway.
subscriber=7$(date +%s%N | tail -c 10)
"$NUVOXA_BIN_DIR/nuvoxa-service" --db "$NUVOXA_DB" add-account "$subscriber" phone-pw >/dev/null || failed=1
ports=($("$NUVOXA_BIN_DIR/nuvoxa-service" free-ports 2 --span 4)) || exit 1
timeout 40 sipp -sf "$sip/uas-subscriber.xml" -i 127.0.0.1 -p "${ports[0]}" -mi 127.0.0.1 \
  -mp "${ports[1]}" -m 1 -nostdin -timeout 30s -timeout_error -trace_msg -message_file "$work/messages" \
  >/dev/null 2>"$work/stderr" &
phone=$!
check "$sip/uac-register-contact.xml" "$subscriber" "$subscriber" phone-pw -set contact_port "${ports[0]}"
check "$sip/uac-call-answered.xml" "$subscriber" "$account" "$password"
if wait "$phone"; then
  echo "ok   uas-subscriber.xml answered $subscriber"
else
  echo "FAIL uas-subscriber.xml: the subscriber's phone did not take the call"
  cat "$work/stderr" "$work/messages" 2>/dev/null
  failed=1
fi
exit $failed
