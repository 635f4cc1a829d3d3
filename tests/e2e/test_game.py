#!/usr/bin/env python3
"""End-to-end checks of both games: the real programs with their data, on the X display given by
DISPLAY, driven with xdotool and watched through screenshots of the window.

    python3 tests/e2e/test_game.py <run-folder>

Every program run happens in a fresh copy of the run folder's data files (no highscore.txt).
Prints one line per check and exits with status 1 when any check failed.
"""
import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

LEVEL_MESSAGE = "ERROR LOADING LEVEL, USING DEFAULTS!\n"
DEFAULT_HIGHSCORE = "highscore: 0\nvsync: 0\nsound: 1\n"
PROGRAM_FILES = ("korvel", "korvel-landscape")
# Every key the tests press. On SDL 2 (sdl12-compat) the game's window takes the focus, xdotool then
# presses real keys, and a key whose release went to a window already closed stays down for the
# next game, whose SDL reads the keyboard when its window gets the focus.
KEYS = ("Escape", "p", "c", "slash", "z", "b", "v", "Up", "Down", "Left", "Right", "F11", "alt", "Return")

failures = 0
running = []  # every game started, so none outlives the script


def check(name, ok, detail=""):
    global failures
    if not ok:
        failures += 1
    print(("PASS  " if ok else "FAIL  ") + name + ("" if ok or not detail else "  [" + str(detail) + "]"),
          flush=True)
    return ok


def xdotool(*args, timeout=10):
    try:
        done = subprocess.run(("xdotool",) + tuple(str(a) for a in args), stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=timeout, text=True)
        return done.stdout.strip() if done.returncode == 0 else None
    except subprocess.TimeoutExpired:
        return None


def screenshot(window):
    """The window's pixels as (width, height, bytes of RGB), or None."""
    try:
        data = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=15).stdout
    except subprocess.TimeoutExpired:
        return None
    # P6 header: magic, width, height, maximum, each separated by white space (comments allowed).
    fields, pos = [], 0
    while len(fields) < 4 and pos < len(data):
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while end < len(data) and not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if len(fields) < 4 or fields[0] != b"P6" or fields[3] != b"255":
        return None
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    return (width, height, pixels) if len(pixels) == width * height * 3 else None


def find_pixels(image, box, test):
    """(x, y) of the pixels inside box = (x0, y0, x1, y1) (top-left origin) that pass test(r, g, b)."""
    width, height, pixels = image
    x0, y0, x1, y1 = max(box[0], 0), max(box[1], 0), min(box[2], width), min(box[3], height)
    found = []
    for y in range(y0, y1):
        row = y * width * 3
        for x in range(x0, x1):
            i = row + x * 3
            if test(pixels[i], pixels[i + 1], pixels[i + 2]):
                found.append((x, y))
    return found


def ship_grey(r, g, b):  # the ship is drawn in grey 0.7
    return 150 <= r <= 215 and abs(r - g) <= 12 and abs(r - b) <= 12


def shot_blue(r, g, b):  # player shots are (0, 0.5, 1)
    return b >= 200 and 80 <= g <= 190 and r <= 70


def centre(points):
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


def send_close_request(window, display=None):
    """Sends WM_DELETE_WINDOW to the window (on DISPLAY, or the given display such as ":5"), as a
    window manager's close button does."""
    library = ctypes.util.find_library("X11")
    if not library:
        return False
    x11 = ctypes.CDLL(library)
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(display.encode() if display else None)
    if not display:
        return False
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    sent = x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    return sent != 0


# The files a program saves in its run folder, by the portrait game's names.
SAVES = ("highscore.txt", "options.txt")


def own_name(program, name, in_save_folder=False):
    """The name a program gives its own save: the landscape game's end in "-landscape", but for its
    high score in a run folder, which keeps "highscore.txt"."""
    stem, dot, extension = name.rpartition(".")
    if program != "korvel-landscape" or (name == "highscore.txt" and not in_save_folder):
        return name
    return "%s-landscape.%s" % (stem, extension)


