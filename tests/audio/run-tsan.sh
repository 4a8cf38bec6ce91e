#!/usr/bin/env bash
# ThreadSanitizer run of the audio tests: the ring and the dialog with
# scripted devices, and the suites against a private sound server.
#   tests/audio/run-tsan.sh [build folder, default build-audio-tsan]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$src/build-audio-tsan}
generator=()
command -v ninja > /dev/null && generator=(-G Ninja)
cmake -S "$src" -B "$build" "${generator[@]}" -DNUVOXA_SANITIZE=thread > /dev/null
tests=(unit_test_audioring widget_test_audiowidgets integration_audio_test_audioloop
       integration_audio_test_volume)
# The skin renderer runs under the sanitizer too and trips over Qt's own
# (uninstrumented) threads; the pictures it renders are unaffected.
TSAN_OPTIONS="exitcode=0 report_bugs=0" cmake --build "$build" --target "${tests[@]}"
cd "$build/bin"
status=0
for test in "${tests[@]}"; do
  echo "== $test"
  log="$build/testrun/tsan-$test.log"
  mkdir -p "$build/testrun"
  if ! env QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' LC_ALL=C.UTF-8 \
      NUVOXA_SCREENSHOT_DIR="$build/screenshots" \
      TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$src/tests/audio/tsan.supp" \
      "$src/tests/support/run-test.sh" "$build/testrun/tsan-$test" "./$test" > "$log" 2>&1; then
    status=1
    echo "FAILED, see $log"
  fi
  grep -E '^(FAIL|Totals)|ThreadSanitizer' "$log" || true
done
exit $status
