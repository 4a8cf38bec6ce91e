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

check "$sip/uac-register.xml" "$account" "$account" "$password"
check "$sip/uac-register-wrong.xml" "$account" "$account" "not-$password"
# The calls run side by side: the gateways take several at once.
uac=$here/sip-uac.sh
"$uac" "$sip/uac-call-answered.xml" 13800138000 "$account" "$password" &
"$uac" "$sip/uac-call-answered.xml" 10000000000 "$account" "$password" &
"$uac" "$sip/uac-call-busy.xml" 4860001111 "$account" "$password" &
"$uac" "$sip/uac-call-nocodec.xml" 13800138000 "$account" "$password" &
"$uac" "$sip/uac-call-noanswer.xml" 4080001111 "$account" "$password" &
"$uac" "$sip/uac-call-hangup.xml" 4870001111 "$account" "$password" &
for job in $(jobs -p); do
  wait "$job" || failed=1
done
exit $failed
