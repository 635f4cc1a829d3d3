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
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done

# Screens with a window manager (openbox), for the window's size, fullscreen and the sharp picture: a
# laptop's 1366 x 768, and 1920 x 1080 and 2560 x 1440.
servers=()
trap 'kill $xvfb ${servers[*]:-} 2>/dev/null' EXIT
# Starts Xvfb with a screen of the given size on a free display, and openbox on it; sets screen.
start_screen() {
    screen=$((display + 1))
    while [ -e /tmp/.X11-unix/X$screen ] || [ -e /tmp/.X$screen-lock ]; do screen=$((screen + 1)); done
    Xvfb :$screen -screen 0 "$1"x24 -nolisten tcp -noreset >/tmp/korvel-xvfb-$1.log 2>&1 &
    servers+=($!)
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$screen ] && break; sleep 0.1; done
    DISPLAY=:$screen openbox >/tmp/korvel-openbox-$1.log 2>&1 &
    servers+=($!)
    for _ in $(seq 50); do
        DISPLAY=:$screen xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
        sleep 0.1
    done
}
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
# The demos (Demo.*), which play some ten thousand frames each, play once, in the plain build.
for orientation in portrait landscape; do
    run build/tests/korvel-tests-$orientation
    run build-sanitize/tests/korvel-tests-$orientation --gtest_filter=-Demo.*
done
run build/tests/level/korvel-level-tests
run build-sanitize/tests/level/korvel-level-tests
run python3 tests/e2e/test_game.py build/run
run env LD_LIBRARY_PATH=$sdl12_compat python3 tests/e2e/test_game.py build/run
run python3 tests/e2e/test_install.py build
run python3 tests/e2e/test_saves.py build/run
run env LD_LIBRARY_PATH=$sdl12_compat python3 tests/e2e/test_replay.py build/run
run python3 tests/e2e/test_table.py build
run python3 tests/e2e/test_options.py build/run
run bash tests/fuzz/run.sh build-fuzz quick
# The score server on SQLite and on a PostgreSQL cluster of its own, with a game recorded here.
run python3 tests/scores/test_scores.py build
for size in 1366x768 1920x1080 2560x1440; do
    start_screen $size
    run env DISPLAY=:$screen python3 tests/e2e/test_display.py build/run
done
# The browser games, which make test builds.
run node tests/web/test_web.js build/web build/web-data/music1.wav build/run
# The pages as an installable web app that plays offline, the front page on phones, lines at a pixel
# ratio of 2.
run node tests/web/test_page.js build/web build/run
# A game played in the page, sent to the score server, verified, and watched from its table page.
run node tests/web/test_runs.js build

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
