#!/usr/bin/env python3
"""The installed game: what `cmake --install` puts into a temporary DESTDIR and what the Debian package
holds, checked by the desktop-entry, AppStream and man-page validators and by lintian, and both programs
run from each tree, started in an empty folder with HOME and the XDG folders pointing into temporary
folders; the packaged game also fullscreen, on the classic SDL 1.2 library.

    python3 tests/e2e/test_install.py <build-folder>

Uses the X display given by DISPLAY. Prints one line per check and exits with status 1 when any failed.
"""
import glob
import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_game  # noqa: E402
from test_game import DEFAULT_HIGHSCORE, Game, check, find_pixels, own_name, poll, tuned_level, white  # noqa: E402

APP_ID = "io.github.korvel.Korvel"
PROGRAMS = (("korvel", (480, 800)), ("korvel-landscape", (800, 480)))
BIN, DATA = "games", "share/games/korvel"  # under the prefix, as Debian's games policy has them
GAME_DATA = ("font.fnt", "font-sharp.fnt", "LICENSE-DejaVu.txt", "music1.xm", "boom.wav", "powerup.wav", "shoot1.wav", "shoot2.wav",
             "shoot3.wav", "selectmove.wav", "level.txt", "icon.bmp", "levels/easy.txt", "levels/normal.txt",
             "levels/hard.txt", "demo-portrait.korvel-replay", "demo-landscape.korvel-replay")
LAYOUT = ([BIN + "/" + program for program, _ in PROGRAMS] + [BIN + "/korvel-level"] +
          [DATA + "/" + name for name in GAME_DATA] +
          ["share/applications/%s.desktop" % APP_ID, "share/applications/%s.Landscape.desktop" % APP_ID,
           "share/metainfo/%s.metainfo.xml" % APP_ID, "share/icons/hicolor/scalable/apps/%s.svg" % APP_ID,
           "share/doc/korvel/copyright", "share/doc/korvel/changelog.Debian.gz"] +
          ["share/man/man6/%s.6.gz" % page for page in ("korvel", "korvel-landscape", "korvel-level")] +
          ["share/icons/hicolor/%ix%i/apps/%s.png" % (size, size, APP_ID) for size in (48, 128, 256)])
README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")
SAVE_PROBLEM = "korvel: the high score cannot be saved"
# Plain enemies without end, every one of them huge: the window fills with their blue.
FLOOD_LEVEL = (("timeBetweenEnemies", "1"), ("enemyMinRadius", "120"), ("enemyMaxAddedRadius", "1"))
# Blue pixels of plain enemies that only the flood level brings within two seconds of the start.
FLOOD_PIXELS = 25000


def run(*command, **options):
    """A tool's exit status and its output, standard error included."""
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **options)
    return done.returncode, done.stdout


def enemy_blue(r, g, b):  # plain enemies are drawn in (0.2, 0.4, 0.8)
    return 30 <= r <= 75 and 80 <= g <= 125 and 180 <= b <= 225


class InstalledGame(Game):
    """One run of an installed program in an empty working folder, root/work, with the environment
    changed by env (None removes a variable) and the arguments args; as the user nobody when as_nobody
    is set."""

    def __init__(self, program, root, env, as_nobody=False, args=()):
        self.folder = tempfile.mkdtemp(prefix="korvel-e2e-out-")  # what the program prints
        self.work = os.path.join(root, "work")
        os.makedirs(self.work, exist_ok=True)
        self.stdout = open(os.path.join(self.folder, "stdout.txt"), "w")
        self.stderr = open(os.path.join(self.folder, "stderr.txt"), "w")
        environment = dict(os.environ)
        for name, value in env.items():
            environment.pop(name, None) if value is None else environment.update({name: value})
        command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if as_nobody else []
        self.process = subprocess.Popen(command + [program] + list(args), cwd=self.work, stdout=self.stdout,
                                        stderr=self.stderr, stdin=subprocess.DEVNULL, env=environment)
        test_game.running.append(self.process)
        self.wait_for_window()

    def left_in_work(self):
        return sorted(os.listdir(self.work))


def player_folders(root):
    return {"HOME": os.path.join(root, "home"), "XDG_DATA_HOME": os.path.join(root, "data"),
            "XDG_CONFIG_HOME": os.path.join(root, "config")}


