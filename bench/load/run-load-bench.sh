#!/usr/bin/env bash
# Load figures of the local service on loopback: registrations through
# Kamailio for 10,000 subscribers, call set-ups through the proxy to the echo
# gateway, and HTTPS sign-ins. Each figure twice: paced at its goal rate
# (latency and errors as subscribers would see them at that load) and as
# fast as it goes (the capacity; latency there is mostly queueing). Starts a
# stack of its own per database and stops it whatever ends the script.
# Prints NAME=value lines on stderr as it goes and a Markdown table on stdout.
#
#   run-load-bench.sh [BUILD_DIR]
#   LOAD_DATABASES="sqlite postgresql" picks the databases (default: sqlite;
#   postgresql runs a private server of its own, as the tests do).
#   LOAD_SCALE=0.2 shrinks every count (a quick look; the table says so).
set -u
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${1:-$REPO/build}" && pwd)
HERE=$REPO/bench/load
BIN=$BUILD/bin
for t in nuvoxa-service load_bench; do
  [ -x "$BIN/$t" ] || { echo "run-load-bench.sh: $BIN/$t not built" >&2; exit 1; }
done
for t in sipp sqlite3; do
  command -v $t >/dev/null || { echo "run-load-bench.sh: $t is not installed" >&2; exit 1; }
done

SCALE=${LOAD_SCALE:-1}
scaled() { awk -v n="$1" -v s="$SCALE" 'BEGIN { v = int(n * s); print (v < 1 ? 1 : v) }'; }
SUBSCRIBERS=10000
FIRST=81000000 # the subscriber range: 8 digits starting with 8
PASSWORD=loadbench1
ADDRESSES=1000 # SIPp's source addresses, 127.1.0.1 on: 10 subscribers each
CALLEE=13800138000 # a mobile number: the echo gateway answers, billing applies
REGS=$(scaled $SUBSCRIBERS)
CALLS=$(scaled 2000)
LOGINS=$(scaled 10000)
LOGIN_CONNECTIONS=${LOAD_LOGIN_CONNECTIONS:-16}
# Bounds of each run: a stalled run fails its calls instead of hanging.
RUN_SECONDS=120

child=
bench_extra_cleanup() {
  [ -n "$child" ] && kill "$child" 2>/dev/null
  child=
  stop_postgres
}
trap 'exit 130' INT
trap 'exit 143' TERM
. "$REPO/bench/stack.sh"

load() { uptime | sed 's/.*load average: //'; }
value() { sed -n "s/^$1=//p" | head -n1; }
declare -a ROWS

# The column of a SIPp statistics file (last line) by its header name.
statcol() {
  awk -F';' -v name="$2" 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == name) c = i } END { if (c) print $c }' \
    <(head -n1 "$1"; tail -n1 "$1")
}

