#!/usr/bin/env bash
# The proxy on PostgreSQL, under with-postgres.sh --tcp: the launcher's stack
# (the default mode: HTTPS, SIP over TLS, the media relay) on that server,
# and the SIP calls through it (registration against the
# subscriber table, the billing query, call records that the trigger charges).
#   postgres-stack.sh LAUNCHER SIP_CALLS_SCRIPT
set -u
launcher=$1
calls=$2
bin=$NUVOXA_BIN_DIR/nuvoxa-service
state=$(mktemp -d)
NUVOXA_DB_URL=$NUVOXA_TEST_PG_URL env --default-signal=INT "$launcher" --free-ports \
  --private-pulse --state "$state" --max-time 300 </dev/null >"$state/out" 2>&1 &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$state"' EXIT
for _ in $(seq 1 300); do
  [ -r "$state/stack.env" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -r "$state/stack.env" ] || { echo "FAIL: the stack did not start on PostgreSQL"; cat "$state/out"; exit 1; }
# The password stays out of what the launcher prints and out of every
# command line (world-readable in /proc).
# The password is looked for from a file, so that grep's own command line
# does not hold it.
printf %s "$NUVOXA_TEST_PG_URL" | sed -E 's|.*//[^:]*:([^@]*)@.*|\1|' >"$state/password"
[ -s "$state/password" ] && ! grep -q // "$state/password" || { echo "FAIL: no password in the URL"; exit 1; }
grep -qF -f "$state/password" "$state/out" && { echo "FAIL: the launcher printed the database password"; exit 1; }
for cmdline in /proc/[0-9]*/cmdline; do
  tr '\0' ' ' <"$cmdline" 2>/dev/null | grep -qF -f "$state/password" &&
    { echo "FAIL: a command line holds the password: $(tr '\0' ' ' <"$cmdline")"; exit 1; }
done

"$(dirname "$0")/with-stack.sh" "$state/stack.env" "$calls"
failed=$?
# The answered call to a mobile number went through the proxy's accounting
# into the database and cost its first minute.
charges() { "$(dirname "$0")/with-stack.sh" "$state/stack.env" bash -c '"$0" --db "$NUVOXA_DB" charges "$@"' "$bin" "$@"; }
charges --account 80000001 | cut -f4,6 | grep -qx "$(printf '13800138000\t0.10')" ||
  { echo "FAIL: no charge for the call to 13800138000"; charges; failed=1; }
# The HTTPS side (its certificates in the state folder, as there is no
# database file to sit beside) serves the balance that the charges lowered.
expected=$(charges --account 80000001 | awk -F'\t' '{ c += $6 * 100 } END { printf "13800138000|%.2f", (10000 - c) / 100 }')
balance=$("$(dirname "$0")/with-stack.sh" "$state/stack.env" bash -c \
  'curl -s --noproxy "*" --cacert "$NUVOXA_CA_FILE" "$NUVOXA_CLOUD_HOST/cloud/balance.aspx?acct=80000001&pwd=$(printf nuvoxa123 | md5sum | cut -c1-32)"')
[ "$balance" = "$expected" ] || { echo "FAIL: balance over HTTPS: $balance, expected $expected"; failed=1; }
exit $failed
