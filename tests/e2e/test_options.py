#!/usr/bin/env python3
"""End-to-end run of the options screen in both games: O opens it from the title menu, player 1's
fire is moved to X by pressing X (controls.txt follows, X fires in play and / no longer does), the
music volume is turned down (options.txt follows), and Backspace leaves it.

    python3 tests/e2e/test_options.py <run-folder>

Uses the helpers of test_game.py; prints one line per check, exits with status 1 when one failed.
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_game  # noqa: E402
from test_game import Game, check, fire_and_look, poll, start_and_find_ship, started, xdotool  # noqa: E402

# Keys this run presses, released before each game starts (see test_game.KEYS).
test_game.KEYS = test_game.KEYS + ("o", "x", "s", "w", "a", "BackSpace")

# Down five times, to P1 FIRE (the keys page's rows: its name, then the actions in the controls file's
# order), and Up five times back. The classic SDL takes a key's release followed at once by its press
# for the keyboard's own repeat and drops both, so the same move alternates between player 1's and
# player 2's keys.
DOWN_TO_P1_FIRE = ("Down", "s", "Down", "s", "Down")
UP_FROM_P1_FIRE = ("Up", "w", "Up", "w", "Up")


def file_holds(game, name, text):
    return lambda: text in (game.read(name) or "")


def test_options(run, program, label, start, forward):
    game = Game(run, program)
    if not started(game, label):
        return
    try:
        check(label + ": no options.txt or controls.txt before anything is chosen",
              game.read(game.own("options.txt")) is None and game.read("controls.txt") is None)
        game.key("o")
        game.key(*DOWN_TO_P1_FIRE, "Return", "x")
        check(label + ": X pressed for P1 FIRE writes controls.txt",
              poll(5, file_holds(game, "controls.txt", "\np1 fire = x\n")), game.read("controls.txt"))
        controls = game.read("controls.txt") or ""
        check(label + ": the other keys stay", "\np1 solo fire = z\n" in controls and "\np2 fire = b\n" in controls,
              controls)
        # Back to the page's name, on to the sound page, the music three steps down.
        game.key(*UP_FROM_P1_FIRE, "Right", "Down", "Left", "a", "Left")
        check(label + ": the music volume turned down writes options.txt",
              poll(5, file_holds(game, game.own("options.txt"), "\nmusic: 7\n")), game.read(game.own("options.txt")))
        options = game.read(game.own("options.txt")) or ""
        check(label + ": options.txt keeps the window's lines and only what was chosen",
              options == "mode: window\nscale: fit\nmusic: 7\n", repr(options))
        game.key("BackSpace")
        xdotool("keydown", "--window", game.window, "c")  # hits cost nothing while looking
        ship = start_and_find_ship(game, start)
        if check(label + ": back on the menu, fire starts a game", len(ship) >= 10, "%i grey pixels" % len(ship)):
            x, y = sum(p[0] for p in ship) / len(ship), sum(p[1] for p in ship) / len(ship)
            shots = fire_and_look(game, "x", (x, y), forward)
            check(label + ": X fires in play", len(shots) >= 10, "%i blue pixels" % len(shots))
            time.sleep(1)  # the shots fly off
            shots = fire_and_look(game, "slash", (x, y), forward, looks=5)
            check(label + ": / no longer fires", len(shots) == 0, "%i blue pixels" % len(shots))
        game.key("Escape")
        check(label + ": Escape ends the program", game.wait() == 0)
        check(label + ": the choices stay in options.txt", "music: 7" in (game.read(game.own("options.txt")) or ""))
    finally:
        xdotool("keyup", "--window", game.window, "c", "x", "slash")
        game.finish()


def main():
    if len(sys.argv) != 2:
        print("usage: test_options.py <run-folder>", file=sys.stderr)
        return 2
    run = sys.argv[1]
    builds = (("korvel", (240, 600), (0, 1)), ("korvel-landscape", (200, 240), (1, 0)))
    began = time.time()
    try:
        for program, start, forward in builds:
            test_options(run, program, program, start, forward)
    finally:
        status = test_game.finish_run(began)
    return status

if __name__ == "__main__":
    sys.exit(main())
