#!/usr/bin/env python3
"""End-to-end checks of the score table and the title screen's demo, with both programs:

- installed (cmake --install into a temporary prefix), a game on a deadly level that enters the
  table: the name typed at the game-over screen (Up, then fire three times), scores.txt with the
  entry and its replay kept, then T on the title menu, fire on the entry: its replay watched in the
  game to the same score, Escape back to the menu, and the saved high score untouched by it;
- from the run folder, the title left alone (KORVEL_TITLE_IDLE=1): the demo starts (the caption
  says REPLAY), a key ends it, and nothing of it is saved.

    python3 tests/e2e/test_table.py <build-folder>

Runs on the X display given by DISPLAY, with SDL's dummy audio driver.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_game  # noqa: E402
from test_game import DEADLY_LEVEL, Game, check, poll, start_and_find_ship, started, tuned_level, xdotool  # noqa: E402

ENTRY = re.compile(r"^(\d+) BAA 1p custom \d{4}-\d\d-\d\d (\S+\.korvel-replay)$", re.M)
ENDED = re.compile(r"replay ended at frame (\d+) of \1: score (\d+)")


def press(game, key):
    """A press the frames see, even at a few frames per second on the deadly level: held for a
    while, then released for a while."""
    game.hold(key, 0.6)
    time.sleep(0.6)


def install(build):
    prefix = tempfile.mkdtemp(prefix="korvel-table-prefix-")
    done = subprocess.run(["cmake", "--install", build, "--prefix", prefix], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    return prefix if check("cmake --install into a temporary prefix", done.returncode == 0, done.stdout) else None


def test_table(prefix, run, program, start, sideways, label):
    home = tempfile.mkdtemp(prefix="korvel-table-home-")
    saves = os.path.join(home, "data", "korvel")
    env = {"HOME": home, "XDG_DATA_HOME": os.path.join(home, "data"), "XDG_CONFIG_HOME": os.path.join(home, "config")}
    game = Game(os.path.join(prefix, "games"), program, level=tuned_level(run, DEADLY_LEVEL), env=env)
    if not started(game, label):
        return
    try:
        check(label + ": the game starts", len(start_and_find_ship(game, start)) >= 10)
        # Fire held, to and fro, until an enemy is hit; then the deadly level ends the game.
        xdotool("keydown", "--window", game.window, "slash")
        for key in sideways * 8:
            game.hold(key, 0.3)
        xdotool("keyup", "--window", game.window, "slash")
        replays = os.path.join(saves, "replays")
        ended = poll(120, lambda: os.path.isdir(replays) and os.listdir(replays), 0.5)
        if not check(label + ": the game ends and its replay is saved", ended):
            return
        time.sleep(0.5)
        for key in ("Up", "z", "z", "z"):
            press(game, key)
        table = poll(10, lambda: os.path.exists(os.path.join(saves, "scores.txt")), 0.2)
        text = open(os.path.join(saves, "scores.txt")).read() if table else ""
        entry = ENTRY.search(text)
        check(label + ": scores.txt holds the run as BAA, one player, its own level, with its replay", entry,
              repr(text))
        if not entry:
            return
        check(label + ": the entry's replay is kept", os.path.exists(os.path.join(replays, entry.group(2))))
        time.sleep(0.5)
        press(game, "t")
        # Fire held until the replay plays (the table opens on the entry's table, entry chosen).
        xdotool("keydown", "--window", game.window, "z")
        check(label + ": fire on the table's entry watches its replay",
              poll(20, lambda: caption_says(game, "REPLAY"), 0.2))
        xdotool("keyup", "--window", game.window, "z")
        out = lambda: game.read("stdout.txt") or ""  # noqa: E731
        watched = poll(180, lambda: ENDED.search(out()), 0.5)
        check(label + ": the entry's replay plays to its end in the game, to the entry's score",
              watched and watched.group(2) == entry.group(1), "stdout %r, entry %s" % (out(), entry.group(1)))
        press(game, "Escape")  # the table back to the menu
        time.sleep(0.5)
        game.key("Escape")
        check(label + ": the game ends with status 0", game.wait() == 0)
        saved = open(os.path.join(saves, test_game.own_name(program, "highscore.txt", in_save_folder=True))).read()
        check(label + ": the high-score file keeps the run's score", saved.startswith("highscore: %s\n" % entry.group(1)),
              repr(saved))
    finally:
        xdotool("keyup", "--window", game.window, "slash", "z", "Up", "Down", "Left", "Right")
        game.finish()
        shutil.rmtree(home, ignore_errors=True)


def caption_says(game, word):
    return (xdotool("getwindowname", str(game.window)) or "").find(word) >= 0


def test_demo(run, program, label):
    game = Game(run, program, env={"KORVEL_TITLE_IDLE": "1"})
    if not started(game, label):
        return
    try:
        check(label + ": the title left alone plays the demo", poll(30, lambda: caption_says(game, "REPLAY"), 0.2))
        game.key("space")
        check(label + ": a key ends the demo", poll(10, lambda: caption_says(game, "FPS"), 0.2))
        game.key("Escape")
        check(label + ": the game ends with status 0", game.wait() == 0)
        check(label + ": the demo's score is not saved", game.read("highscore.txt").startswith("highscore: 0\n"),
              game.read("highscore.txt"))
    finally:
        game.finish()


def main():
    if len(sys.argv) != 2:
        print("usage: test_table.py <build-folder>", file=sys.stderr)
        return 2
    build = sys.argv[1]
    run = os.path.join(build, "run")
    began = time.time()
    prefix = install(build)
    try:
        for program, start, sideways in (("korvel", (240, 600), ("Left", "Right")),
                                         ("korvel-landscape", (200, 240), ("Up", "Down"))):
            test_demo(run, program, program)
            if prefix:
                test_table(prefix, run, program, start, sideways, program + " (installed)")
    finally:
        status = test_game.finish_run(began)
        if prefix:
            shutil.rmtree(prefix, ignore_errors=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
