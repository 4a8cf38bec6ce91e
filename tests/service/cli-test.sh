#!/usr/bin/env bash
# The operator commands: help, argument errors with their exit statuses,
# accounts, updates, the callback list and rates.   cli-test.sh NUVOXA_SERVICE
set -u
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db=$work/db.sqlite
failed=0
. "$(dirname "$0")/expect.sh"

expect 0 "$bin" --help
grep -q "add-account" "$work/out" || { echo "FAIL: --help lists no commands"; failed=1; }
for cmd in init serve add-account keygen set-update set-advert callbacks outbox set-rate rates charges free-ports; do
  expect 0 "$bin" --db "$db" "$cmd" --help
  grep -q "^usage: nuvoxa-service" "$work/out" || { echo "FAIL: $cmd --help"; failed=1; }
done

# Usage errors: status 2 and a message on stderr.
expect 2 "$bin"
expect 2 "$bin" --db "$db"
expect 2 "$bin" --db "$db" frobnicate
expect 2 "$bin" add-account a b                        # no --db
expect 2 "$bin" --db "$db" add-account onlyone
expect 2 "$bin" --db "$db" add-account "bad name" secret
expect 2 "$bin" --db "$db" add-account ok1 secret --phone 12ab
expect 2 "$bin" --db "$db" add-account ok1 secret --balance -3
expect 2 "$bin" --db "$db" add-account ok1 secret --balance
expect 2 "$bin" --db "$db" add-account ok1 secret --colour red
expect 2 "$bin" --db "$db" serve --port 70000
expect 2 "$bin" --db "$db" serve --sip nohost
expect 2 "$bin" --db "$db" set-update 1.0
expect 2 "$bin" --db "$db" callbacks --limit x
expect 2 "$bin" free-ports 0
expect 2 "$bin" --db "$db" set-rate 13x 0.10
expect 2 "$bin" --db "$db" set-rate "" 0.10
expect 2 "$bin" --db "$db" set-rate 139 -1
expect 2 "$bin" --db "$db" set-rate 139
grep -q "nuvoxa-service:" "$work/err" || { echo "FAIL: no message for a usage error"; failed=1; }
[ ! -e "$db" ] || { echo "FAIL: a refused command created the database"; failed=1; }

expect 0 "$bin" --db "$db" init
expect 0 "$bin" --db "$db" add-account 90000001 secret --phone 13800000000 --balance 5.5
expect 3 "$bin" --db "$db" add-account 90000001 other
[ "$(sqlite3 "$db" "select phone, balance_cents from accounts where account = '90000001'")" = "13800000000|550" ] ||
  { echo "FAIL: account row"; failed=1; }
[ "$(sqlite3 "$db" "select ha1 from subscriber where username = '90000001'")" = \
  "$(printf '90000001:127.0.0.1:secret' | md5sum | cut -c1-32)" ] || { echo "FAIL: subscriber HA1"; failed=1; }

# The service's own authority: keys owner-only and kept by a second init, a
# server certificate that verifies for the loopback names, HTTPS that a
# client without the authority refuses, and a damaged authority refused.
[ "$(stat -c %a "$work/tls/ca.key") $(stat -c %a "$work/tls/server.key")" = "600 600" ] ||
  { echo "FAIL: TLS key modes"; failed=1; }
