#!/usr/bin/env bash
# Runs the benchmark from the run folder on virtual screens of its own (Xvfb).
#
#   bench/run.sh [build-folder] [all]
#
# Without "all" (make bench, a couple of minutes): the portrait game's own window on a screen as
# large as a 1920 x 1080 one, on both SDL 1.2 libraries. With "all" (make bench-all, the whole
# matrix): also both games' fullscreen pictures 1080 and 2160 pixels tall (on a 3840 x 2160 screen),
# each without and with smooth edges (multisampling), on both libraries. options.txt in the run
# folder chooses the mode and the smoothing, as a player's would.
set -euo pipefail
build=${1:-build-bench}
matrix=${2:-plain}
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
if [ "$matrix" = all ]; then
    start_screen 3840x2160
    uhd=$display
fi
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# The programs run on the system's SDL 1.2 (the classic library on Debian 12); sdl12-compat's folder put
# first runs them on that one.
compat=/usr/lib/$(gcc -print-multiarch)/sdl12-compat
pictures=("portrait window $hd")
smoothing=(off)
if [ "$matrix" = all ]; then
    pictures+=("portrait fullscreen $hd" "landscape fullscreen $hd" "portrait fullscreen $uhd"
        "landscape fullscreen $uhd")
    smoothing+=(on)
fi
for library in sdl12-compat classic; do
    for picture in "${pictures[@]}"; do
        set -- $picture
        for smooth in "${smoothing[@]}"; do
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
