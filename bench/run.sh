#!/usr/bin/env bash
# Runs the benchmark from the run folder on virtual screens of its own (Xvfb), one as large as a
# 1920 x 1080 screen and one as a 3840 x 2160 one: the portrait game's own window, and both games'
# fullscreen pictures 1080 and 2160 pixels tall; each without and with smooth edges
# (multisampling), on both SDL 1.2 libraries. options.txt in the run folder chooses the mode and the
# smoothing, as a player's would.
set -euo pipefail
build=${1:-build-bench}
cd "$build/run"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
servers=()
trap 'kill ${servers[*]:-} 2>/dev/null; rm -f options.txt' EXIT
# Starts Xvfb with a screen of the given size on a free display; sets display to its name.
start_screen() {
    display=99
    while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
    Xvfb :$display -screen 0 "$1"x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    servers+=($!)
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
    display=:$display
}
start_screen 1920x1080
hd=$display
start_screen 3840x2160
uhd=$display
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# The programs run on the system's SDL 1.2 (the classic library on Debian 12); sdl12-compat's folder put
# first runs them on that one.
compat=/usr/lib/$(gcc -print-multiarch)/sdl12-compat
for library in sdl12-compat classic; do
    for picture in "portrait window $hd" "portrait fullscreen $hd" "landscape fullscreen $hd" \
        "portrait fullscreen $uhd" "landscape fullscreen $uhd"; do
        set -- $picture
        for smooth in off on; do
            printf 'mode: %s\nsmooth: %s\n' "$2" "$smooth" > options.txt
            echo "== $library, $1, $2 on $3, smooth $smooth"
            if [ $library = classic ]; then
                DISPLAY=$3 ./korvel-bench-$1
            else
                DISPLAY=$3 LD_LIBRARY_PATH=$compat ./korvel-bench-$1
            fi
            echo
        done
    done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
