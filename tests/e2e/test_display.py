#!/usr/bin/env python3
"""End-to-end checks of the window's size and mode, the picture drawn at the window's real size, the
options file and the command line: the real programs on sdl12-compat and on the classic SDL 1.2
library, each chosen with LD_LIBRARY_PATH.

    python3 tests/e2e/test_display.py <run-folder>

DISPLAY must be a screen with a window manager (tests/run.sh starts Xvfb and openbox): without one,
nothing makes a fullscreen window fill the screen. A 1366 x 768 screen gets the checks of the laptop
window, the scales and the command line; a larger one those of the sharp picture in fullscreen and in
a window resized by the window manager. Prints one line per check and exits with status 1 when any
check failed.
"""
import os
import signal
import subprocess
import sys
import sysconfig
import tempfile
import time

import test_game
from test_game import (DEFAULT_HIGHSCORE, Game, check, check_exit, find_pixels, own_name, poll, running,
                       screenshot, send_close_request, started, tuned_level, white, xdotool)

SCREEN = (1366, 768)
LIBRARY_DIR = "/usr/lib/" + (sysconfig.get_config_var("MULTIARCH") or "x86_64-linux-gnu")
COMPAT_DIR = LIBRARY_DIR + "/sdl12-compat"
# Each library's folder comes first, before any run path.
LIBRARIES = {"sdl12-compat": {"LD_LIBRARY_PATH": COMPAT_DIR}, "classic": {"LD_LIBRARY_PATH": LIBRARY_DIR}}
COMPAT = LIBRARIES["sdl12-compat"]
FITTED = {"korvel": (420, 700), "korvel-landscape": (800, 480)}  # 7/8 leaves room for a panel on 768
UNSCALED = {"korvel": (480, 800), "korvel-landscape": (800, 480)}
# --scale 2 and a saved scale of 4 on 1366 x 768: the largest eighths that fit with room for a panel.
FITTED_LARGE = {"korvel": (420, 700), "korvel-landscape": (1100, 660)}
# How long a sharp picture is waited for after a change of size.
SETTLE_SECONDS = 60