def title_shown(game, size):
    """The menu title (white, scale 60) is drawn: the font was found."""
    width, height = size
    top = height // 2 - (height // 4 + 20)
    box = (width // 2 - 120, top - 5, width // 2 + 120, top + 60)
    return poll(3, lambda: len(find_pixels(game.shot() or (0, 0, b""), box, white)) >= 300, 0.2)


def blue_after_two_seconds(game):
    time.sleep(2)
    image = game.shot()
    return len(find_pixels(image, (0, 0, image[0], image[1]), enemy_blue)) if image else -1


def escape(game, label):
    game.key("Escape")
    status = game.wait()
    check(label + ": Escape ends the program with status 0", status == 0, "status %r" % status)


def check_plain_start(prefix, program, size, label):
    """The main check; returns the enemies' blue pixels seen, for the level check to compare with."""
    root = tempfile.mkdtemp(prefix="korvel-installed-")
    game = InstalledGame(os.path.join(prefix, BIN, program), root, player_folders(root))
    blue = -1
    try:
        if not check(label + ": window appears", game.window is not None, game.read("stderr.txt")):
            return blue
        check(label + ": the title text is drawn (the font was found)", title_shown(game, size))
        blue = blue_after_two_seconds(game)
        game.hold("slash", 0.2)  # a game, recorded when Escape ends it
        time.sleep(0.5)
        escape(game, label)
        check_recorded(prefix, program, root, label)
        check(label + ": no missing-level message", game.read("stdout.txt") == "", repr(game.read("stdout.txt")))
        check(label + ": nothing on standard error about saving", SAVE_PROBLEM not in game.read("stderr.txt"),
              game.read("stderr.txt"))
        name = own_name(program, "highscore.txt", in_save_folder=True)
        saved = read(os.path.join(root, "data", "korvel", name))
        check(label + ": Escape writes $XDG_DATA_HOME/korvel/" + name, saved == DEFAULT_HIGHSCORE, repr(saved))
        check(label + ": the working folder stays empty", game.left_in_work() == [], game.left_in_work())
    finally:
        game.finish()
        shutil.rmtree(root, ignore_errors=True)
    return blue


def check_recorded(prefix, program, root, label):
    """The installed game recorded the game just played, and --replays lists it."""
    folder = os.path.join(root, "data", "korvel", "replays")
    names = os.listdir(folder) if os.path.isdir(folder) else []
    check(label + ": the game is recorded in $XDG_DATA_HOME/korvel/replays/",
          len(names) == 1 and names[0].endswith(own_name(program, "-1p.korvel-replay")), names)
    status, out = run(os.path.join(prefix, BIN, program), "--replays", env=dict(os.environ, **player_folders(root)))
    check(label + ": --replays lists it as a one-player game", status == 0 and bool(names) and names[0] in out
          and "1 player" in out, out)


def check_own_level(prefix, program, label, default_blue):
    """A level.txt in $XDG_CONFIG_HOME/korvel is the one read: it floods the window with enemies."""
    level = tuned_level(os.path.join(prefix, DATA), FLOOD_LEVEL)
    if not check(label + ": flood level.txt made from the installed default", level is not None):
        return
    root = tempfile.mkdtemp(prefix="korvel-installed-")
    os.makedirs(os.path.join(root, "config", "korvel"))
    with open(os.path.join(root, "config", "korvel", "level.txt"), "w") as f:
        f.write(level)
    game = InstalledGame(os.path.join(prefix, BIN, program), root, player_folders(root))
    try:
        if not check(label + ": window appears (own level.txt)", game.window is not None, game.read("stderr.txt")):
            return
        blue = blue_after_two_seconds(game)
        check(label + ": $XDG_CONFIG_HOME/korvel/level.txt is used (the window fills with enemies)",
              blue >= FLOOD_PIXELS > default_blue, "%i blue pixels, %i with the default level" % (blue, default_blue))
        escape(game, label + " (own level.txt)")
        check(label + ": the working folder stays empty (own level.txt)", game.left_in_work() == [],
              game.left_in_work())
    finally:
        game.finish()
        shutil.rmtree(root, ignore_errors=True)


def read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


def check_bad_setup(prefix, program, label, how, root, env, kept=None, as_nobody=False):
    """The game runs, says once why the score cannot be saved, and the file `kept` keeps its content."""
    before = read(kept) if kept else None
    game = InstalledGame(os.path.join(prefix, BIN, program), root, env, as_nobody)
    try:
        if not check("%s, %s: window appears" % (label, how), game.window is not None, game.read("stderr.txt")):
            return
        escape(game, "%s, %s" % (label, how))
        err = game.read("stderr.txt")
        check("%s, %s: says once on standard error that the score cannot be saved" % (label, how),
              err.count(SAVE_PROBLEM) == 1, repr(err))
        if kept:
            check("%s, %s: %s is left as it was" % (label, how, os.path.basename(kept)), read(kept) == before,
                  repr(read(kept)))
        check("%s, %s: the working folder stays empty" % (label, how), game.left_in_work() == [],
              game.left_in_work())
    finally:
        game.finish()


def check_bad_setups(prefix, program, label):
    root = tempfile.mkdtemp(prefix="korvel-installed-")
    try:
        # No HOME at all, no XDG folders: nowhere to save.
        no_home = {"HOME": None, "XDG_DATA_HOME": None, "XDG_CONFIG_HOME": None}
        check_bad_setup(prefix, program, label, "no HOME", root, no_home)

        # XDG_DATA_HOME names a file.
        file = os.path.join(root, "data-file")
        with open(file, "w") as f:
            f.write("highscore: 31\n")
        env = dict(player_folders(root), XDG_DATA_HOME=file)
        check_bad_setup(prefix, program, label, "XDG_DATA_HOME names a file", root, env, file)

        # A data home the player cannot write in, holding a score (root is made the user nobody for this).
        folders = player_folders(root)
        saved = os.path.join(folders["XDG_DATA_HOME"], "korvel", own_name(program, "highscore.txt", in_save_folder=True))
        os.makedirs(os.path.dirname(saved))
        with open(saved, "w") as f:
            f.write("highscore: 777\nvsync: 0\nsound: 0\n")
        as_nobody = os.geteuid() == 0
        for folder in (root, os.path.join(root, "work"), folders["XDG_DATA_HOME"], os.path.dirname(saved)):
            os.makedirs(folder, exist_ok=True)
            os.chmod(folder, 0o555)
        check_bad_setup(prefix, program, label, "unwritable data home", root, folders, saved, as_nobody=as_nobody)
    finally:
        for folder, _, _ in os.walk(root):
            os.chmod(folder, 0o755)
        shutil.rmtree(root, ignore_errors=True)


def check_tree(prefix, label):
    """The installed layout, its validators, and programs that look for no library of their own."""
    missing = [path for path in LAYOUT if not os.path.isfile(os.path.join(prefix, path))]
    check(label + ": every file is installed in its place", not missing, missing)
    check(label + ": the programs are executable",
          all(os.access(os.path.join(prefix, BIN, program), os.X_OK) for program, _ in PROGRAMS))
    entries = glob.glob(os.path.join(prefix, "share", "applications", "*.desktop"))
    status, out = run("desktop-file-validate", *entries)
    check(label + ": desktop-file-validate passes both desktop entries", status == 0 and not out.strip(), out)
    status, out = run("appstreamcli", "validate", "--no-net", *glob.glob(os.path.join(prefix, "share", "metainfo", "*")))
    check(label + ": appstreamcli validate passes the metainfo", status == 0, out)
    for page in glob.glob(os.path.join(prefix, "share", "man", "man6", "*")):
        done = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True, env=dict(os.environ, MANWIDTH="80"))
        check(label + ": man page %s formats without warnings" % os.path.basename(page),
              done.returncode == 0 and not done.stderr.strip(), done.stderr)
    paths = {program: run_path(os.path.join(prefix, BIN, program)) for program, _ in PROGRAMS}
    check(label + ": the programs have no run path (the system's SDL 1.2 is used)", not any(paths.values()), paths)


