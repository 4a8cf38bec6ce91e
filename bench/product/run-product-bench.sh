#!/usr/bin/env bash
# The product's figures side by side with other SIP clients on this machine,
# against one local service stack (free ports, private PulseAudio) and one
# Xvfb display. Prints NAME=value lines on stderr as it goes and a Markdown
# table on stdout at the end.
#
#   run-product-bench.sh BUILD_DIR [ROUNDS=5] [IDLE_SECONDS=60]
#   BENCH_PARTS="start idle calls audio echo others" picks parts (default: all).
#   BENCH_REALTIME=1 runs the start part's programs and the display at
#   real-time priority (root or CAP_SYS_NICE), so that builds running beside
#   the benchmark do not decide its start-up figures.
#   BENCH_BEFORE=FILE measures an earlier build of the client in the same
#   start-up rounds (right after the client), for before -> after figures.
#
# Peers that are not installed are left out (./dev bench installs them).
set -u
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${1:-$REPO/build}" && pwd)
ROUNDS=${2:-5}
IDLE=${3:-60}
BIN=$BUILD/bin
for t in nuvoxa client_bench probe bare_qt_window nuvoxa-service; do
  [ -x "$BIN/$t" ] || { echo "run-product-bench.sh: $BIN/$t not built" >&2; exit 1; }
done