# sipp_row FIGURE GOAL DB SCENARIO COUNT RATE LIMIT [SIPP OPTIONS...]
# RATE 0: as fast as LIMIT calls at a time go.
sipp_row() {
  local figure=$1 goal=$2 db=$3 scenario=$4 count=$5 rate=$6 limit=$7 dir media t0 t1 ok failed rtt p
  local label=${scenario}_${db}_$rate
  shift 7
  dir=$work/runs/$label
  mkdir -p "$dir"
  media=$("$BIN/nuvoxa-service" free-ports 1 --span 4 | head -n1)
  [ "$rate" = 0 ] && rate=100000
  local before
  before=$(load)
  t0=$(date +%s.%N)
  (cd "$dir" && exec sipp "127.0.0.1:$SIP_PORT" -sf "$HERE/$scenario.xml" -inf "$work/users.csv" \
    -t ui -ip_field 2 -p "$SIPP_PORT" -key src_port "$SIPP_PORT" -ci 127.0.0.1 -mi 127.0.0.1 -mp "$media" \
    -r "$rate" -m "$count" -l "$limit" -timeout "${RUN_SECONDS}s" -timeout_error -recv_timeout 5000 \
    -max_socket 2000 -nostdin -trace_rtt -rtt_freq 1 -trace_stat -stf stat.csv -fd 3600 -trace_err -error_file errors.log \
    "$@" >/dev/null 2>"$dir/stderr") &
  child=$!
  wait "$child"
  child=
  t1=$(date +%s.%N)
  ok=$(statcol "$dir/stat.csv" 'SuccessfulCall(C)' 2>/dev/null)
  failed=$(statcol "$dir/stat.csv" 'FailedCall(C)' 2>/dev/null)
  ok=${ok:-0} failed=${failed:-0}
  rtt=$(ls "$dir"/*_rtt.csv 2>/dev/null | head -n1)
  p=$([ -n "$rtt" ] && "$BIN/load_bench" percentiles "$rtt" 1)
  local rate_done
  rate_done=$(awk -v n="$ok" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.0f", n / (b - a) }')
  # Calls never started or never finished count as errors too.
  local errors=$((count - ok))
  echo "$label: rate=$rate_done median_ms=$(value median_ms <<<"$p") p99_ms=$(value p99_ms <<<"$p") ok=$ok failed=$failed errors=$errors load=$before" >&2
  [ "$errors" -gt 0 ] && { head -c 600 "$dir/errors.log"; head -c 600 "$dir/stderr"; echo; } >&2 2>/dev/null
  ROWS+=("| $figure | $goal | $db | $rate_done | $(value median_ms <<<"$p") | $(value p99_ms <<<"$p") | $errors of $count | $before |")
}

# login_row FIGURE GOAL DB RATE
login_row() {
  local figure=$1 goal=$2 db=$3 rate=$4 out before
  before=$(load)
  "$BIN/load_bench" logins "$NUVOXA_CLOUD_HOST" "$NUVOXA_CA_FILE" "$FIRST" "$SUBSCRIBERS" "$PASSWORD" \
    "$LOGIN_CONNECTIONS" "$LOGINS" "$rate" "$RUN_SECONDS" >"$work/logins.out" &
  child=$!
  wait "$child"
  child=
  out=$(cat "$work/logins.out")
  echo "logins_${db}_${rate}: $(tr '\n' ' ' <<<"$out") load=$before" >&2
  local errors requests
  errors=$(value errors <<<"$out"); requests=$(value requests <<<"$out")
  errors=$((${errors:-0} + LOGINS - ${requests:-0}))
  ROWS+=("| $figure | $goal | $db | $(value rate <<<"$out") | $(value median_ms <<<"$out") | $(value p99_ms <<<"$out") | $errors of $LOGINS | $before |")
}

# The stack of one database; a database adds its launcher options here.
start_database() {
  case $1 in
    sqlite) bench_start_stack load-bench 900 ;;
    postgresql) start_postgres && NUVOXA_DB_URL=$(cat "$pg_dir/url") bench_start_stack load-bench 900 ;;
    *) echo "run-load-bench.sh: no stack for database $1" >&2; return 1 ;;
  esac
}

# A private PostgreSQL server on a loopback port (the tests' with-postgres.sh)
# that lives as long as this script: it stops when the script ends, however.
pg_dir=""
start_postgres() {
  pg_dir=$(mktemp -d /tmp/load-bench-pg.XXXXXX) || return 1
  NUVOXA_BIN_DIR=$BIN setsid "$REPO/tests/service/with-postgres.sh" --tcp bash -c '
    (umask 077 && printf "%s" "$NUVOXA_TEST_PG_URL" >"$1/url.tmp") && mv "$1/url.tmp" "$1/url"
    while kill -0 "$2" 2>/dev/null; do sleep 1; done' _ "$pg_dir" "$$" </dev/null >"$pg_dir/log" 2>&1 &
  pg_runner=$!
  for _ in $(seq 1 300); do
    [ -r "$pg_dir/url" ] && return 0
    kill -0 "$pg_runner" 2>/dev/null || break
    sleep 0.1
  done
  echo "run-load-bench.sh: PostgreSQL did not start:" >&2
  cat "$pg_dir/log" >&2
  return 1
}
stop_postgres() {
  [ -n "$pg_dir" ] || return 0
  kill -TERM "$pg_runner" 2>/dev/null
  for _ in $(seq 1 100); do kill -0 "$pg_runner" 2>/dev/null || break; sleep 0.1; done
  rm -rf "$pg_dir"
  pg_dir=""
}
# The subscribers in one transaction, through the database's own client (a
# database adds its client here), and SIPp's injection file. The SIP
# domain the launcher serves is the digest realm.
seed_database() {
  "$BIN/load_bench" subscribers "$FIRST" "$SUBSCRIBERS" "$PASSWORD" 100.00 "${NUVOXA_SIP_HOST%:*}" \
    "$ADDRESSES" "$work/users.csv" >"$work/users.sql" || return 1
  case $1 in
    sqlite) sqlite3 -bail -cmd '.timeout 10000' "$NUVOXA_DB" <"$work/users.sql" ;;
    # The launcher's URL has no password; its password file does.
    postgresql) psql -X -q -v ON_ERROR_STOP=1 -d "$NUVOXA_DB" <"$work/users.sql" >/dev/null ;;
  esac
}

for db in ${LOAD_DATABASES:-sqlite}; do
  start_database "$db" || continue
  SIP_PORT=${NUVOXA_SIP_HOST##*:}
  # Every source address binds this port, the scenarios name it in Via and
  # Contact (SIPp's [local_port] is 0 with a socket per address). One port
  # for all runs: a second registration of a subscriber then refreshes its
  # contact instead of adding one, as a phone does.
  SIPP_PORT=$("$BIN/nuvoxa-service" free-ports 1 | head -n1)
  echo "== $db: $SUBSCRIBERS subscribers; load: $(load)" >&2
  if seed_database "$db"; then
    sipp_row "registrations/s, paced at 500/s" ">= 500, p99 < 50" "$db" register "$REGS" 500 500
    sipp_row "registrations/s, as fast as it goes" "" "$db" register "$REGS" 0 100
    sipp_row "call set-ups/s over UDP, paced at 100/s" ">= 100, p99 < 50" "$db" call "$CALLS" 100 200 -s "$CALLEE" -default_behaviors all,-abortunexp
    sipp_row "call set-ups/s over UDP, as fast as it goes" "" "$db" call "$CALLS" 0 100 -s "$CALLEE" -default_behaviors all,-abortunexp
    login_row "HTTPS sign-ins/s, paced at 1,000/s" ">= 1,000, p99 < 50" "$db" 1000
    login_row "HTTPS sign-ins/s, as fast as it goes" "" "$db" 0
  fi
  bench_stop_stack
  stop_postgres
  launcher= work= # stopped: the exit's clean-up has nothing left to do
done

echo
echo "$(nproc) cores; the load column is the 1, 5 and 15 minute load average as each run began."
[ "$SCALE" != 1 ] && echo "Counts scaled by $SCALE (LOAD_SCALE)."
echo
echo "| figure | goal | database | rate (/s) | median (ms) | p99 (ms) | errors | load |"
echo "|---|---|---|---|---|---|---|---|"
printf '%s\n' "${ROWS[@]}"
echo
if sipp -h 2>&1 | grep -q 'l1: TLS'; then
  echo "Call set-ups over TLS: not measured yet."
else
  echo "Call set-ups over TLS: not measured; this SIPp is built without TLS."
fi
echo "SIPp's response times are whole milliseconds."