class Game:
    """One run of a program in a fresh copy of the data files."""

    def __init__(self, run_folder, program, with_level=True, highscore=None, level=None, with_data=True,
                 env=None, args=(), files=None):
        """with_data False leaves out the font, the music and the sounds; env adds to the environment;
        args go on the command line; files (name: text) are written into the folder first."""
        self.folder = tempfile.mkdtemp(prefix="korvel-e2e-")
        self.program = program
        saves = {own_name(p, name) for p in ("korvel", "korvel-landscape") for name in SAVES}
        for name in os.listdir(run_folder):
            path = os.path.join(run_folder, name)
            wanted = with_data or name == "level.txt"
            if os.path.isfile(path) and name not in PROGRAM_FILES and name not in saves and wanted:
                shutil.copy(path, self.folder)
        if not with_level:
            os.remove(os.path.join(self.folder, "level.txt"))
        if highscore is not None:
            self.write(self.own("highscore.txt"), highscore)
        if level is not None:
            self.write("level.txt", level)
        for name, text in (files or {}).items():
            self.write(name, text)
        xdotool("keyup", *KEYS)
        self.stdout = open(os.path.join(self.folder, "stdout.txt"), "w")
        self.stderr = open(os.path.join(self.folder, "stderr.txt"), "w")
        self.process = subprocess.Popen([os.path.join(os.path.abspath(run_folder), program)] + list(args),
                                        cwd=self.folder,
                                        stdout=self.stdout, stderr=self.stderr, stdin=subprocess.DEVNULL,
                                        env=dict(os.environ, **(env or {})))
        running.append(self.process)
        self.wait_for_window()

    def wait_for_window(self):
        """Looks the started program's window up by its caption (self.window, None when none comes)."""
        self.window = None
        deadline = time.time() + 20
        while self.window is None and time.time() < deadline and self.process.poll() is None:
            found = xdotool("search", "--sync", "--name", "^KORVEL", timeout=max(deadline - time.time(), 1))
            if found:
                self.window = int(found.split()[0])
            else:
                time.sleep(0.1)
        if self.window is not None:
            time.sleep(0.5)  # a few frames, so the menu is up

    def write(self, name, text):
        with open(os.path.join(self.folder, name), "w") as f:
            f.write(text)

    def own(self, name):
        """The program's own name for a save ("highscore.txt", "options.txt")."""
        return own_name(self.program, name)

    def read(self, name):
        try:
            with open(os.path.join(self.folder, name)) as f:
                return f.read()
        except OSError:
            return None

    def key(self, *keys):
        """Key presses taken from the event queue (Escape, P)."""
        xdotool("key", "--window", self.window, "--delay", "50", *keys)

    def hold(self, key, seconds):
        """A key held in the key-state array for a while (menu keys, ship controls)."""
        xdotool("keydown", "--window", self.window, key)
        time.sleep(seconds)
        xdotool("keyup", "--window", self.window, key)

    def shot(self):
        """The window's pixels; a capture that fails is tried again, twice."""
        for attempt in range(3):
            image = screenshot(self.window)
            if image:
                return image
            time.sleep(0.1)
        return None

    def wait(self, timeout=10):
        """The exit status, or None when the program does not end in time."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def finish(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        # The next run looks its window up by name: this one's must be gone first.
        deadline = time.time() + 5
        while xdotool("search", "--name", "^KORVEL") and time.time() < deadline:
            time.sleep(0.1)
        self.stdout.close()
        self.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def started(game, label):
    if check(label + ": window appears", game.window is not None, game.read("stderr.txt")):
        return True
    game.finish()
    return False


def check_exit(game, label, how, highscore=DEFAULT_HIGHSCORE):
    status = game.wait()
    check(label + ": " + how + " ends the program with status 0", status == 0, "status %r" % status)
    text = game.read(game.own("highscore.txt"))
    check(label + ": " + how + " writes " + game.own("highscore.txt"), text == highscore, repr(text))


def test_window_pause_escape(run, program, size, label):
    game = Game(run, program)
    if not started(game, label):
        return
    try:
        geometry = xdotool("getwindowgeometry", game.window) or ""
        check(label + ": window is %ix%i" % size, ("Geometry: %ix%i" % size) in geometry, geometry)
        title = xdotool("getwindowname", game.window) or ""
        check(label + ": caption is 'KORVEL  (FPS: ...)'", re.fullmatch(r"KORVEL  \(FPS: \d+\.\d{6}\)", title),
              repr(title))

        # Running: the background scrolls, so two screenshots differ.
        def running():
            first = game.shot()
            time.sleep(0.3)
            return first is not None and game.shot() != first
        check(label + ": running frames change", poll(3, running, 0.1))

        game.key("p")
        time.sleep(0.4)

        def frozen():
            first = game.shot()
            caption = xdotool("getwindowname", game.window)
            time.sleep(0.6)
            return first is not None and game.shot() == first and caption
        caption = poll(3, frozen, 0.1)
        check(label + ": P pauses (window frozen)", caption)
        check(label + ": paused, the caption stays", caption and xdotool("getwindowname", game.window) == caption)

        game.key("p")
        time.sleep(0.3)
        check(label + ": P again resumes", poll(3, running, 0.1))

        game.key("Escape")
        check_exit(game, label, "Escape")
        check(label + ": nothing on stdout with level.txt present", game.read("stdout.txt") == "",
              repr(game.read("stdout.txt")))
    finally:
        game.finish()


def test_close_request(run, program, label):
    # Also without level.txt: one message, defaults everywhere.
    game = Game(run, program, with_level=False)
    if not started(game, label + " (no level.txt)"):
        return
    try:
        check(label + ": close request sent", send_close_request(game.window))
        check_exit(game, label, "closing the window")
        out = game.read("stdout.txt")
        check(label + ": missing level.txt prints the message exactly once", out == LEVEL_MESSAGE, repr(out))
    finally:
        game.finish()


def test_signal(run, program, label, number, name):
    game = Game(run, program)
    if not started(game, label):
        return
    try:
        game.process.send_signal(number)
        check_exit(game, label, name)
    finally:
        game.finish()


def test_menu_exit(run, program, size, label):
    game = Game(run, program)
    if not started(game, label):
        return
    try:
        for _ in range(2):
            game.hold("Down", 0.08)
            time.sleep(0.4)  # the marker travels to the next entry
        # The marker (white, spinning about the x axis) stands left of "EXIT", 45 left of and
        # 115 below the centre; look a few times, as it is sometimes seen edge-on.
        width, height = size
        box = (width // 2 - 57, height // 2 + 105, width // 2 - 33, height // 2 + 126)
        marker = []
        for _ in range(8):
            image = game.shot()
            marker = find_pixels(image, box, lambda r, g, b: min(r, g, b) >= 200) if image else []
            if len(marker) >= 5:
                break
            time.sleep(0.05)
        check(label + ": Down, Down moves the menu marker to EXIT", len(marker) >= 5)
        game.hold("z", 0.15)
        check_exit(game, label, "Down, Down, fire on EXIT")
    finally:
        game.finish()


def test_vsync_switch(run, program, label):
    # The stored values come back unchanged, apart from the v-sync request flipped by V.
    game = Game(run, program, highscore="highscore: 4321\nvsync: 0\nsound: 0\n")
    if not started(game, label):
        return
    try:
        game.hold("v", 0.15)
        time.sleep(0.1)
        game.key("Escape")
        check_exit(game, label, "V, then Escape", "highscore: 4321\nvsync: 1\nsound: 0\n")
    finally:
        game.finish()


def start_and_find_ship(game, start):
    """Fire on the menu's first entry; the ship's grey pixels around start (its screen position), at
    least 10 once it shows. A ship that blinks may need a second look."""
    game.hold("z", 0.15)
    sx, sy = start
    ship = []
    deadline = time.time() + 4
    while len(ship) < 10 and time.time() < deadline:
        time.sleep(0.2)
        image = game.shot()
        ship = find_pixels(image, (sx - 20, sy - 20, sx + 21, sy + 21), ship_grey) if image else []
    return ship


def shots_ahead(game, ship, forward):
    """The blue shot pixels on the ship's line ahead of it."""
    x, y = ship
    box = (int(x - 12), int(y - 300), int(x + 13), int(y - 12)) if forward[1] else \
        (int(x + 12), int(y - 12), int(x + 300), int(y + 13))
    image = game.shot()
    return find_pixels(image, box, shot_blue) if image else []