xvfb=
peer_lc=; peer_pulse=
stop_peer() { # the Opus echo peer of the audio part
  [ -n "$peer_lc" ] && { exec 6>&-; kill "$peer_lc" 2>/dev/null; }
  [ -n "$peer_pulse" ] && kill "$peer_pulse" 2>/dev/null
  peer_lc=; peer_pulse=
}
plain_launcher=
before=
bench_extra_cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "$before" ] && rm -f "$before"
  stop_peer
  stop_plain
}
stop_plain() { # the calls part's stack
  [ -n "$plain_launcher" ] || return 0
  kill -TERM "$plain_launcher" 2>/dev/null
  for _ in $(seq 1 100); do kill -0 "$plain_launcher" 2>/dev/null || break; sleep 0.1; done
  plain_launcher=
}
. "$REPO/bench/stack.sh"
bench_start_stack product-bench 3600
SIP_HOST=${NUVOXA_SIP_HOST%:*}
SIP_PORT=${NUVOXA_SIP_HOST##*:}
ACCOUNT=${NUVOXA_DEMO%%:*}
PASSWORD=${NUVOXA_DEMO#*:}
NUMBER=13800138000 # the echo gateway: answers at once

# One display for every windowed program.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$work/display")
export QT_LOGGING_RULES='*.debug=false;qt.qpa.*=false'

# A private home, data and runtime folder per program and run.
fresh() { # fresh NAME -> prints the folder
  local d=$work/run/$1
  rm -rf "$d"; mkdir -p "$d/home" "$d/data" "$d/rt"; chmod 700 "$d/rt"
  echo "$d"
}
inenv() { # inenv DIR CMD...: run with the folder's HOME, XDG folders, data folder
  local d=$1; shift
  HOME=$d/home XDG_RUNTIME_DIR=$d/rt XDG_CONFIG_HOME=$d/home/.config XDG_DATA_HOME=$d/home/.local/share \
    NUVOXA_DATA_DIR=$d/data "$@"
}
value() { sed -n "s/^$1=//p" | head -n1; }
values() { sed -n "s/^$1=//p" | tr '\n' ' '; }
# Parts to run (BENCH_PARTS="start idle calls audio echo others", the default).
PARTS=${BENCH_PARTS:-start idle calls audio echo others}
want() { [[ " $PARTS " == *" $1 "* ]]; }
# addcalls NAME OUTPUT: the first call of the process apart from the later ones
addcalls() {
  local first=1 v
  for v in $(values invite_ms <<<"$2"); do
    if [ $first = 1 ]; then add "$1_invite1" "$v"; else add "$1_invite" "$v"; fi; first=0
  done
  first=1
  for v in $(values ack_ms <<<"$2"); do
    if [ $first = 1 ]; then add "$1_ack1" "$v"; else add "$1_ack" "$v"; fi; first=0
  done
  # The program's own share of a later call: 407 -> INVITE, 200 -> ACK.
  first=1
  for v in $(values challenge_ms <<<"$2"); do [ $first = 1 ] || add "$1_chal" "$v"; first=0; done
  first=1
  for v in $(values answer_ms <<<"$2"); do [ $first = 1 ] || add "$1_ans" "$v"; first=0; done
}

# The data folder of a registered client: 1,000 history entries, 200 contacts,
# automatic login.
seeded() {
  local d; d=$(fresh "$1")
  (cd "$BIN" && inenv "$d" env QT_QPA_PLATFORM=offscreen ./client_bench seed 1000 200) || exit 1
  echo "$d"
}

linphonerc() { # linphonerc FILE [ACCOUNT PASSWORD]: an account (the demo's) on the local proxy
  local port account=${2:-$ACCOUNT} password=${3:-$PASSWORD}
  port=$("$BIN/nuvoxa-service" free-ports 1 | head -n1)
  mkdir -p "$(dirname "$1")/home/.local/share/linphone" 2>/dev/null
  cat >"$1" <<RC
[sip]
sip_port=$port
sip_tcp_port=0
sip_tls_port=0
default_proxy=0
register_only_when_network_is_up=0
auto_net_state_mon=0
[net]
firewall_policy=0
[rtp]
audio_rtp_port=-1
[video]
capture=0
display=0
automatically_initiate=0
automatically_accept=0
[proxy_0]
reg_proxy=<sip:$SIP_HOST:$SIP_PORT;transport=udp>
reg_identity=sip:$account@$SIP_HOST
reg_expires=600
reg_sendregister=1
publish=0
[auth_info_0]
username=$account
passwd=$password
domain=$SIP_HOST
[ui]
rc_version=3
[app]
assistant_shown=1
RC
}

baresipconf() { # baresipconf DIR
  local port
  port=$("$BIN/nuvoxa-service" free-ports 1 | head -n1)
  mkdir -p "$1"
  cat >"$1/config" <<CFG
poll_method epoll
sip_listen 127.0.0.1:$port
module_path /usr/lib/baresip/modules
module stdio.so
module g711.so
module alsa.so
module_app account.so
module_app menu.so
audio_player alsa,null
audio_source alsa,null
audio_alert alsa,null
CFG
  echo "<sip:$ACCOUNT@$SIP_HOST:$SIP_PORT;transport=udp>;auth_pass=$PASSWORD;regint=600" >"$1/accounts"
  : >"$1/contacts"
}

have_ld=0; have_lc=0; have_bs=0
command -v linphone >/dev/null && command -v dbus-run-session >/dev/null && have_ld=1
command -v linphonec >/dev/null && have_lc=1
command -v baresip >/dev/null && have_bs=1

declare -A S # S[name]="v1 v2 ..."
add() { [ -n "$2" ] && S[$1]="${S[$1]:-} $2"; echo "$1=$2" >&2; }
median() { tr ' ' '\n' | grep -v '^$' | grep -v '^-1' | sort -g | awk '{a[NR]=$1} END {if (NR==0) print "n/a"; else print a[int((NR+1)/2)]}'; }

# The start-up probe, at real-time priority with BENCH_REALTIME=1.
startprio=()
if [ "${BENCH_REALTIME:-0}" = 1 ] && want start; then
  chrt -f -p 50 "$xvfb" && startprio=(chrt -f 40)
fi
# The earlier build must sit in the program folder to find its pictures.
if [ -n "${BENCH_BEFORE:-}" ] && want start; then
  before=$BIN/.nuvoxa-before
  cp "$BENCH_BEFORE" "$before" || exit 1
fi
want start && echo "== start-up and login ($ROUNDS rounds, interleaved); load: $(uptime | sed 's/.*load/load/')" >&2
want start && for r in $(seq 1 "$ROUNDS"); do
  d=$(fresh nuvoxa-start)
  out=$(cd "$BIN" && inenv "$d" "${startprio[@]}" "$BIN/probe" window -- ./nuvoxa)
  add nuvoxa_window "$(value window_ms <<<"$out")"
  if [ -n "$before" ]; then
    d=$(fresh before-start)
    out=$(cd "$BIN" && inenv "$d" "${startprio[@]}" "$BIN/probe" window -- "$before")
    add before_window "$(value window_ms <<<"$out")"
  fi
  # Qt's own floor on this machine and display, between the client's rounds.
  d=$(fresh bare-qt)
  out=$(cd "$BIN" && inenv "$d" "${startprio[@]}" "$BIN/probe" window -- ./bare_qt_window)
  add qt_window "$(value window_ms <<<"$out")"
  if [ $have_ld = 1 ]; then
    d=$(fresh ld-start); mkdir -p "$d/home/.config/linphone"; linphonerc "$d/home/.config/linphone/linphonerc"
    out=$(inenv "$d" dbus-run-session -- "${startprio[@]}" "$BIN/probe" window --timeout 60 -- linphone 2>/dev/null)
    add ld_window "$(value window_ms <<<"$out")"
  fi
  d=$(seeded login)
  rm -f "$d/data/Nuvoxa/autologin"* 2>/dev/null
  out=$(cd "$BIN" && inenv "$d" ./client_bench login 2>/dev/null)
  add nuvoxa_login "$(value login_ms <<<"$out")"
done
[ ${#startprio[@]} -gt 0 ] && chrt -o -p 0 "$xvfb"

if want idle; then
echo "== registered and idle (${IDLE} s each); load: $(uptime | sed 's/.*load/load/')" >&2
d=$(seeded idle)
out=$(cd "$BIN" && inenv "$d" "$BIN/probe" window --settle 5 --idle "$IDLE" -- ./nuvoxa)
add nuvoxa_rss "$(value rss_mib <<<"$out")"; add nuvoxa_pss "$(value pss_mib <<<"$out")"; add nuvoxa_cpu "$(value idle_cpu_pct <<<"$out")"
fi
if want idle && [ $have_ld = 1 ]; then
  d=$(fresh ld-idle); mkdir -p "$d/home/.config/linphone"; linphonerc "$d/home/.config/linphone/linphonerc"
  out=$(inenv "$d" dbus-run-session -- "$BIN/probe" window --timeout 60 --settle 5 --idle "$IDLE" -- linphone 2>/dev/null)
  add ld_rss "$(value rss_mib <<<"$out")"; add ld_pss "$(value pss_mib <<<"$out")"; add ld_cpu "$(value idle_cpu_pct <<<"$out")"
fi

# exportenv FILE: the stack's addresses from its stack.env
exportenv() {
  local line
  while IFS= read -r line; do
    case "$line" in [A-Za-z_]*=*) export "${line%%=*}=${line#*=}" ;; esac
  done <"$1"
}
# The calls are compared on one stack whose signalling is plain UDP for
# every program: the capture reads each one's INVITE and ACK on the same
# proxy and gateway (the secure stack sends this client over TLS, which the
# capture cannot read, and anchors its media in a relay the others skip).
if want calls; then
  mkdir -p "$work/plain"
  NUVOXA_BUILD_DIR=$BUILD setsid "$REPO/service/launch.sh" --free-ports --private-pulse --plain \
    --state "$work/plain" --max-time 3600 </dev/null >"$work/plain.out" 2>&1 &
  plain_launcher=$!
  for _ in $(seq 1 300); do
    [ -r "$work/plain/stack.env" ] && grep -q '^NUVOXA_SERVICE ' "$work/plain.out" && break
    sleep 0.1
  done
  [ -r "$work/plain/stack.env" ] || { cat "$work/plain.out" >&2; exit 1; }
  unset NUVOXA_SIP_TLS_HOST
  exportenv "$work/plain/stack.env"
  SIP_HOST=${NUVOXA_SIP_HOST%:*}; SIP_PORT=${NUVOXA_SIP_HOST##*:}
fi
want calls && echo "== calls ($ROUNDS rounds of 3 calls per program and the voice library alone, interleaved, UDP signalling); load: $(uptime | sed 's/.*load/load/')" >&2
want calls && for r in $(seq 1 "$ROUNDS"); do
  d=$(seeded calls)
  rm -f "$d/data/Nuvoxa/autologin"* 2>/dev/null
  out=$(cd "$BIN" && inenv "$d" ./client_bench call 3 "$NUMBER" 2>/dev/null)
  addcalls nuvoxa "$out"
  # The voice library without the window, through the same C interface.
  if [ -x "$BIN/voice_bench" ]; then
    d=$(fresh lib)
    out=$(cd "$BIN" && inenv "$d" ./voice_bench 3 1 2>&1 >/dev/null)
    addcalls lib "$out"
  fi
  if [ $have_lc = 1 ]; then
    d=$(fresh lc); mkdir -p "$d/home/.local/share/linphone"; linphonerc "$d/linphonerc"
    idle=0; [ "$r" = 1 ] && idle=30
    out=$(inenv "$d" "$BIN/probe" cli --ready wire --dial "call $NUMBER" \
      --established 'established|[Cc]onnected' --hangup terminate --quit quit --calls 3 --idle $idle \
      --proxy-port "$SIP_PORT" -- linphonec -c "$d/linphonerc")
    addcalls lc "$out"
    for v in $(values established_ms <<<"$out"); do add lc_est "$v"; done; add lc_ready "$(value ready_ms <<<"$out")"
    [ "$r" = 1 ] && { add lc_rss "$(value rss_mib <<<"$out")"; add lc_pss "$(value pss_mib <<<"$out")"; add lc_cpu "$(value idle_cpu_pct <<<"$out")"; }
  fi
  if [ $have_bs = 1 ]; then
    d=$(fresh bs); baresipconf "$d/conf"
    idle=0; [ "$r" = 1 ] && idle=30
    out=$(inenv "$d" "$BIN/probe" cli --ready wire --dial "/dial $NUMBER" \
      --established '[Cc]all established' --hangup /hangup --quit /quit --calls 3 --idle $idle \
      --proxy-port "$SIP_PORT" -- baresip -f "$d/conf")
    addcalls bs "$out"
    for v in $(values established_ms <<<"$out"); do add bs_est "$v"; done; add bs_ready "$(value ready_ms <<<"$out")"
    [ "$r" = 1 ] && { add bs_rss "$(value rss_mib <<<"$out")"; add bs_pss "$(value pss_mib <<<"$out")"; add bs_cpu "$(value idle_cpu_pct <<<"$out")"; }
  fi
done

if want calls; then
  stop_plain
  exportenv "$work/stack/stack.env"
  SIP_HOST=${NUVOXA_SIP_HOST%:*}; SIP_PORT=${NUVOXA_SIP_HOST##*:}
fi

# start_peer ACCOUNT echo|talker: linphonec registered as a subscriber of
# its own, answering at once, on a sound server of its own, without echo
# cancellation. "echo" answers with Opus only and plays back what it hears
# (its microphone is its speaker's monitor); "talker" answers with PCMU and
# its microphone is the null sink peer_mic_in, its speaker peer_speaker, for
# audiopath_bench to talk and listen. Sets peer_dir; fails when the peer
# does not register.
start_peer() {
  local account=$1 kind=$2 p mic=()
  p=$(fresh "peer-$kind"); peer_dir=$p; mkdir -p "$p/home/.local/share/linphone"
  "$BIN/nuvoxa-service" --db "$NUVOXA_DB" add-account "$account" "peer$kind" >/dev/null
  [ "$kind" = talker ] && mic=(-L "module-null-sink sink_name=peer_mic_in rate=8000 channels=1"
                               -L "module-remap-source master=peer_mic_in.monitor source_name=peer_mic")
  env -u PULSE_SERVER HOME="$p/home" XDG_RUNTIME_DIR="$p/rt" XDG_CONFIG_HOME="$p/home" \
    pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes --realtime=no --high-priority=no \
    -L "module-native-protocol-unix socket=$p/pulse.native auth-anonymous=1" \
    -L "module-null-sink sink_name=peer_speaker" "${mic[@]}" >"$p/pulse.log" 2>&1 &
  peer_pulse=$!
  for _ in $(seq 1 50); do pactl -s "unix:$p/pulse.native" info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl -s "unix:$p/pulse.native" set-default-sink peer_speaker
  linphonerc "$p/linphonerc" "$account" "peer$kind"
  printf '[sound]\nechocancellation=0\nagc=0\nel=0\nnoisegate=0\n' >>"$p/linphonerc"
  if [ "$kind" = echo ]; then
    pactl -s "unix:$p/pulse.native" set-default-source peer_speaker.monitor
    printf '[audio_codec_0]\nmime=opus\nrate=48000\nchannels=2\nenabled=1\n' >>"$p/linphonerc"
  else
    pactl -s "unix:$p/pulse.native" set-default-source peer_mic
    printf '[audio_codec_0]\nmime=PCMU\nrate=8000\nchannels=1\nenabled=1\n' >>"$p/linphonerc"
    local i=1 c
    for c in opus/48000/2 speex/16000/1 speex/8000/1 speex/32000/1 PCMA/8000/1 G729/8000/1 GSM/8000/1; do
      printf '[audio_codec_%s]\nmime=%s\nrate=%s\nchannels=%s\nenabled=0\n' "$i" "${c%%/*}" \
        "$(cut -d/ -f2 <<<"$c")" "${c##*/}" >>"$p/linphonerc"
      i=$((i + 1))
    done
  fi
  mkfifo "$p/console"
  HOME=$p/home XDG_RUNTIME_DIR=$p/rt PULSE_SERVER=unix:$p/pulse.native \
    linphonec -c "$p/linphonerc" <"$p/console" >"$p/linphonec.log" 2>&1 &
  peer_lc=$!
  exec 6>"$p/console"
  echo "autoanswer enable" >&6
  for _ in $(seq 1 30); do
    sleep 0.5; echo "status register" >&6
    grep -q 'registered, identity' "$p/linphonec.log" && return 0
  done
  echo "the $kind peer did not register" >&2
  stop_peer
  return 1
}

if want audio && [ -x "$BIN/audiopath_bench" ]; then
  echo "== audio path; load: $(uptime | sed 's/.*load/load/')" >&2
  d=$(fresh audio)
  peer=
  [ $have_lc = 1 ] && start_peer 80009999 echo && peer=80009999
  out=$(inenv "$d" "$BIN/audiopath_bench" "$ROUNDS" $peer)
  add audio_pcmu1 "$(value audio_one_way_PCMU_first_call_ms <<<"$out")"
  add audio_pcmu "$(value audio_one_way_PCMU_ms <<<"$out")"
  add audio_g729 "$(value audio_one_way_G729_ms <<<"$out")"
  add audio_opus "$(value audio_one_way_OPUS_ms <<<"$out")"
  stop_peer
  # The first call of a process, from its first second, in fresh processes:
  # a process whose first call starts behind shows in its worst burst.
  echo "== first call's audio ($ROUNDS fresh processes); load: $(uptime | sed 's/.*load/load/')" >&2
  for r in $(seq 1 "$ROUNDS"); do
    d=$(fresh audio-first)
    out=$(inenv "$d" "$BIN/audiopath_bench" --first-call 5)
    add audio_first_worst "$(value audio_one_way_PCMU_first_call_worst_ms <<<"$out")"
  done
fi
if want echo && [ -x "$BIN/audiopath_bench" ]; then
  d=$(fresh audio)
  # The echo a talking far end hears back when the speaker reaches the
  # microphone (6 dB down, ECHO_DELAY_MS later: 60 unless set; 0 is the
  # speaker's monitor itself), with the library's echo cancellation on (its
  # default) and off, interleaved.
  ECHO_DELAY=${ECHO_DELAY_MS:-60}
  if [ $have_lc = 1 ] && start_peer 80009998 talker; then
    echo "== acoustic echo ($ROUNDS rounds, cancellation on and off); load: $(uptime | sed 's/.*load/load/')" >&2
    for r in $(seq 1 "$ROUNDS"); do
      on=$(inenv "$d" "$BIN/audiopath_bench" --echo 80009998 "unix:$peer_dir/pulse.native" "$ECHO_DELAY")
      off=$(inenv "$d" env NUVOXA_ECHO_CANCELLATION=0 "$BIN/audiopath_bench" --echo 80009998 "unix:$peer_dir/pulse.native" "$ECHO_DELAY")
      add echo_path "$(value echo_path_ms <<<"$on")"
      e_on=$(value echo_loss_db <<<"$on"); e_off=$(value echo_loss_db <<<"$off")
      add echo_on "$e_on"; add echo_off "$e_off"
      add near_on "$(value near_end_loss_db <<<"$on")"; add near_off "$(value near_end_loss_db <<<"$off")"
      add dt_on "$(value double_talk_near_end_loss_db <<<"$on")"; add dt_off "$(value double_talk_near_end_loss_db <<<"$off")"
      [ -n "$e_on" ] && [ -n "$e_off" ] && add echo_gain "$(awk -v a="$e_on" -v b="$e_off" 'BEGIN { printf "%.1f", a - b }')"
    done
    stop_peer
  fi
fi

m() { median <<<"${S[$1]:-}"; }
worst() { tr ' ' '\n' | grep -v '^$' | grep -v '^-1' | sort -g | awk 'END { print NR ? $1 : "n/a" }'; }
ratio() { awk -v a="$(m "$1")" -v b="$(m "$2")" 'BEGIN { if (a+0 > 0 && b+0 > 0) printf "%.2f", a / b; else print "n/a" }'; }
echo
echo "Load after the run: $(uptime | sed 's/.*load/load/'); medians of $ROUNDS; $(nproc) cores$([ ${#startprio[@]} -gt 0 ] && echo "; start-up at real-time priority")"
echo
echo "| figure | goal | Nuvoxa | linphone-desktop | linphonec | baresip |"
echo "|---|---|---|---|---|---|"
echo "| start -> first window mapped (ms) | <= 150 | $(m nuvoxa_window) | $(m ld_window) (x$(ratio ld_window nuvoxa_window)) | | |"
echo "| start -> window mapped, bare Qt Widgets window: frameless 300x600 QLabel (ms) | | $(m qt_window) (Nuvoxa: x$(ratio nuvoxa_window qt_window); goal <= 1.5) | | | |"
[ -n "$before" ] && echo "| start -> first window mapped, earlier build (BENCH_BEFORE) (ms) | | $(m before_window) (x$(ratio before_window qt_window) the bare window) | | | |"
echo "| login: click -> main window shown (ms) | <= 300 | $(m nuvoxa_login) | | | |"
echo "| start -> registered: proxy's 200 to REGISTER on the wire (ms) | | | | $(m lc_ready) | $(m bs_ready) |"
echo "| RSS registered, idle (MiB) | <= 80 | $(m nuvoxa_rss) | $(m ld_rss) | $(m lc_rss) | $(m bs_rss) |"
echo "| PSS registered, idle (MiB; shared pages split among their users) | | $(m nuvoxa_pss) | $(m ld_pss) | $(m lc_pss) | $(m bs_pss) |"
echo "| idle CPU registered (% of one core) | <= 0.3 | $(m nuvoxa_cpu) (${IDLE} s) | $(m ld_cpu) (${IDLE} s) | $(m lc_cpu) (30 s) | $(m bs_cpu) (30 s) |"
echo "| dial -> INVITE on the wire, first call of the process (ms) | <= 2 | $(m nuvoxa_invite1) | | $(m lc_invite1) | $(m bs_invite1) |"
echo "| dial -> INVITE on the wire, later calls (ms) | <= 2 | $(m nuvoxa_invite) | | $(m lc_invite) | $(m bs_invite) |"
echo "| dial -> ACK of the 200 on the wire, first call (ms) | <= 1.5 x baresip | $(m nuvoxa_ack1) (x$(ratio nuvoxa_ack1 bs_ack1)) | | $(m lc_ack1) | $(m bs_ack1) |"
echo "| dial -> ACK of the 200 on the wire, later calls (ms) | <= 1.1 x baresip | $(m nuvoxa_ack) (x$(ratio nuvoxa_ack bs_ack)) | | $(m lc_ack) | $(m bs_ack) |"
echo "| the voice library alone: make_call -> ACK of the 200 on the wire, first / later calls (ms) | | $(m lib_ack1) (x$(ratio lib_ack1 bs_ack1)) / $(m lib_ack) (x$(ratio lib_ack bs_ack)) | | | |"
echo "| the program's own share, later calls: dial -> INVITE / proxy's 407 -> INVITE / 200 -> ACK (ms) | | $(m nuvoxa_invite) / $(m nuvoxa_chal) / $(m nuvoxa_ans); the voice library alone $(m lib_invite) / $(m lib_chal) / $(m lib_ans) | | $(m lc_invite) / $(m lc_chal) / $(m lc_ans) | $(m bs_invite) / $(m bs_chal) / $(m bs_ans) |"
echo "| dial -> \"established\" line, all calls (ms) | | | | $(m lc_est) | $(m bs_est) |"
echo "| audio one way, PCMU (ms, round trip to the echo gateway halved) | <= 150 | $(m audio_pcmu) | | | |"
echo "| audio one way, PCMU, first call of the process (ms) | <= 150 | $(m audio_pcmu1) | | | |"
echo "| audio one way, PCMU, first call, worst burst from its first second, worst of $ROUNDS fresh processes (ms) | <= 150 | $(worst <<<"${S[audio_first_worst]:-}") | | | |"
echo "| audio one way, G.729 (ms) | <= 150 | $(m audio_g729) | | | |"
echo "| audio one way, Opus (ms, round trip to a linphonec echo peer halved) | <= 150 | $(m audio_opus) | | | |"
echo "| echo loss seen by a talking far end, cancellation on / off (dB; speaker heard by the microphone at -6 dB, ${ECHO_DELAY_MS:-60} ms later) | | $(m echo_on) / $(m echo_off) | | | |"
echo "| echo suppression: cancellation on against off (dB, per round) | >= 20 | $(m echo_gain) | | | |"
echo "| near-end speech loss on its way to the far end, cancellation on / off (dB) | | $(m near_on) / $(m near_off) | | | |"
echo "| the same while the far end talks too, cancellation on / off (dB) | | $(m dt_on) / $(m dt_off) | | | |"
echo "| echo path delay as set up: speaker's monitor -> microphone (ms) | ~ 60 | $(m echo_path) | | | |"

# The voice library and the history lists measured on their own, by their
# benchmarks, as rows of the same table.
if want others && [ -x "$BIN/voice_bench" ]; then
  "$REPO/bench/voice/run-voice-bench.sh" "$BUILD" "$ROUNDS" 10 2>/dev/null |
    awk -F'|' 'NR > 2 && NF >= 4 { gsub(/^ +| +$/, "", $2); gsub(/^ +| +$/, "", $3);
                                    printf "| voice library alone: %s | | %s | | | |\n", $2, $3 }'
fi
if want others && [ -x "$BIN/records_bench" ]; then
  (cd "$BIN" && QT_QPA_PLATFORM=offscreen ./records_bench 2>/dev/null) |
    awk '/^measure/ { on = 1; next }
         on && NF > 1 { v = $NF; $NF = ""; sub(/ +$/, ""); printf "| history 10,000 / contacts 2,000: %s | | %s | | | |\n", $0, v }'
fi
echo
echo "Nuvoxa's call figures are from a click on d13 in the real client; the peers' from the dial command typed on their console."
