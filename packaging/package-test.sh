#!/usr/bin/env bash
# Builds the Debian package from a build folder, checks what it holds and
# what it depends on, unpacks it into a scratch root and starts the unpacked
# client in a private home: the client must start, and it must write only to
# the user's folders (nothing into the program folder or the working folder).
#
#   packaging/package-test.sh BUILD_DIR
#
# With NUVOXA_PACKAGE_TEST_INSTALL=1 (root, a throw-away machine such as CI)
# the package is also installed with dpkg, started from /usr/bin/nuvoxa and
# removed again.
set -euo pipefail
build=$(cd "${1:?usage: package-test.sh BUILD_DIR}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/nuvoxa-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== Building the package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
debs=("$work"/out/nuvoxa_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no single package in $work/out"
deb=${debs[0]}
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

echo "== Control fields"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt5widgets5 libqt5network5 libqt5xml5 liblinphone libcurl4 libpulse0 fonts-wqy-microhei; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

echo "== Contents"
dpkg-deb -c "$deb" | awk '{ print $6 $7 $8 }' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/lib/nuvoxa/nuvoxa /usr/lib/nuvoxa/libcallsdk.so /usr/lib/nuvoxa/libcallsdk-engine.so \
            /usr/lib/nuvoxa/libcallsdk-http.so /usr/lib/nuvoxa/nuvoxa-update \
            /usr/lib/nuvoxa/clientCheck.xml /usr/lib/nuvoxa/image/login.png /usr/lib/nuvoxa/image/main.png \
            /usr/lib/nuvoxa/image/main@2x.png /usr/lib/nuvoxa/translations/nuvoxa_en.qm \
            '/usr/bin/nuvoxa->../lib/nuvoxa/nuvoxa' /usr/share/applications/nuvoxa.desktop \
            /usr/share/icons/hicolor/48x48/apps/nuvoxa.png /usr/share/icons/hicolor/256x256/apps/nuvoxa.png; do
  grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done
if grep -E '/portable$|nuvoxa-service|/usr/local/' "$work/contents"; then
  fail "the package holds files of the build tree"
fi
outside=$(grep -vE '^/(usr/((bin|lib|share)/)?)?$|^/usr/lib/nuvoxa/|^/usr/bin/nuvoxa->|^/usr/share/(applications|icons|doc)/' \
          "$work/contents" || true)
[ -z "$outside" ] || fail "files outside the program folder, /usr/bin and /usr/share: $outside"

echo "== Dependencies on a clean machine"
# Every dependency (one of each alternative group) must be a package the
# distribution offers, so apt can install the package where none of them is.
# (The policy text is read whole: grep -q would end the pipe early.)
offers() { local policy; policy=$(apt-cache policy "$1" 2>/dev/null); grep -qE '^ +[0-9]+ (https?|file|cdrom):' <<<"$policy"; }
if offers libc6; then
  IFS=, read -ra groups <<<"$depends"
  for group in "${groups[@]}"; do
    offered=
    IFS='|' read -ra alternatives <<<"$group"
    for alt in "${alternatives[@]}"; do
      name=$(sed 's/(.*)//; s/[[:space:]]//g' <<<"$alt")
      offers "$name" && offered=$name && break
    done
    [ -n "$offered" ] || fail "no package offers $group"
  done
  echo "every dependency is offered by the package archive"
else
  echo "no package lists (apt-get update): skipped"
fi

echo "== Dependencies on this machine"
if [ "$(id -u)" = 0 ]; then
  dpkg --dry-run -i "$deb" >"$work/dryrun.log" 2>&1 || { cat "$work/dryrun.log" >&2; fail "dpkg --dry-run -i"; }
  echo "dpkg --dry-run -i: dependencies satisfied"
fi

echo "== Unpacked client"
root=$work/root
dpkg-deb -x "$deb" "$root"
prog=$root/usr/lib/nuvoxa
for file in nuvoxa libcallsdk.so libcallsdk-engine.so libcallsdk-http.so nuvoxa-update; do
  if ldd "$prog/$file" | grep 'not found'; then fail "unresolved libraries of $file"; fi
done
ldd "$prog/nuvoxa" | grep -F "$prog/libcallsdk.so" >/dev/null || fail "the client does not load the voice library next to it"
command -v desktop-file-validate >/dev/null &&
  desktop-file-validate "$root/usr/share/applications/nuvoxa.desktop"

# start_client PROGRAM: runs the client in a fresh private home for a few
# seconds and checks where it wrote.
start_client() {
  local program=$1 user=$work/user
  rm -rf "$user"
  mkdir -p "$user/home" "$user/runtime" "$user/tmp" "$user/cwd"
  chmod 700 "$user/runtime"
  (cd "$root" && find . | sort) >"$work/root.before"
  : >"$user/stamp"
  sleep 1
  (
    cd "$user/cwd"
    exec env -u NUVOXA_DATA_DIR -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME \
      HOME="$user/home" XDG_RUNTIME_DIR="$user/runtime" TMPDIR="$user/tmp" \
      QT_QPA_PLATFORM=offscreen NUVOXA_CLOUD_HOST=127.0.0.1:9 NUVOXA_WEB_HOST=127.0.0.1:9 \
      "$program" >"$work/client.log" 2>&1
  ) &
  local pid=$! i
  for i in $(seq 50); do
    [ -d "$user/home/.local/share/nuvoxa" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  sleep 3
  kill -0 $pid 2>/dev/null || { cat "$work/client.log" >&2; fail "$program ended on its own"; }
  # The voice library loads its engine a second after start, from its own folder.
  local client engine
  client=$(pgrep -P $pid -x nuvoxa || echo $pid)
  engine=$(grep -o '/[^ ]*libcallsdk-engine\.so' /proc/$client/maps | head -n 1 || true)
  kill -TERM $pid
  wait $pid 2>/dev/null || true

  [ "$(readlink -f "$engine")" = "$(readlink -f "$(dirname "$(readlink -f "$program")")/libcallsdk-engine.so")" ] ||
    { cat "$work/client.log" >&2; fail "the voice engine next to the client was not loaded (${engine:-none})"; }
  [ -d "$user/home/.local/share/nuvoxa/temp" ] ||
    fail "the client did not use its data folder \$XDG_DATA_HOME/nuvoxa"
  (cd "$root" && find . | sort) >"$work/root.after"
  diff "$work/root.before" "$work/root.after" >&2 || fail "the client wrote into the installed files"
  [ -z "$(ls -A "$user/cwd")" ] || fail "the client wrote into its working folder: $(ls -A "$user/cwd")"
  # Everything new under the scratch folder must be in the user's folders.
  local stray
  stray=$(find "$work" -newer "$user/stamp" ! -type d ! -path "$user/home/*" ! -path "$user/runtime/*" \
          ! -path "$user/tmp/*" ! -path "$work/client.log" ! -path "$work/root.after" || true)
  [ -z "$stray" ] || fail "files written outside the user's folders: $stray"
  echo "$program started; it wrote:"
  (cd "$user" && find home runtime tmp -type f | sort | sed 's/^/  /')
}

start_client "$root/usr/bin/nuvoxa"

if [ "${NUVOXA_PACKAGE_TEST_INSTALL:-0}" = 1 ]; then
  echo "== Installed with dpkg"
  [ "$(id -u)" = 0 ] || fail "installing needs root"
  ! dpkg-query -W -f='${Status}' nuvoxa 2>/dev/null | grep 'ok installed' >/dev/null ||
    fail "nuvoxa is installed already; not touching it"
  dpkg -i "$deb"
  trap 'dpkg -P nuvoxa >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
  [ -x /usr/bin/nuvoxa ] || fail "/usr/bin/nuvoxa missing after dpkg -i"
  root=/usr/lib/nuvoxa
  start_client /usr/bin/nuvoxa
  dpkg -P nuvoxa
  [ ! -e /usr/lib/nuvoxa ] && [ ! -e /usr/bin/nuvoxa ] || fail "dpkg -P left files behind"
fi
echo "PASS"
