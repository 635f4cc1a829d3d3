#!/usr/bin/env bash
# Runs the benchmark from the run folder, on the user's display or on a virtual one.
set -euo pipefail
build=${1:-build-bench}
cd "$build/run"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
if [ -z "${DISPLAY:-}" ]; then
    display=99
    while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
    Xvfb :$display -screen 0 1024x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null' EXIT
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
    export DISPLAY=:$display
fi
# On sdl12-compat (its folder put first), then on the classic library (the system's default).
LD_LIBRARY_PATH=/usr/lib/$(gcc -print-multiarch)/sdl12-compat ./korvel-bench
echo
./korvel-bench