def run_path(program):
    """The folders of a program's RUNPATH or RPATH."""
    paths = [line.split()[-1].strip("[]") for line in run("readelf", "-d", program)[1].splitlines()
             if "PATH)" in line]
    return [folder for path in paths for folder in path.split(":") if folder]


def install(build, destdir):
    """cmake --install into destdir with the default prefix; the prefix's path, or None."""
    status, out = run("cmake", "--install", build, "--prefix", "/usr/local", env=dict(os.environ, DESTDIR=destdir))
    return os.path.join(destdir, "usr", "local") if check("cmake --install into a DESTDIR", status == 0, out) \
        else None


def make_deb(build, folder):
    """The package cpack makes, extracted into folder/tree; its prefix, or None."""
    status, out = run("cpack", "-G", "DEB", "-B", folder, "--config", os.path.join(build, "CPackConfig.cmake"))
    packages = glob.glob(os.path.join(folder, "korvel_*.deb"))
    if not check("cpack makes korvel_<version>_<arch>.deb", status == 0 and len(packages) == 1, out[-2000:]):
        return None
    package = packages[0]
    arch = run("dpkg", "--print-architecture")[1].strip()
    version = run("dpkg-deb", "-f", package, "Version")[1].strip()
    check("the package is named korvel_%s_%s.deb" % (version, arch),
          os.path.basename(package) == "korvel_%s_%s.deb" % (version, arch), package)
    depends = run("dpkg-deb", "-f", package, "Depends")[1].strip()
    entries = depends.split(", ")
    names = [name.split()[0] for entry in entries for name in entry.split(" | ")]
    check("Depends: SDL 1.2 as libsdl1.2debian | libsdl1.2-compat, SDL_mixer, libGL, libc, each once",
          any(e.startswith("libsdl1.2debian ") and "| libsdl1.2-compat " in e for e in entries) and
          all(name in names for name in ("libsdl-mixer1.2", "libgl1", "libc6")) and len(set(names)) == len(names),
          depends)
    check_lintian(package)
    tree = os.path.join(folder, "tree")
    status, out = run("dpkg-deb", "-x", package, tree)
    if not check("dpkg-deb extracts the package", status == 0, out):
        return None
    with gzip.open(os.path.join(tree, "usr", "share", "doc", "korvel", "changelog.Debian.gz"), "rt") as f:
        latest = f.readline()
    check("the changelog's latest entry is this version", latest.startswith("korvel (%s) " % version), latest)
    return os.path.join(tree, "usr")