def fire_and_look(game, key, ship, forward, looks=10):
    """Holds key while looking for shots ahead of the ship; the shot pixels seen, once 10 or more show."""
    xdotool("keydown", "--window", game.window, key)
    shots = []
    for _ in range(looks):
        time.sleep(0.15)
        shots = shots_ahead(game, ship, forward)
        if len(shots) >= 10:
            break
    xdotool("keyup", "--window", game.window, key)
    return shots


def test_one_player_game(run, program, label, start, forward):
    """start: the ship's screen position (top-left origin); forward: its flight direction (dx, dy)."""
    game = Game(run, program)
    if not started(game, label):
        return
    try:
        # C held all game long: hits cost nothing, so no enemy can take the ship away mid-check.
        xdotool("keydown", "--window", game.window, "c")
        ship = start_and_find_ship(game, start)
        check(label + ": fire on 1 PLAYER START shows the ship at (%i, %i)" % start, len(ship) >= 10,
              "%i grey pixels" % len(ship))
        if len(ship) < 10:
            return
        x, y = centre(ship)

        # Fire: blue shots ahead of the ship, on its line.
        shots = fire_and_look(game, "slash", (x, y), forward)
        check(label + ": fire draws blue shots ahead of the ship", len(shots) >= 10, "%i blue pixels" % len(shots))

        # Right arrow held: the ship is found further right on its row.
        game.hold("Right", 0.3)
        time.sleep(0.2)
        seen = [-1]

        def moved_right():
            # (left of x 30 stands the life-bar frame, in the portrait build on the ship's row)
            image = game.shot()
            moved = find_pixels(image, (30, int(y - 20), image[0], int(y + 21)), ship_grey) if image else []
            seen[0] = sorted(p[0] for p in moved)[len(moved) // 2] if moved else -1
            return seen[0] > x + 40
        check(label + ": Right arrow moves the ship right", poll(2, moved_right, 0.2),
              "from x %.0f to %.0f" % (x, seen[0]))

        game.key("Escape")
        status = game.wait()
        check(label + ": Escape during a game ends with status 0", status == 0, "status %r" % status)
    finally:
        xdotool("keyup", "--window", game.window, "c", "slash")
        game.finish()


# A quick, deadly level: a new enemy every few frames, no boss, no extra lives from health pick-ups,
# enemies that die from one shot (3 sides) and fire often, and from the start every second one
# aims at the ship.
DEADLY_LEVEL = (("timeBetweenEnemies", "20"), ("lifeBarRate", "0.0"), ("timeBeforeBoss", "100000"),
                ("enemyMinSides", "3"), ("enemyMaxAddedSides", "1"),
                ("enemyMinFireRate", "5"), ("enemyMaxAddedFireRate", "5"),
                ("timeBeforeAimingEnemy", "0"), ("chanceOfAimingEnemy", "2"),
                ("aimingEnemyMinSides", "3"), ("aimingEnemyMaxAddedSides", "1"), ("aimingEnemyFireRate", "3"))


def test_without_data(run, program, label, start):
    """No font, music or sounds, and no sound device: the game still plays, silent and without text."""
    game = Game(run, program, with_data=False, env={"SDL_AUDIODRIVER": "nosuchdriver"})
    if not started(game, label + " (no data files, no sound device)"):
        return
    try:
        ship = start_and_find_ship(game, start)
        check(label + ": without data files, fire on the menu starts a game", len(ship) >= 10)
        game.key("Escape")
        check_exit(game, label, "Escape without data files")
    finally:
        game.finish()


def tuned_level(run, changes):
    """The run folder's level.txt with values changed in place: the game reads the keys in their order
    and stops at the first line that does not match, so every line stays where it is."""
    with open(os.path.join(run, "level.txt")) as f:
        lines = f.read().split("\n")
    for key, value in changes:
        found = [i for i, line in enumerate(lines) if line.startswith(key + "=")]
        if len(found) != 1:
            return None
        lines[found[0]] = key + "=" + value
    return "\n".join(lines)


def white(r, g, b):  # the texts; explosion particles have no blue, enemies are coloured
    return min(r, g, b) >= 200


def poll(seconds, look, step=0.3):
    """Calls look() until it returns something true or the time is up; returns its last result."""
    deadline = time.time() + seconds
    while True:
        found = look()
        if found or time.time() >= deadline:
            return found
        time.sleep(step)


def test_game_to_the_end(run, program, size, label, start, forward):
    """A game on a deadly level: shooting scores, the lives run out, GAME OVER leads back to the menu."""
    level = tuned_level(run, DEADLY_LEVEL)
    if not check(label + ": deadly level.txt made from the default one", level is not None):
        return
    game = Game(run, program, level=level)
    if not started(game, label + " (deadly level)"):
        return
    width, height = size
    # Score digits (scale 10) at the top-left corner; "GAME OVER" (scale 15, about 75 wide) hangs from
    # the window centre with "PRESS FIRE" (scale 10) 50 below it. The menu puts the wider
    # "1 PLAYER START" (about 115 wide) on the line of "GAME OVER", so white beside "GAME OVER" means menu.
    # The menu title (scale 60) hangs from qh + 20 above the centre.
    score_box = (0, 0, 120, 14)
    cx, cy = width // 2, height // 2
    game_over_box = (cx - 42, cy - 2, cx + 42, cy + 15)
    press_fire_box = (cx - 32, cy + 47, cx + 32, cy + 62)
    beside_boxes = ((cx - 58, cy - 2, cx - 44, cy + 15), (cx + 44, cy - 2, cx + 58, cy + 15))
    title_top = height // 2 - (height // 4 + 20)
    title_box = (cx - 120, title_top - 5, cx + 120, title_top + 60)

    def score_right_edge():
        """Right end of the white score digits, or -1; None without a screenshot."""
        image = game.shot()
        if not image:
            return None
        digits = find_pixels(image, score_box, white)
        return max(p[0] for p in digits) if digits else -1

    def white_in(box, image):
        return len(find_pixels(image, box, white)) if image else 0

    def beside(image):
        return sum(white_in(box, image) for box in beside_boxes)

    def game_over_shown():
        image = game.shot()
        # (enemies drawn in front of the text may hide some of it)
        return white_in(game_over_box, image) >= 100 and white_in(press_fire_box, image) >= 50 and \
            beside(image) < 10

    try:
        ship = start_and_find_ship(game, start)
        check(label + ": fire on 1 PLAYER START starts a game on the deadly level", len(ship) >= 10)
        before = score_right_edge()
        check(label + ": score 0 drawn at the top-left corner", before is not None and 0 <= before < 14,
              "white up to x %r" % before)
        check(label + ": no GAME OVER while playing", not game_over_shown())

        # Fire held, a little to and fro along the row: the enemies come down (in from the right) into the
        # shots. A score of 1000 or more has four digits, which reach much further right than the "0".
        xdotool("keydown", "--window", game.window, "slash")
        sideways = ("Left", "Right") if forward[1] else ("Up", "Down")

        def scored():
            for key in sideways:
                game.hold(key, 0.1)
            edges = [score_right_edge() for _ in range(2)]
            return all(edge is not None and edge > before + 15 for edge in edges) and edges
        edges = poll(30, scored, 0.2)
        check(label + ": shooting enemies raises the score (top-left digits grow)", edges,
              "white up to x %r before" % before)

        # Now let them win: no more fire, the ship parked in the middle of the enemies' way in, near the
        # edge where they enter, where they run into it and aim at it. Five lives and the last one make
        # six hits, each followed by about 3 s of explosions and blinking.
        xdotool("keyup", "--window", game.window, "slash")
        game.hold("Up" if forward[1] else "Right", 0.8)
        began = time.time()
        shown = poll(90, lambda: game_over_shown() and game_over_shown(), 0.5)
        check(label + ": losing every life shows GAME OVER / PRESS FIRE", shown,
              "not after %.0f s" % (time.time() - began))
        if not shown:
            return
        check(label + ": no menu title on the game-over screen", white_in(title_box, game.shot()) < 50)

        # Fire has been released for a long time, so the screen is armed. Fire is held for less than the
        # X server's delay before it repeats a key (its repeats could reach the new menu as a fresh
        # press), and pressed once more should a busy machine have lost it.
        for _ in range(2):
            game.hold("z", 0.3)
            title = poll(5, lambda: white_in(title_box, game.shot()) >= 300, 0.2)
            if title:
                break
        check(label + ": fire on GAME OVER returns to the menu (KORVEL title)", title)
        seen = []

        def menu_line():
            image = game.shot()
            seen.append("no capture" if not image else "%i beside, %i in the title, %i on the GAME OVER line" %
                        (beside(image), white_in(title_box, image), white_in(game_over_box, image)))
            return beside(image) >= 30 and not game_over_shown()
        check(label + ": the menu replaces the game-over screen (1 PLAYER START on its line)",
              poll(3, menu_line, 0.2), "white pixels: " + "; ".join(seen[-3:]))

        game.key("Escape")
        status = game.wait()
        check(label + ": Escape in the menu after the game ends with status 0", status == 0, "status %r" % status)
        text = game.read(game.own("highscore.txt")) or ""
        found = re.match(r"highscore: (\d+)\n", text)
        check(label + ": highscore.txt holds the score reached (> 0)", found and int(found.group(1)) > 0,
              repr(text))
    finally:
        xdotool("keyup", "--window", game.window, "slash", "z", "Up", "Down", "Left", "Right")
        game.finish()


def test_controls_file(run, program, label, start, forward):
    """A controls file that moves player 1's fire to Right Ctrl: real key presses fire with it and no
    longer with /; a bad line is reported on stderr and the rest stays in force."""
    controls = "p1 fire = right ctrl\np1 jump = space\n"
    game = Game(run, program, files={"controls.txt": controls})
    if not started(game, label + " (controls.txt)"):
        return
    try:
        xdotool("keydown", "--window", game.window, "c")
        ship = start_and_find_ship(game, start)
        if not check(label + ": with controls.txt, Z still starts a game", len(ship) >= 10):
            return
        where = centre(ship)
        shots = fire_and_look(game, "Control_R", where, forward)
        check(label + ": Right Ctrl fires for player 1", len(shots) >= 10, "%i blue pixels" % len(shots))
        gone = poll(5, lambda: len(shots_ahead(game, where, forward)) == 0, 0.2)
        shots = fire_and_look(game, "slash", where, forward, looks=6)
        check(label + ": / no longer fires", gone and len(shots) == 0, "%i blue pixels" % len(shots))
        game.key("Escape")
        check_exit(game, label, "Escape with controls.txt")
        err = game.read("stderr.txt") or ""
        check(label + ": the bad line of controls.txt is reported with its number",
              'controls.txt:2: unknown action "p1 jump"' in err, repr(err))
    finally:
        xdotool("keyup", "--window", game.window, "c", "slash", "Control_R")
        game.finish()

    # The command line: the defaults written for editing, and the bindings in force with their source.
    folder = tempfile.mkdtemp(prefix="korvel-e2e-")
    try:
        env = dict(os.environ, XDG_CONFIG_HOME=folder)
        program_path = os.path.join(os.path.abspath(run), program)

        def command(option):
            return subprocess.run([program_path, option], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20, text=True)
        done = command("--controls")
        check(label + ": --controls without a controls file names the one to write",
              "write %s/controls.txt" % os.path.realpath(folder) in done.stdout, done.stdout)
        done = command("--write-controls")
        written = [os.path.join(root, name) for root, _, names in os.walk(folder) for name in names]
        text = open(written[0]).read() if len(written) == 1 else ""
        check(label + ": --write-controls writes the default controls",
              done.returncode == 0 and "\np1 fire = /\np1 solo fire = z\n" in text, done.stderr)
        check(label + ": --write-controls never writes over a file", command("--write-controls").returncode == 1)
        if written:
            with open(written[0], "a") as f:
                f.write("p2 fire = right shift\n")
        done = command("--controls")
        check(label + ": --controls prints each binding and where it came from",
              done.returncode == 0 and re.search(r"\np2 fire = b +# line \d+\n", done.stdout) is not None and
              "p2 fire = right shift" not in done.stdout and "already set" in done.stderr,
              done.stdout + done.stderr)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def test_no_display(run, program, label):
    """Without a display the program says so on stderr, naming DISPLAY, and ends with status 1: with
    the X driver asked for and no server there, and with no DISPLAY at all (where the classic library
    would fall back to a text-terminal driver nobody asked for)."""
    folder = tempfile.mkdtemp(prefix="korvel-e2e-")
    unreachable = dict(os.environ, DISPLAY=":4242", SDL_VIDEODRIVER="x11")
    unset = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    try:
        for env, said in ((unreachable, "DISPLAY=:4242"), (unset, "DISPLAY is not set")):
            try:
                done = subprocess.run([os.path.join(os.path.abspath(run), program)], cwd=folder, env=env,
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.PIPE, timeout=20, text=True)
                status, err = done.returncode, done.stderr
            except subprocess.TimeoutExpired:
                status, err = None, ""
            check(label + ": no window (%s): status 1 and the display named on stderr" % said,
                  status == 1 and "no display found" in err and said in err and "window" in err,
                  "status %r, stderr %r" % (status, err))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def finish_run(began):
    """Kills every game still running and prints the outcome; the exit status (other scripts end so)."""
    for process in running:
        if process.poll() is None:
            process.kill()
            process.wait()
    print("%s: %i failed (%.0f s)" % ("FAILED" if failures else "PASSED", failures, time.time() - began))
    return 1 if failures else 0


def main():
    if len(sys.argv) != 2:
        print("usage: test_game.py <run-folder>", file=sys.stderr)
        return 2
    run = sys.argv[1]
    for tool in ("xdotool", "import"):
        if not shutil.which(tool):
            print("FAIL  %s is not installed" % tool)
            return 1
    began = time.time()
    builds = (("korvel", (480, 800), (240, 600), (0, 1)),
              ("korvel-landscape", (800, 480), (200, 240), (1, 0)))
    try:
        for program, size, start, forward in builds:
            if not check(program + ": program exists", os.access(os.path.join(run, program), os.X_OK)):
                continue
            test_no_display(run, program, program)
            test_window_pause_escape(run, program, size, program)
            test_close_request(run, program, program)
            test_signal(run, program, program, signal.SIGTERM, "SIGTERM")
            test_signal(run, program, program, signal.SIGINT, "SIGINT")
            test_menu_exit(run, program, size, program)
            test_vsync_switch(run, program, program)
            test_one_player_game(run, program, program, start, forward)
            test_controls_file(run, program, program, start, forward)
            test_without_data(run, program, program, start)
            test_game_to_the_end(run, program, size, program, start, forward)
    finally:
        status = finish_run(began)
    return status


if __name__ == "__main__":
    sys.exit(main())