def screen_size():
    """The (width, height) of DISPLAY's screen."""
    text = subprocess.run(["xdpyinfo"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    found = [line.split()[1] for line in text.splitlines() if line.strip().startswith("dimensions:")]
    return tuple(int(n) for n in found[0].split("x")) if found else None


def geometry(game):
    """The window's (width, height), or None."""
    text = xdotool("getwindowgeometry", game.window) or ""
    found = [line.split()[1] for line in text.splitlines() if line.strip().startswith("Geometry:")]
    return tuple(int(n) for n in found[0].split("x")) if found else None


def runtime(game):
    """The folder of the SDL 1.2 library the running program loaded."""
    try:
        with open("/proc/%i/maps" % game.process.pid) as f:
            paths = {line.split()[-1] for line in f if "libSDL-1.2.so" in line}
    except OSError:
        return None
    return os.path.dirname(paths.pop()) if len(paths) == 1 else None


def wait_geometry(game, size):
    """The window's size once it is size, or after 10 s."""
    poll(10, lambda: geometry(game) == size, 0.2)
    return geometry(game)


def lit(r, g, b):
    return max(r, g, b) >= 16


def quiet_level(run):
    """No enemy ever comes: the title menu stays as it is, apart from the scrolling background."""
    return tuned_level(run, (("timeBetweenEnemies", "1000000"),))


def resized(image, size):
    """image scaled to size with ImageMagick, as (width, height, RGB bytes)."""
    width, height, pixels = image
    header = b"P6\n%i %i\n255\n" % (width, height)
    done = subprocess.run(["convert", "ppm:-", "-resize", "%ix%i!" % size, "-depth", "8", "ppm:-"],
                          input=header + pixels, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)
    body = done.stdout.split(b"\n", 3)
    return (size[0], size[1], body[3]) if len(body) == 4 and len(body[3]) == size[0] * size[1] * 3 else None


def text_boxes(size):
    """The title and the menu's three lines (without the moving marker) in a picture of size."""
    width, height = size
    cx, cy = width // 2, height // 2
    top = cy - (height // 4 + 20)
    return ((cx - 100, top - 5, cx + 100, top + 60), (cx - 62, cy - 5, cx + 62, cy + 125))


def text_agreement(a, b):
    """How far the white text of two same-sized pictures agrees: the smaller of the share of a's white
    pixels that are bright in b and the share of b's white pixels that are bright in a."""
    def bright(r, g, b_):
        return min(r, g, b_) >= 100
    shares = []
    for box in text_boxes(a[:2]):
        for one, other in ((a, b), (b, a)):
            whites = find_pixels(one, box, white)
            brights = set(find_pixels(other, box, bright))
            shares.append(sum(p in brights for p in whites) / max(len(whites), 1))
    return min(shares)


def mean_difference(a, b):
    return sum(abs(x - y) for x, y in zip(a[2], b[2])) / max(len(a[2]), 1)


def test_command_line(run, program):
    """--help, --version and mistakes end at once, and write nothing."""
    folder = tempfile.mkdtemp(prefix="korvel-e2e-")
    try:
        def start(*args):
            try:
                done = subprocess.run([os.path.join(os.path.abspath(run), program)] + list(args), cwd=folder,
                                      stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                      timeout=20, text=True)
                return done.returncode, done.stdout, done.stderr
            except subprocess.TimeoutExpired:
                return None, "", ""
        status, out, err = start("--help")
        check(program + ": --help prints the usage, status 0",
              status == 0 and out.startswith("usage: ") and "--fullscreen" in out and err == "", (status, err))
        status, out, err = start("--version")
        check(program + ": --version prints 'korvel 1.0.0'", (status, out, err) == (0, "korvel 1.0.0\n", ""),
              (status, out, err))
        for args in (("--bogus",), ("--scale", "9"), ("--scale",)):
            status, out, err = start(*args)
            check(program + ": %s: usage on stderr, status 2" % " ".join(args),
                  status == 2 and out == "" and "usage: " in err, (status, out, err))
        check(program + ": the command line alone writes no file", os.listdir(folder) == [], os.listdir(folder))
    finally:
        subprocess.run(["rm", "-rf", folder])


def window_box(game):
    """The window's (x, y, width, height) on the screen, its frame aside (xwininfo's absolute position:
    xdotool counts the window manager's frame twice); None when unknown."""
    try:
        text = subprocess.run(["xwininfo", "-id", str(game.window)], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True, timeout=10).stdout
    except subprocess.TimeoutExpired:
        return None
    found = dict(line.strip().split(":", 1) for line in text.splitlines()
                 if line.strip().startswith(("Absolute upper-left", "Width", "Height")))
    try:
        return tuple(int(found[key]) for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                                 "Height"))
    except (KeyError, ValueError):
        return None


def on_screen(game):
    """True when the whole window, its frame aside, lies on the screen."""
    box = window_box(game)
    return box is not None and box[0] >= 0 and box[1] >= 0 and box[0] + box[2] <= SCREEN[0] and \
        box[1] + box[3] <= SCREEN[1]


def test_place_kept(run, program, library):
    """A window moved by the window manager, then fullscreen and back: it returns where it was."""
    label = "%s on %s, back from fullscreen" % (program, library)
    game = Game(run, program, env=LIBRARIES[library])
    if not started(game, label):
        return
    try:
        first = window_box(game)
        xdotool("windowmove", game.window, "300", "40")
        poll(10, lambda: window_box(game) != first, 0.2)
        moved = window_box(game)
        xdotool("windowactivate", "--sync", game.window)  # sdl12-compat takes keys only with the focus
        game.key("F11")
        check(label + ": F11 fills the screen", wait_geometry(game, SCREEN) == SCREEN, geometry(game))
        game.key("F11")
        wait_geometry(game, FITTED[program])
        check(label + ": the window returns where it was moved", poll(10, lambda: window_box(game) == moved, 0.2),
              "moved to %r from %r, back at %r" % (moved, first, window_box(game)))
    finally:
        game.finish()


def test_fitted_window(run, program, library):
    """No options, no options file: the window fits the screen, and nothing new is written."""
    label = "%s on %s" % (program, library)
    game = Game(run, program, env=LIBRARIES[library])
    if not started(game, label + " fitted"):
        return
    try:
        check(label + ": runs on its library", runtime(game) == LIBRARIES[library]["LD_LIBRARY_PATH"],
              repr(runtime(game)))
        size = geometry(game)
        check(label + ": window fits a 1366 x 768 screen, %ix%i" % FITTED[program], size == FITTED[program], size)
        game.key("Escape")
        check_exit(game, label + " fitted", "Escape")
        check(label + ": no options file without a choice", game.read(game.own("options.txt")) is None)
        check(label + ": nothing on stderr", game.read("stderr.txt") == "", game.read("stderr.txt"))
    finally:
        game.finish()


def test_too_large(run, program, library, args=(), files=None):
    """A scale too large for the screen, asked for or saved: the window is fitted, wholly on the screen,
    and a note says so."""
    label = "%s on %s, %s" % (program, library, " ".join(args) or "saved scale 4")
    game = Game(run, program, env=LIBRARIES[library], args=args, files=files)
    if not started(game, label):
        return
    try:
        size = wait_geometry(game, FITTED_LARGE[program])
        check(label + ": a %ix%i window" % FITTED_LARGE[program], size == FITTED_LARGE[program], size)
        check(label + ": wholly on the screen", poll(5, lambda: on_screen(game), 0.2))
        err = game.read("stderr.txt") or ""
        check(label + ": a one-line note on stderr", err.count("does not fit") == 1 and err.count("\n") == 1,
              repr(err))
    finally:
        game.finish()


def whole_screen():
    """A screenshot of the whole screen: the classic library shows fullscreen in a window of its own."""
    return screenshot("root")


def paused_shot(game, shoot=None):
    """Pauses the game and returns a screenshot (of the window, or by shoot) of the frame that stays."""
    game.key("p")
    time.sleep(0.5)
    return shoot() if shoot else game.shot()


def test_scaled_window(run):
    """--scale 0.75: a 360 x 600 portrait window, remembered; the picture is the whole frame, scaled.
    The landscape game's 800 x 480 fits this screen unscaled, so its scale-1 picture is the reference."""
    game = Game(run, "korvel", args=("--scale", "0.75"), env=COMPAT)
    if not started(game, "korvel --scale 0.75"):
        return
    try:
        check("korvel --scale 0.75: window is 360x600", geometry(game) == (360, 600), geometry(game))
        game.key("Escape")
        check_exit(game, "korvel --scale 0.75", "Escape")
        options = game.read(game.own("options.txt"))
        check("korvel --scale 0.75: options.txt holds the choice", options == "mode: window\nscale: 0.75\n",
              repr(options))
    finally:
        game.finish()
    again = Game(run, "korvel", files={"options.txt": options or ""}, env=COMPAT)
    if started(again, "korvel, scale remembered"):
        check("korvel: the next start opens the remembered 360x600", geometry(again) == (360, 600), geometry(again))
        again.finish()

    shots = {}
    for scale in ("1", "0.75"):
        game = Game(run, "korvel-landscape", level=quiet_level(run), args=("--scale", scale), env=COMPAT)
        if started(game, "korvel-landscape --scale " + scale):
            shots[scale] = (geometry(game), paused_shot(game))
            game.finish()
    if len(shots) == 2 and shots["1"][1] and shots["0.75"][1]:
        check("korvel-landscape: --scale 1 is 800x480 and --scale 0.75 600x360",
              (shots["1"][0], shots["0.75"][0]) == ((800, 480), (600, 360)), shots)
        back = resized(shots["0.75"][1], (800, 480))
        agreement = text_agreement(shots["1"][1], back) if back else 0
        check("korvel-landscape: the 0.75 picture scaled back matches the scale-1 picture", agreement >= 0.9,
              "%.2f of the text agrees" % agreement)


def picture_box(size, program):
    """The picture's (left, top, width, height) and scale, letterboxed in a window or screen of size."""
    world = UNSCALED[program]
    scale = min(size[0] / world[0], size[1] / world[1])
    width, height = round(world[0] * scale), round(world[1] * scale)
    return ((size[0] - width) // 2, (size[1] - height) // 2, width, height), scale


def letterboxed(image, box):
    """True when a screenshot shows the picture in box (left, top, width, height), black bars around it."""
    width, height, _ = image
    left, top, w, h = box
    inside = find_pixels(image, (left, top, left + w, top + h), lit)
    if len(inside) < 1000 or len(find_pixels(image, (0, 0, width, height), lit)) != len(
            find_pixels(image, (left - 2, top - 2, left + w + 2, top + h + 2), lit)):
        return False
    xs = sorted(p[0] for p in inside)
    ys = sorted(p[1] for p in inside)
    return (abs(xs[0] - left) <= 3 and abs(xs[-1] - (left + w - 1)) <= 3 and abs(ys[0] - top) <= 3 and
            abs(ys[-1] - (top + h - 1)) <= 3)


def edge_ramps(image, box, scale):
    """How many pixels wide the life bar's outline is at its left and right sides, across a row through
    the bar's middle (102 units above the picture's bottom): the run of white pixels a quarter lit or
    more around each side (2 and 17 units from the picture's left edge)."""
    width, height, pixels = image
    left, top, w, h = box
    y = top + h - round(102 * scale)
    reach = round(2 * scale) + 3

    def ramp(units):
        centre = left + round(units * scale)
        xs = [x for x in range(max(centre - reach, 0), min(centre + reach + 1, width))
              if min(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]) >= 64]
        return max(xs) - min(xs) + 1 if xs else 0
    return ramp(2), ramp(17)


def check_sharp(label, shoot, box, scale):
    """The picture centred in box, and the outline's sides no wider than 2 x scale + 1 pixels (2 in the
    unscaled window). Both are looked for together, for up to a minute: until the game's first frame
    at the new size the window may hold anything (the new part of a resized window is white), and on a
    busy machine one screenshot and its checks take seconds. A game that missed the resize keeps
    failing."""
    shots, ramps = [], []

    def settled():
        shots.append(shoot())
        if shots[-1] is None or not letterboxed(shots[-1], box):
            return False
        ramps.append(edge_ramps(shots[-1], box, scale))
        return all(1 <= r <= 2 * scale + 1 for r in ramps[-1])
    settled_in_time = poll(SETTLE_SECONDS, settled, 0.5)
    check(label + ": picture centred between black bars", settled_in_time or ramps, box)
    check(label + ": the life bar's outline is 1 to %.1f pixels wide" % (2 * scale + 1),
          settled_in_time, ramps[-3:])


def picture(image, picture_width):
    """The middle picture_width columns of a screenshot: the picture without its bars."""
    width, height, pixels = image
    left = (width - picture_width) // 2
    rows = (pixels[(y * width + left) * 3:(y * width + left + picture_width) * 3] for y in range(height))
    return picture_width, height, b"".join(rows)


def test_fullscreen(run, program, library, env):
    """--fullscreen fills the screen with the picture letterboxed; F11 and Alt+Enter toggle; the choice
    is remembered; a frame paused in one mode is shown in the other."""
    label = "%s on %s, fullscreen" % (program, library)
    game = Game(run, program, args=("--fullscreen",), env=env)
    if not started(game, label):
        return
    options = None
    box, _ = picture_box(SCREEN, program)
    picture_width = box[2]
    try:
        check(label + ": runs on its library", runtime(game) == env["LD_LIBRARY_PATH"], repr(runtime(game)))
        check(label + ": fills the 1366x768 screen", wait_geometry(game, SCREEN) == SCREEN, geometry(game))
        image = whole_screen()
        check(label + ": picture centred between black bars", image and letterboxed(image, box))

        game.key("F11")
        check(label + ": F11 goes back to the window", wait_geometry(game, FITTED[program]) == FITTED[program],
              geometry(game))
        time.sleep(0.3)
        title = text_boxes(FITTED[program])[0]
        check(label + ": text is still drawn after the change",
              poll(3, lambda: len(find_pixels(game.shot() or (0, 0, b""), title, white)) >= 100, 0.2))
        xdotool("key", "--window", game.window, "alt+Return")
        check(label + ": Alt+Enter goes fullscreen again", wait_geometry(game, SCREEN) == SCREEN, geometry(game))

        # Paused, then to the window and back: the same frame stays in sight, scaled each time.
        time.sleep(0.3)
        before = paused_shot(game, whole_screen)
        game.key("F11")
        wait_geometry(game, FITTED[program])
        time.sleep(0.5)
        windowed = game.shot()
        game.key("F11")
        wait_geometry(game, SCREEN)
        time.sleep(0.5)
        after = whole_screen()
        small = resized(windowed, UNSCALED[program]) if windowed else None
        big = resized(after, SCREEN) if after else None
        if check(label + ": paused frame captured in both modes", before and small and big):
            difference = mean_difference(resized(picture(before, picture_width), UNSCALED[program]), small)
            check(label + ": a paused frame is shown again, the same, in the window", difference < 6,
                  "mean difference %.1f" % difference)
            # The window's smaller copy, zoomed back up.
            check(label + ": ... and back in fullscreen", mean_difference(before, after) < 6,
                  "mean difference %.1f" % mean_difference(before, after))
        game.key("p")
        game.key("Escape")
        check_exit(game, label, "Escape")
        options = game.read(game.own("options.txt"))
        check(label + ": options.txt holds the last mode", options == "mode: fullscreen\nscale: fit\n", repr(options))
        check(label + ": nothing on stderr", game.read("stderr.txt") == "", game.read("stderr.txt"))
    finally:
        game.finish()
    again = Game(run, program, files={own_name(program, "options.txt"): options or ""}, env=env)
    if started(again, label + " remembered"):
        check(label + ": the next start is fullscreen again", wait_geometry(again, SCREEN) == SCREEN,
              geometry(again))
        again.finish()


def test_sharp(run, program, library, screen):
    """On a large screen: fullscreen fills it with a sharp picture centred; back in a window, resized by
    the window manager, the picture follows, sharp and centred, and its scale is kept."""
    label = "%s on %s, %ix%i" % (program, library, screen[0], screen[1])
    # No enemy comes: one flying over the life bar at the moment of a screenshot would widen its
    # outline there (the menu's world moves on behind it).
    game = Game(run, program, level=quiet_level(run), args=("--fullscreen",), env=LIBRARIES[library])
    if not started(game, label):
        return
    try:
        check(label + ": fullscreen fills the screen", wait_geometry(game, screen) == screen, geometry(game))
        time.sleep(0.5)
        box, scale = picture_box(screen, program)
        check_sharp(label + " fullscreen", whole_screen, box, scale)

        game.key("F11")
        check(label + ": F11 gives the window", wait_geometry(game, UNSCALED[program]) == UNSCALED[program],
              geometry(game))
        asked = (screen[0] * 6 // 10, screen[1] * 8 // 10)
        xdotool("windowsize", game.window, *asked)
        size = wait_geometry(game, asked)
        check(label + ": the window manager resizes the window to %ix%i" % asked, size == asked, size)
        box, scale = picture_box(size or asked, program)
        check_sharp(label + " resized window", game.shot, box, scale)
        game.key("Escape")
        check_exit(game, label, "Escape")
        options = game.read(game.own("options.txt")) or ""
        kept = options.startswith("mode: window\nscale: ") and abs(float(options.split()[3]) - scale) < 0.01
        check(label + ": options.txt keeps the resized window's scale %.3f" % scale, kept, repr(options))
    finally:
        game.finish()


def test_paused_ends(run, program):
    """A paused game still ends at once on a signal or a close request, and saves."""
    for how in ("SIGTERM", "SIGINT", "closing the window"):
        game = Game(run, program)
        if not started(game, program + " paused, " + how):
            continue
        try:
            game.key("p")
            time.sleep(0.3)
            if how == "closing the window":
                send_close_request(game.window)
            else:
                game.process.send_signal(getattr(signal, how))
            check_exit(game, program + " paused", how, DEFAULT_HIGHSCORE)
        finally:
            game.finish()


def test_laptop_screen(run):
    """The window, its scales, fullscreen and the command line on a 1366 x 768 screen."""
    for program in ("korvel", "korvel-landscape"):
        test_command_line(run, program)
        for library in LIBRARIES:
            test_fitted_window(run, program, library)
    test_too_large(run, "korvel", "sdl12-compat", args=("--scale", "2"))
    test_too_large(run, "korvel-landscape", "classic",
                   files={"options-landscape.txt": "mode: window\nscale: 4\n"})
    test_scaled_window(run)
    # The classic run has no sound device, and still a game.
    test_fullscreen(run, "korvel", "sdl12-compat", COMPAT)
    test_fullscreen(run, "korvel-landscape", "classic", dict(LIBRARIES["classic"], SDL_AUDIODRIVER="nosuchdriver"))
    test_paused_ends(run, "korvel")
    for library in LIBRARIES:
        test_place_kept(run, "korvel-landscape", library)


def main():
    if len(sys.argv) != 2:
        print("usage: test_display.py <run-folder>", file=sys.stderr)
        return 2
    run = sys.argv[1]
    began = time.time()
    try:
        if not check("sdl12-compat is installed", os.path.isdir(COMPAT_DIR), COMPAT_DIR):
            return 1
        screen = screen_size()
        if screen == SCREEN:
            test_laptop_screen(run)
        else:
            for library in LIBRARIES:
                for program in ("korvel", "korvel-landscape"):
                    test_sharp(run, program, library, screen)
    finally:
        for process in running:
            if process.poll() is None:
                process.kill()
                process.wait()
    failures = test_game.failures
    print("%s: %i failed (%.0f s)" % ("FAILED" if failures else "PASSED", failures, time.time() - began))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
