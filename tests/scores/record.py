"""A real game recorded: the desktop program under the X display given by DISPLAY, started from the
menu with fire, flown left and right with fire held, until its replay is written at Escape."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from test_game import Game, xdotool  # noqa: E402


def record_game(run, program="korvel", seconds=4):
    """The replay's bytes of a one-player game on the run folder's level.txt, or None."""
    game = Game(run, program, args=["--record", "game.korvel-replay"])
    try:
        if game.window is None:
            return None
        game.hold("slash", 0.2)
        xdotool("keydown", "--window", game.window, "slash")
        for key in ("Left", "Right") * int(seconds / 2):
            game.hold(key, 1)
        xdotool("keyup", "--window", game.window, "slash")
        game.key("Escape")
        if game.wait() != 0:
            return None
        with open(os.path.join(game.folder, "game.korvel-replay"), "rb") as f:
            return f.read()
    except OSError:
        return None
    finally:
        game.finish()


if __name__ == "__main__":
    data = record_game(sys.argv[1], sys.argv[2])
    with open(sys.argv[3], "wb") as out:
        out.write(data or b"")
