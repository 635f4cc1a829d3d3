#!/usr/bin/env bash
# Runs every test: unit tests of both orientations (plain and sanitized) and the end-to-end tests,
# on a virtual X display of its own and SDL's dummy audio driver.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

display=99
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1024x1024x24 -nolisten tcp -noreset >/tmp/korvel-xvfb.log 2>&1 &
xvfb=$!
trap 'kill $xvfb ${small_xvfb:-} ${openbox:-} 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done

# A laptop's 1366 x 768 screen with a window manager (openbox), for the window's size and fullscreen.
small=$((display + 1))
while [ -e /tmp/.X11-unix/X$small ] || [ -e /tmp/.X$small-lock ]; do small=$((small + 1)); done
Xvfb :$small -screen 0 1366x768x24 -nolisten tcp -noreset >/tmp/korvel-xvfb-small.log 2>&1 &
small_xvfb=$!
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$small ] && break; sleep 0.1; done
DISPLAY=:$small openbox >/tmp/korvel-openbox.log 2>&1 &
openbox=$!
for _ in $(seq 50); do DISPLAY=:$small xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
# The programs run on the system's SDL 1.2 (the classic library on Debian 12); sdl12-compat's folder put
# first runs them on that one.
sdl12_compat=/usr/lib/$(gcc -print-multiarch)/sdl12-compat
export DISPLAY=:$display SDL_AUDIODRIVER=dummy
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

passed=0
failed=0
run() {
    echo "== $*"
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $*"; fi
}
for orientation in portrait landscape; do
    run build/tests/korvel-tests-$orientation
    run build-sanitize/tests/korvel-tests-$orientation
done
run build/tests/level/korvel-level-tests
run build-sanitize/tests/level/korvel-level-tests
run python3 tests/e2e/test_game.py build/run
run env LD_LIBRARY_PATH=$sdl12_compat python3 tests/e2e/test_game.py build/run
run python3 tests/e2e/test_install.py build
run python3 tests/e2e/test_saves.py build/run
run python3 tests/e2e/test_replay.py build/run
run bash tests/fuzz/run.sh build-fuzz quick
run env DISPLAY=:$small LD_LIBRARY_PATH=$sdl12_compat python3 tests/e2e/test_display.py build/run

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