def check_lintian(package):
    """No errors, and every warning one the README explains."""
    out = run("lintian", package)[1]
    tags = {line.split()[2] for line in out.splitlines() if line[:2] in ("E:", "W:") and len(line.split()) > 2}
    with open(README) as f:
        explained = f.read()
    check("lintian reports no errors", "\nE: " not in "\n" + out, out)
    check("lintian's warnings are explained in the README", all(tag in explained for tag in tags), tags)


def check_fullscreen_classic(prefix):
    """The packaged korvel, fullscreen on the system's SDL 1.2 (the classic library on Debian 12): it draws,
    names its window's class as its desktop entry does, shows its own icon, and ends with status 0 on Escape."""
    label = "package korvel --fullscreen (classic SDL 1.2)"
    root = tempfile.mkdtemp(prefix="korvel-installed-")
    env = dict(player_folders(root), LD_LIBRARY_PATH=None)
    game = InstalledGame(os.path.join(prefix, BIN, "korvel"), root, env, args=["--fullscreen"])
    try:
        if not check(label + ": window appears", game.window is not None, game.read("stderr.txt")):
            return
        # The classic library shows fullscreen in a window of its own: the whole screen is looked at.
        check(label + ": the title text is drawn",
              poll(3, lambda: len(find_pixels(test_game.screenshot("root") or (0, 0, b""), (0, 0, 4096, 4096),
                                              white)) >= 300, 0.2))
        hints = run("xprop", "-id", str(game.window), "WM_CLASS", "WM_HINTS")[1]
        with open(os.path.join(prefix, "share", "applications", APP_ID + ".desktop")) as f:
            wm_class = [line.split("=")[1].strip() for line in f if line.startswith("StartupWMClass=")]
        check(label + ": WM_CLASS is the desktop entry's StartupWMClass and the window has an icon",
              wm_class and hints.startswith('WM_CLASS(STRING) = "korvel", "%s"' % wm_class[0]) and
              "bitmap id # to use for icon" in hints, hints)
        escape(game, label)
    finally:
        game.finish()
        shutil.rmtree(root, ignore_errors=True)


def main():
    if len(sys.argv) != 2:
        print("usage: test_install.py <build-folder>", file=sys.stderr)
        return 2
    build = os.path.abspath(sys.argv[1])
    began = time.time()
    folder = tempfile.mkdtemp(prefix="korvel-install-")
    os.chmod(folder, 0o755)  # the installed programs are also run as the user nobody
    try:
        prefix = install(build, os.path.join(folder, "destdir"))
        if prefix:
            check_tree(prefix, "installed")
            for program, size in PROGRAMS:
                label = "installed " + program
                default_blue = check_plain_start(prefix, program, size, label)
                check_own_level(prefix, program, label, default_blue)
                check_bad_setups(prefix, program, label)
        prefix = make_deb(build, os.path.join(folder, "deb"))
        if prefix:
            check_tree(prefix, "package")
            for program, size in PROGRAMS:
                check_plain_start(prefix, program, size, "package " + program)
            check_fullscreen_classic(prefix)
    finally:
        status = test_game.finish_run(began)
        shutil.rmtree(folder, ignore_errors=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
