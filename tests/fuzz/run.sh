#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build folder, on a virtual X display of its own and SDL's
# dummy audio driver, from the folder's run folder (the game's own data files):
#
#     tests/fuzz/run.sh <build-fuzz> full    every reader 200000 inputs, the whole game 2000
#     tests/fuzz/run.sh <build-fuzz> quick   a short pass of every target, then every kept input
#
# The seed corpora are the game's own default files. Any finding fails the run; its input is
# written to <build-fuzz>/findings/<target>/, and belongs in tests/fuzz/regressions/<target>/
# once the fault is mended, so that every later quick pass replays it.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
mode=${2:-full}
targets="level highscore font replay table game game-landscape scores"

display=150
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1024x1024x24 -nolisten tcp -noreset >/tmp/korvel-fuzz-xvfb.log 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=:$display SDL_AUDIODRIVER=dummy
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# The seeds: level.txt and font.fnt as the build made them, the high-score file a fresh game
# writes, a score table of two entries, a replay the game records of its first two seconds, and a
# name with a verifier's answer.
seed() {
    local target=$1 folder=$2
    mkdir -p "$folder"
    case $target in
    level | game*) cp "$build/run/level.txt" "$folder/" ;;
    font) cp "$build/run/font.fnt" "$folder/" ;;
    highscore) printf 'highscore: 0\nvsync: 0\nsound: 1\n' >"$folder/highscore.txt" ;;
    table) printf '12300 ABC 1p normal 2026-12-08 20261208-214501-1p.korvel-replay\n900 Z 2p hard 2026-01-31 -\n' \
        >"$folder/scores.txt" ;;
    scores)
        printf '<b>ace</b>\0{"verdict":"verified","score":[2700,0],"mode":"1p","difficulty":"normal",%s\n' \
            '"version":"1.0.0","frames":2549,"seconds":13.7,"digest":"00ff"}' >"$folder/verdict.txt"
        ;;
    replay)
        "$build/run/korvel" --record "$folder/seed.korvel-replay" >/dev/null 2>&1 &
        local game=$!
        sleep 2
        kill -TERM $game
        wait $game
        ;;
    esac
}

runs() {
    case $mode:$1 in
    full:game*) echo 2000 ;;
    full:*) echo 200000 ;;
    quick:game*) echo 8 ;;
    quick:*) echo 3000 ;;
    esac
}

passed=0
failed=0
cd "$build/run" || exit 1
for target in $targets; do
    program="$build/tests/fuzz/fuzz-$target"
    findings="$build/findings/$target"
    mkdir -p "$findings"
    if [ "$mode" = quick ]; then
        corpus=$(mktemp -d) # a fresh corpus: the same short pass every time
        options="-seed=1"
    else
        corpus="$build/corpus/$target" # grows from run to run
        options=""
    fi
    seed "$target" "$corpus"
    echo "== fuzz-$target: $(runs "$target") inputs"
    if "$program" -runs="$(runs "$target")" -timeout=60 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$findings/" $options "$corpus" 2>"$build/fuzz-$target.log"; then
        passed=$((passed + 1))
        grep -h "stat::number_of_executed_units" "$build/fuzz-$target.log"
    else
        failed=$((failed + 1))
        tail -n 40 "$build/fuzz-$target.log"
        echo "FAILED: fuzz-$target (log $build/fuzz-$target.log, input in $findings/)"
    fi
    [ "$mode" = quick ] && rm -rf "$corpus"

    kept=$(find "$root/tests/fuzz/regressions/$target" -type f 2>/dev/null | sort)
    if [ -n "$kept" ]; then
        echo "== fuzz-$target: $(echo "$kept" | wc -l) kept inputs"
        # shellcheck disable=SC2086
        if "$program" -timeout=60 -rss_limit_mb=4096 $kept 2>"$build/fuzz-$target-kept.log"; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            tail -n 40 "$build/fuzz-$target-kept.log"
            echo "FAILED: fuzz-$target on a kept input (log $build/fuzz-$target-kept.log)"
        fi
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