sums=$(md5sum "$work"/tls/*.key "$work/tls/ca.pem")
expect 0 "$bin" --db "$db" init
[ "$(md5sum "$work"/tls/*.key "$work/tls/ca.pem")" = "$sums" ] || { echo "FAIL: init replaced the authority"; failed=1; }
for name in localhost 127.0.0.1 ::1; do
  case $name in localhost) check=-verify_hostname ;; *) check=-verify_ip ;; esac
  openssl verify -CAfile "$work/tls/ca.pem" $check "$name" "$work/tls/server.pem" >/dev/null ||
    { echo "FAIL: server certificate for $name"; failed=1; }
done
port=$("$bin" free-ports 1)
"$bin" --db "$db" serve --https --port "$port" --sip "127.0.0.1:5061;transport=tls" >/dev/null 2>&1 &
server=$!
for _ in $(seq 1 50); do
  answer=$(curl -s --cacert "$work/tls/ca.pem" "https://127.0.0.1:$port/cloud/pc/server.aspx") && break
  sleep 0.1
done
[ "$answer" = "127.0.0.1:5061;transport=tls" ] || { echo "FAIL: HTTPS answer: $answer"; failed=1; }
curl -s "https://127.0.0.1:$port/cloud/pc/server.aspx" >/dev/null && { echo "FAIL: unknown authority accepted"; failed=1; }
kill "$server"; wait "$server" 2>/dev/null
cp -a "$work/tls" "$work/tls.good"
printf 'junk' >"$work/tls/ca.key"
expect 1 "$bin" --db "$db" init
[ "$(cat "$work/tls/ca.key")" = junk ] || { echo "FAIL: init replaced a damaged key"; failed=1; }
rm -rf "$work/tls" && mv "$work/tls.good" "$work/tls"

# Updates are signed: none without a key; the key is made once, owner-only,
# and what it signs verifies with the stock minisign tool.
printf 'payload' >"$work/nuvoxa"
expect 1 "$bin" --db "$db" set-update 2.0 "$work/nuvoxa"
expect 0 "$bin" --db "$db" keygen
key=$(cat "$work/out")
[ "$(stat -c %a "$work/update-signing.key")" = 600 ] || { echo "FAIL: signing key mode"; failed=1; }
expect 0 "$bin" --db "$db" keygen
[ "$(cat "$work/out")" = "$key" ] || { echo "FAIL: keygen replaced the key"; failed=1; }
expect 1 "$bin" --db "$db" set-update 2.0 "$work/missing"
expect 0 "$bin" --db "$db" set-update 2.0 "$work/nuvoxa"
sqlite3 "$db" "select value from meta where key = 'manifest'" >"$work/manifest.xml"
sed -i '$ d' "$work/manifest.xml"   # sqlite3 adds a line end
sqlite3 "$db" "select value from meta where key = 'manifest_sig'" >"$work/manifest.xml.minisig"
grep -F "<file sha256=\"$(printf payload | sha256sum | cut -c1-64)\" size=\"7\">nuvoxa</file>" \
  "$work/manifest.xml" >/dev/null || { echo "FAIL: manifest entry"; cat "$work/manifest.xml"; failed=1; }
minisign -V -q -P "$key" -m "$work/manifest.xml" -x "$work/manifest.xml.minisig" ||
  { echo "FAIL: minisign does not verify the manifest"; failed=1; }

sqlite3 "$db" "insert into callbacks (account, callee, caller, created) values
  ('90000001', '111222', '13800000000', '2026-01-01 00:00:00')"
expect 0 "$bin" --db "$db" callbacks
[ "$(cut -f3-5 "$work/out")" = "$(printf '90000001\t111222\t13800000000')" ] ||
  { echo "FAIL: callbacks listing"; cat "$work/out"; failed=1; }

# Rates: the defaults of a new database, then the operator's own.
expect 0 "$bin" --db "$db" set-rate 139 0.5
expect 0 "$bin" --db "$db" set-rate '*' 0.12
expect 0 "$bin" --db "$db" rates
[ "$(cat "$work/out")" = "$(printf '*\t0.12\n00\t1.00\n10000000000\t0.00\n139\t0.50')" ] ||
  { echo "FAIL: rates listing"; cat "$work/out"; failed=1; }

expect 0 "$bin" free-ports 3 --span 4
[ "$(sort -u "$work/out" | wc -l)" = 3 ] || { echo "FAIL: free-ports"; failed=1; }
exit $failed
