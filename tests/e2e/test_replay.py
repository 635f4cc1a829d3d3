#!/usr/bin/env python3
"""End-to-end checks of replays: a game played with keys sent to the window and recorded with
--record, then watched with --replay, which must reach the same high score and write nothing; a
replay of the other build, one cut short and random bytes must each be refused with status 2. Both
programs' games in one replay folder: --replays names the program of each, and `--replay last`
picks the program's own, or says it has none.

    python3 tests/e2e/test_replay.py <run-folder>

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
import test_game  # noqa: E402  (the Game runner and check)
from test_game import Game, check, started, tuned_level, xdotool  # noqa: E402

ENDED = re.compile(r"replay ended at frame (\d+) of (\d+): score (\d+), high score (\d+)")


def record_game(run, program, label):
    """A one-player game with a new enemy every 20 frames, fire held while the ship moves; the
    replay's bytes and the high score the game saved, or None."""
    path = "game.korvel-replay"
    game = Game(run, program, args=["--record", path], level=tuned_level(run, [("timeBetweenEnemies", "20")]))
    if not started(game, label):
        return None
    try:
        game.hold("slash", 0.2)
        xdotool("keydown", "--window", game.window, "slash", "c")
        game.hold("Left", 2)
        game.hold("Up", 1)
        game.hold("Right", 2)
        xdotool("keyup", "--window", game.window, "slash", "c")
        game.key("Escape")
        status = game.wait()
        check(label + ": a recorded game ends with status 0", status == 0, "status %r" % status)
        saved = re.search(r"highscore: (\d+)", game.read(game.own("highscore.txt")) or "")
        with open(os.path.join(game.folder, path), "rb") as f:
            replay = f.read()
        check(label + ": --record writes the replay, under 100 KB", 0 < len(replay) < 100000, len(replay))
        return (replay, int(saved.group(1))) if saved else None
    except OSError as error:
        check(label + ": --record writes the replay", False, error)
        return None
    finally:
        game.finish()


def replay(run, program, data, timeout=120):
    """Runs `program --replay` on data in a folder of its own: (status, stdout, stderr, files left)."""
    folder = tempfile.mkdtemp(prefix="korvel-replay-")
    try:
        with open(os.path.join(folder, "run.korvel-replay"), "wb") as f:
            f.write(data)
        done = subprocess.run([os.path.join(os.path.abspath(run), program), "--replay", "run.korvel-replay"],
                              cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=timeout, env=dict(os.environ, HOME=folder, XDG_DATA_HOME=folder))
        return done.returncode, done.stdout, done.stderr, sorted(os.listdir(folder))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def test_replays(run, program, other, label):
    """The recorded game, watched and refused as it should be; its (bytes, high score), or None."""
    recorded = record_game(run, program, label)
    if not recorded:
        return None
    data, highscore = recorded
    check(label + ": the recorded game scored", highscore > 0, highscore)
    for attempt in ("", " again"):
        status, out, err, files = replay(run, program, data)
        ended = ENDED.search(out)
        check(label + ": --replay%s plays to the end with status 0" % attempt, status == 0 and ended,
              "status %r, stdout %r, stderr %r" % (status, out, err))
        if ended:
            check(label + ": --replay%s reaches the recorded game's high score" % attempt,
                  int(ended.group(4)) == highscore and int(ended.group(3)) >= highscore,
                  "%s, saved high score %i" % (ended.group(0), highscore))
        check(label + ": --replay%s writes no file" % attempt, files == ["run.korvel-replay"], files)
    refused = ((other, data, "made by " + program),
               (program, data[:len(data) // 2], "cut short"),
               (program, os.urandom(len(data)), "not a Korvel replay"))
    for player, bytes_, message in refused:
        status, out, err, _ = replay(run, player, bytes_, timeout=30)
        check("%s: %s --replay of a replay %s: status 2 and one line" % (label, player, message),
              status == 2 and message in err and err.count("\n") == 1, "status %r, stderr %r" % (status, err))
    return recorded


def in_data_home(run, program, data_home, *args):
    """Runs program with args, its saves in data_home: (status, stdout, stderr)."""
    done = subprocess.run([os.path.join(os.path.abspath(run), program)] + list(args), cwd=data_home,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120,
                          env=dict(os.environ, HOME=data_home, XDG_DATA_HOME=data_home))
    return done.returncode, done.stdout, done.stderr


def keep(data_home, name, recorded):
    """Puts a recorded game into the replay folder both programs share."""
    folder = os.path.join(data_home, "korvel", "replays")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(recorded[0])


def test_own_replays(run):
    """A landscape game, then a portrait one, in one replay folder: each program's `last` is its own."""
    data_home = tempfile.mkdtemp(prefix="korvel-replays-")
    try:
        landscape = test_replays(run, "korvel-landscape", "korvel", "korvel-landscape")
        if not landscape:
            return
        keep(data_home, "landscape.korvel-replay", landscape)
        status, out, err = in_data_home(run, "korvel", data_home, "--replay", "last")
        check("korvel --replay last beside a landscape game only: none of its own, status 2",
              status == 2 and "no games recorded by korvel in" in err, "status %r, stderr %r" % (status, err))
        portrait = test_replays(run, "korvel", "korvel-landscape", "korvel")
        if not portrait:
            return
        keep(data_home, "portrait.korvel-replay", portrait)
        status, out, _ = in_data_home(run, "korvel", data_home, "--replays")
        rows = {line.split()[-1].split("/")[-1]: line.split()[2] for line in out.splitlines()[1:]}
        check("--replays names the program of each game", status == 0 and rows == {
            "landscape.korvel-replay": "korvel-landscape", "portrait.korvel-replay": "korvel"}, out)
        for program, recorded in (("korvel", portrait), ("korvel-landscape", landscape)):
            status, out, err = in_data_home(run, program, data_home, "--replay", "last")
            ended = ENDED.search(out)
            check("%s --replay last plays its own game to the recorded high score" % program,
                  status == 0 and ended and int(ended.group(4)) == recorded[1],
                  "status %r, stdout %r, stderr %r" % (status, out, err))
    finally:
        shutil.rmtree(data_home, ignore_errors=True)


def main():
    if len(sys.argv) != 2:
        print("usage: test_replay.py <run-folder>", file=sys.stderr)
        return 2
    run = sys.argv[1]
    began = time.time()
    try:
        test_own_replays(run)
    finally:
        status = test_game.finish_run(began)
    return status


if __name__ == "__main__":
    sys.exit(main())
