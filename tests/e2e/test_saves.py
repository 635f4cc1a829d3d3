#!/usr/bin/env python3
"""End-to-end checks that highscore.txt survives every way out: the real programs, on the X display
given by DISPLAY, are killed with SIGKILL at random moments around their exit, and each time
highscore.txt must be either the old file or the new one, whole. Then, with both cores kept busy by
a load this script starts and stops itself, the game and the benchmark end hundreds of times on
each SDL 1.2 library, each game in its own way (Escape, the close button, SIGINT or SIGTERM, paused
or not), on Xvfb displays of their own: every exit status must be 0 and every highscore.txt whole.

    python3 tests/e2e/test_saves.py <run-folder>

Prints one line per check (one per library and program for the exits) and exits with status 1 when
any check failed.
"""
import os
import queue
import random
import re
import shutil
import signal
import subprocess
import sys
import sysconfig
import tempfile
import threading
import time

import test_game
from test_game import Game, check, own_name, send_close_request

RUNS = 50
SAVED = "highscore: %i\nvsync: %i\nsound: 1\n"

LIBRARY_DIR = "/usr/lib/" + (sysconfig.get_config_var("MULTIARCH") or "x86_64-linux-gnu")
# Each SDL 1.2 library, chosen by LD_LIBRARY_PATH, and how many times the game and the benchmark
# each end on it.
LIBRARIES = (("sdl12-compat", LIBRARY_DIR + "/sdl12-compat", 200), ("classic SDL 1.2", LIBRARY_DIR, 100))
# The ways a game ends, taken in turn: "P, " first pauses it.
WAYS = ("Escape", "closing the window", "SIGINT", "SIGTERM",
        "P, Escape", "P, closing the window", "P, SIGINT", "P, SIGTERM")
# Programs run side by side, each on its own display, so that a window is found by its caption.
WORKERS = 4
STORED = "highscore: 4321\nvsync: 0\nsound: 1\n"
WHOLE = re.compile(r"highscore: \d+\nvsync: [01]\nsound: [01]\n")


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
        text = game.read(game.own("highscore.txt"))
        return "old" if text == old else "new" if text == new else None
    finally:
        game.finish()


def start_display():
    """A new Xvfb on a display number it chooses itself: (its process, ":n"), or (None, None)."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x1024x24", "-noreset",
                               "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    test_game.running.append(server)
    os.close(write)
    with os.fdopen(read) as told:
        number = told.readline().strip()
    return (server, ":" + number) if number else (None, None)


def end_game(process, env, way, pause):
    """Ends a started game in its way; False when its window never came."""
    found, deadline = [], time.time() + 60
    # A search fails at once when a window it lists closes meanwhile (the last game's): ask again.
    while not found and time.time() < deadline and process.poll() is None:
        found = subprocess.run(["xdotool", "search", "--sync", "--name", "^KORVEL"], env=env, text=True,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout.split()
        time.sleep(0 if found else 0.1)
    if not found:
        return False
    window = found[0]
    if way.startswith("P, "):
        subprocess.run(["xdotool", "key", "--window", window, "p"], env=env, stderr=subprocess.DEVNULL)
        way = way[3:]
    time.sleep(pause)
    if way == "Escape":
        subprocess.run(["xdotool", "key", "--window", window, "Escape"], env=env, stderr=subprocess.DEVNULL)
    elif way == "closing the window":
        send_close_request(int(window), env["DISPLAY"])
    else:
        process.send_signal(getattr(signal, way))
    return True


def exit_once(run, job, display):
    """One run of a program to its end; returns what went wrong, or None."""
    program, label, library, way, pause = job
    folder = tempfile.mkdtemp(prefix="korvel-exit-")
    try:
        for name in os.listdir(run):
            if name.endswith((".wav", ".xm", ".fnt")) or name == "level.txt":
                shutil.copy(os.path.join(run, name), folder)
        saved_path = os.path.join(folder, own_name(program, "highscore.txt"))
        with open(saved_path, "w") as f:
            f.write(STORED)
        env = dict(os.environ, DISPLAY=display, LD_LIBRARY_PATH=library, SDL_AUDIODRIVER="dummy",
                   KORVEL_BENCH_SHORT="1")
        process = subprocess.Popen([os.path.abspath(os.path.join(run, program))], cwd=folder, env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        try:
            window = program == "korvel-bench-portrait" or end_game(process, env, way, pause)
            output = process.communicate(timeout=60)[0].decode(errors="replace")
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        with open(saved_path) as f:
            saved = f.read()
        # The benchmark's scenes may raise the high score, and it names its library; a game ended from
        # its menu keeps the score.
        if program == "korvel-bench-portrait":
            whole = WHOLE.fullmatch(saved) and "(%s)" % label in output
        else:
            whole = saved == STORED
        if process.returncode != 0 or not whole or not window:
            return "%s %s: %sstatus %i, highscore.txt %r, output %r" % (
                program, way, "" if window else "no window, ", process.returncode, saved, output[-300:])
        return None
    except (OSError, subprocess.TimeoutExpired) as error:
        return "%s %s: %s" % (program, way, error)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def stress_exits(run, rng):
    """Every program's exit, hundreds of times on each library under load, WORKERS at a time."""
    jobs, problems = queue.Queue(), {}
    for label, library, count in LIBRARIES:
        for program in ("korvel-bench-portrait",) + test_game.PROGRAM_FILES:
            # The game's exits are shared between its two programs.
            runs = count if program == "korvel-bench-portrait" else count // 2
            problems[(label, program, runs)] = []
            for number in range(runs):
                jobs.put(((program, label, library, WAYS[number % len(WAYS)], rng.uniform(0, 0.2)),
                          (label, program, runs)))
    cores = os.cpu_count() or 2
    load = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(cores)]
    test_game.running.extend(load)

    def work():
        server, display = start_display()
        if not server:
            return
        try:
            while True:
                try:
                    job, key = jobs.get_nowait()
                except queue.Empty:
                    return
                problem = exit_once(run, job, display)
                if problem:
                    problems[key].append(problem)
        finally:
            server.terminate()
            server.wait()

    began = time.time()
    workers = [threading.Thread(target=work) for _ in range(WORKERS)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    for process in load:
        process.kill()
        process.wait()
    check("every exit was run (a display for each worker)", jobs.empty())
    for (label, program, runs), found in problems.items():
        check("%s on %s, %i exits under load: status 0 and highscore.txt whole" % (program, label, runs),
              not found, "%i bad, first: %s" % (len(found), found[0] if found else ""))
    print("%i exits in %.0f s" % (sum(count * 2 for _, _, count in LIBRARIES), time.time() - began))


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
        stress_exits(run, rng)
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
