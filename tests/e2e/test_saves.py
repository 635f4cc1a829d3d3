#!/usr/bin/env python3
"""End-to-end check that highscore.txt survives a hard stop: the real programs, on the X display
given by DISPLAY, are killed with SIGKILL at random moments around their exit, and each time
highscore.txt must be either the old file or the new one, whole.

    python3 tests/e2e/test_saves.py <run-folder>

Prints one line per check and exits with status 1 when any check failed.
"""
import os
import random
import signal
import subprocess
import sys
import time

import test_game
from test_game import Game, check

RUNS = 50
SAVED = "highscore: %i\nvsync: %i\nsound: 1\n"


def kill_around_exit(run, program, number, rng):
    """One run: a stored file, a menu key that changes what the game will save (R resets the high
    score, V flips v-sync), Escape, then SIGKILL after a random short wait. Returns which file was
    found: "old", "new", or None when it was neither."""
    old = SAVED % (1000 + number, 0)
    reset = number % 2 == 0
    new = SAVED % (0, 0) if reset else SAVED % (1000 + number, 1)
    game = Game(run, program, highscore=old)
    if game.window is None:
        game.finish()
        return None
    try:
        game.hold("r" if reset else "v", 0.1)
        time.sleep(0.05)
        # Escape goes out without waiting for xdotool, so that the kill may come before, during
        # or after the save.
        escape = subprocess.Popen(["xdotool", "key", "--window", str(game.window), "Escape"],
                                  stderr=subprocess.DEVNULL)
        time.sleep(rng.uniform(0, 0.08))
        if game.process.poll() is None:
            game.process.send_signal(signal.SIGKILL)
        escape.wait()
        game.wait()
        text = game.read("highscore.txt")
        return "old" if text == old else "new" if text == new else None
    finally:
        game.finish()


def main():
    if len(sys.argv) != 2:
        print("usage: test_saves.py <run-folder>", file=sys.stderr)
        return 2
    run = sys.argv[1]
    seed = int(os.environ.get("KORVEL_SAVES_SEED", time.time()))
    rng = random.Random(seed)
    began = time.time()
    found = {"old": 0, "new": 0, None: 0}
    try:
        for number in range(RUNS):
            program = test_game.PROGRAM_FILES[number % 2]
            outcome = kill_around_exit(run, program, number, rng)
            found[outcome] += 1
            check("%s killed around its exit (run %i): highscore.txt is the old or the new file" %
                  (program, number), outcome is not None)
    finally:
        for process in test_game.running:
            if process.poll() is None:
                process.kill()
                process.wait()
    print("seed %i: %i old, %i new, %i damaged" % (seed, found["old"], found["new"], found[None]))
    failures = test_game.failures
    print("%s: %i failed (%.0f s)" % ("FAILED" if failures else "PASSED", failures, time.time() - began))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
