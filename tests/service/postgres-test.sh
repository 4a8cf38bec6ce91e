#!/usr/bin/env bash
# The service on PostgreSQL, under with-postgres.sh: the store cases and the
# attempt counts, the operator commands on a postgresql:// URL, and two HTTP
# instances on one database, each serving at once what the other or the
# proxy wrote.
#   postgres-test.sh SERVICE_CORE_TEST SERVICE_ABUSE_TEST NUVOXA_SERVICE
set -u
core=$1
abuse=$2
bin=$3
host=$NUVOXA_TEST_PG_HOST
failed=0
"$core" || failed=1
"$abuse" >/dev/null || failed=1

work=$(mktemp -d)
servers=()
trap 'for s in "${servers[@]}"; do kill "$s" 2>/dev/null; done; rm -rf "$work"' EXIT
. "$(dirname "$0")/expect.sh"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 -h "$host" -U postgres -d "$1" -c "$2"; }

sql postgres "CREATE DATABASE cli" || exit 1
db="postgresql:///cli?user=postgres&host=$host"

# The certificates and the signing key have no database file to sit beside.
expect 2 "$bin" --db "$db" init
expect 2 "$bin" --db "$db" keygen
expect 0 "$bin" --db "$db" --files "$work" init
[ "$(stat -c %a "$work/tls/ca.key")" = 600 ] || { echo "FAIL: TLS key mode"; failed=1; }
expect 0 "$bin" --db "$db" add-account 90000001 secret --phone 13800000000 --balance 5.5
expect 3 "$bin" --db "$db" add-account 90000001 other
[ "$(sql cli "select ha1 from subscriber where username = '90000001'")" = \
  "$(printf '90000001:127.0.0.1:secret' | md5sum | cut -c1-32)" ] || { echo "FAIL: subscriber HA1"; failed=1; }
expect 0 "$bin" --db "$db" rates
[ "$(cat "$work/out")" = "$(printf '*\t0.10\n00\t1.00\n10000000000\t0.00')" ] ||
  { echo "FAIL: default rates"; cat "$work/out"; failed=1; }

# A URL's password stays out of what the service prints.
expect 1 "$bin" --db "postgresql://postgres:pw-8c1f@/missing?host=$host" rates
grep -q "pw-8c1f" "$work/err" && { echo "FAIL: the password was printed"; failed=1; }
grep -q "missing" "$work/err" || { echo "FAIL: no database named in the error"; cat "$work/err"; failed=1; }

read -r port1 port2 < <("$bin" free-ports 2 | tr '\n' ' ')
for port in "$port1" "$port2"; do
  "$bin" --db "$db" serve --port "$port" --sip 127.0.0.1:5060 >/dev/null 2>&1 &
  servers+=($!)
done
balance() {  # balance PORT ACCOUNT PASSWORD
  curl -s "http://127.0.0.1:$1/cloud/balance.aspx?acct=$2&pwd=$(printf %s "$3" | md5sum | cut -c1-32)"
}
for port in "$port1" "$port2"; do
  for _ in $(seq 1 50); do
    [ "$(balance "$port" 90000001 secret)" = "13800000000|5.50" ] && break
    sleep 0.1
  done
done
# An account one instance's operator adds, a call record the proxy writes:
# both instances serve them at once.
expect 0 "$bin" --db "$db" add-account 90000002 secret2 --balance 1
sql cli "insert into acc_cdrs (duration, account, number, cents_per_minute, callid)
         values ('61.0', '90000001', '13800138000', '10', 'call-1')" || failed=1
for port in "$port1" "$port2"; do
  [ "$(balance "$port" 90000001 secret)" = "13800000000|5.30" ] || { echo "FAIL: charge on $port"; failed=1; }
  [ "$(balance "$port" 90000002 secret2)" = "|1.00" ] || { echo "FAIL: new account on $port"; failed=1; }
done
exit $failed
