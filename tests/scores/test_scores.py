#!/usr/bin/env python3
"""korvel-scores over HTTP, on SQLite and on a PostgreSQL cluster this test starts in a folder of its
own: a real recorded game is verified with the score its replay reaches; forged, damaged,
foreign-level, cut and oversized runs are refused with their reason and change no table (a desktop
run marked as the browser game's is played by the browser's code under Node, and parts from its
recording); a name with markup is shown escaped; a kept name needs its secret; a copy of a verified
game is refused; a verifier killed mid-check leaves its run to be checked again, and so does a
server killed with its check, after the time-out; a second process checks from the same database;
the 13th submission in a minute gets 429, and the queued runs survive a restart.

    python3 tests/scores/test_scores.py <build-folder>

Records its game with the real program on the X display given by DISPLAY. As root, the servers and
PostgreSQL run as nobody.
"""
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import replay_file  # noqa: E402
from record import record_game  # noqa: E402

PG_BIN = "/usr/lib/postgresql/15/bin"
PG_PORTS = range(55400, 55500)
UP = 0  # the ship's Up key: bit 0 of a frame's keys
failures = 0


def check(name, ok, detail=""):
    global failures
    failures += not ok
    print(("PASS  " if ok else "FAIL  ") + name + ("" if ok or not detail else "  [%s]" % (detail,)), flush=True)
    return ok


def as_user():
    """The command prefix that drops root to nobody (nothing when not root)."""
    return ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.getuid() == 0 else []


def free_port(ports):
    for port in ports:
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) != 0:
                return port
    raise RuntimeError("no free port")


def request(url, fields=None, files=None):
    """(status, headers, body) of a GET, or of a POST of a multipart form."""
    data, headers = None, {}
    if fields is not None or files is not None:
        boundary = uuid.uuid4().hex
        parts = []
        for name, value in (fields or {}).items():
            parts.append(b'--%s\r\nContent-Disposition: form-data; name="%s"\r\n\r\n%s\r\n' %
                         (boundary.encode(), name.encode(), value.encode()))
        for name, value in (files or {}).items():
            parts.append(b'--%s\r\nContent-Disposition: form-data; name="%s"; filename="run.korvel-replay"\r\n'
                         b"Content-Type: application/octet-stream\r\n\r\n%s\r\n" % (boundary.encode(), name.encode(), value))
        data = b"".join(parts) + b"--%s--\r\n" % boundary.encode()
        headers["Content-Type"] = "multipart/form-data; boundary=" + boundary
    try:
        with urllib.request.urlopen(urllib.request.Request(url, data=data, headers=headers), timeout=60) as r:
            return r.status, r.headers, r.read()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read()
    except OSError as error:  # no server there (yet), or it closed the connection
        return 0, {}, str(error).encode()


def wait_for(look, seconds=180):
    """look() once it is true, or its last value when the time is up."""
    deadline = time.time() + seconds
    value = look()
    while not value and time.time() < deadline:
        time.sleep(0.2)
        value = look()
    return value


class Server:
    def __init__(self, folder, database, *args):
        self.port = free_port(range(55480, 55500))
        self.url = "http://127.0.0.1:%d" % self.port
        self.log = open(os.path.join(folder, "server-%d.log" % self.port), "w")
        self.process = subprocess.Popen(as_user() + [os.path.join(BUILD, "scores", "korvel-scores"), "--database",
                                                     database, "--port", str(self.port)] + list(args),
                                        stdout=self.log, stderr=subprocess.STDOUT, cwd=folder)
        wait_for(lambda: self.process.poll() is not None or request(self.url + "/api/tables")[0] == 200, 30)

    def submit(self, replay, name, **fields):
        status, headers, body = request(self.url + "/api/runs", dict(fields, name=name), {"replay": replay})
        try:
            return status, headers, json.loads(body)
        except ValueError:
            return status, headers, {"error": body.decode(errors="replace")}

    def run(self, id):
        return json.loads(request("%s/api/runs/%d" % (self.url, id))[2])

    def settled(self, id):
        """The run once checked (verified or refused)."""
        return wait_for(lambda: self.run(id) if self.run(id)["state"] != "waiting" else None)

    def table(self):
        return json.loads(request(self.url + "/api/tables?count=100")[2])["runs"]

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.log.close()


def forgeries(good, level):
    """Each bad run: (what it is, its bytes, the HTTP status it gets, what its refusal says)."""
    run = replay_file.parse(good)
    middle = run["game_start"] + (run["frames"] - run["game_start"]) // 2
    forged = replay_file.build(dict(run, score0=run["score0"] + 5000))
    browser = replay_file.build(dict(run, version=run["version"] + b"+web"))
    return [
        ("score bytes edited", forged[:16] + good[16:20] + forged[20:], 202, "damaged"),
        ("score edited, CRC made again", forged, 202, "the score it claims"),
        ("one frame's keys changed", replay_file.build(replay_file.flip_key(run, middle, UP)), 202, "out of step"),
        ("a level not among the presets", replay_file.build(dict(run, level=level)), 202, "not one of the game's"),
        ("truncated", good[:len(good) // 2], 202, "cut short"),
        ("10 MB long", good + bytes(10 << 20), 413, "at most"),
        # Marked as the browser game's, a desktop run is played by the browser's code under Node, whose
        # arithmetic and rand() differ: it parts from its recording.
        ("the browser game's version", browser, 202, "goes out of step"),
        ("the browser game's version, damaged", browser[:-1] + bytes([browser[-1] ^ 1]), 202, "damaged"),
    ]


def test_server(folder, database, good, level, label):
    verifier = os.path.join(folder, "verifier")
    hold = os.path.join(folder, "hold")
    with open(verifier, "w") as f:  # stands still while the hold file is there, for a kill mid-check
        f.write('#!/bin/sh\n[ -e %s ] && exec sleep 600\nexec %s "$@"\n' %
                (hold, os.path.join(BUILD, "scores", "korvel-verify")))
    os.chmod(verifier, 0o755)
    levels = os.path.join(BUILD, "scores", "levels")
    server = Server(folder, database, "--verifier", verifier, "--levels", levels, "--submissions-per-minute", "1000")
    # A second process that only checks, sharing the database.
    worker = subprocess.Popen(as_user() + [os.path.join(BUILD, "scores", "korvel-scores"), "--database", database,
                                           "--no-http", "--verifier", verifier, "--levels", levels],
                              stdout=subprocess.DEVNULL, cwd=folder)
    checkers = (server.process.pid, worker.pid)
    try:
        claimed = replay_file.parse(good)["score0"]
        status, _, answer = server.submit(good, "<b>ace</b>", keep="1")
        check(label + ": a recorded game is taken, its name kept with a secret",
              status == 202 and len(answer.get("secret", "")) == 32, (status, answer))
        run = server.settled(answer["id"])
        check(label + ": it is verified with the score its replay reaches",
              run and run["state"] == "verified" and run["score"] == claimed, (run, claimed))
        table = server.table()
        check(label + ": it is in the table", [r["id"] for r in table] == [answer["id"]], table)
        page = request(server.url + "/scores")[2].decode()
        player = request(server.url + "/scores/player?name=%3Cb%3Eace%3C%2Fb%3E")[2].decode()
        check(label + ": the name with markup is shown escaped on the pages",
              "&lt;b&gt;ace&lt;/b&gt;" in page and "&lt;b&gt;ace&lt;/b&gt;" in player and "<b>ace" not in page + player)
        check(label + ": a verified run's replay can be fetched",
              request("%s/api/runs/%d/replay" % (server.url, answer["id"]))[2] == good)
        status, _, refusal = server.submit(good, "<b>ace</b>")
        check(label + ": a kept name refuses a run without its secret", status == 403, (status, refusal))
        status, _, copy = server.submit(good, "<b>ace</b>", secret=answer["secret"])
        copy = server.settled(copy["id"]) if status == 202 else copy
        check(label + ": and takes one with it, refusing a copy of a verified game after its check",
              status == 202 and copy["state"] == "refused" and "same game as run" in copy["reason"], (status, copy))
        table = server.table()

        for what, data, expected, reason in forgeries(good, level):
            status, _, answer = server.submit(data, "forger")
            run = server.settled(answer["id"]) if status == 202 else answer
            said = run.get("reason", run.get("error", "")) if run else ""
            check("%s: a run with %s is refused: %s" % (label, what, said), status == expected and reason in said,
                  (status, run))
        check(label + ": the refused runs change no table", server.table() == table, server.table())

        open(hold, "w").close()
        status, _, answer = server.submit(good, "survivor")
        stuck = wait_for(lambda: child_named(checkers, "sleep"), 60)
        os.remove(hold)
        if stuck:
            os.kill(stuck, 9)
        run = server.settled(answer["id"])
        check(label + ": a verifier killed mid-check leaves its run to be checked again (to the end)",
              stuck and run and "same game as run" in run.get("reason", ""), (stuck, run))

        worker.kill()
        open(hold, "w").close()
        orphan = server.submit(good, "orphan")[2]["id"]
        stuck = wait_for(lambda: child_named(checkers, "sleep"), 60)
        server.process.kill()  # the server dies mid-check, its verifier with it
        if stuck:
            os.kill(stuck, 9)
        os.remove(hold)
    finally:
        server.stop()
        worker.kill()
        worker.wait()
    server = Server(folder, database, "--levels", levels, "--claim-timeout", "1")
    try:
        run = server.settled(orphan)
        check(label + ": a check whose server died is taken again after the time-out",
              run and "same game as run" in run.get("reason", ""), run)
    finally:
        server.stop()

    server = Server(folder, database, "--workers", "0", "--levels", levels)
    try:
        statuses = [server.submit(good, "queue")[:2] for _ in range(13)]
        check(label + ": twelve runs a minute are taken from one address",
              [s for s, _ in statuses[:12]] == [202] * 12, [s for s, _ in statuses])
        check(label + ": the 13th gets 429 with a Retry-After",
              statuses[12][0] == 429 and int(statuses[12][1]["Retry-After"]) > 0, statuses[12])
    finally:
        server.stop()
    server = Server(folder, database, "--levels", levels)
    try:
        queued = wait_for(lambda: all(r["state"] == "refused" for r in json.loads(
            request(server.url + "/api/players?name=queue")[2])["runs"]))
        check(label + ": the runs queued before a restart are checked after it", queued)
    finally:
        server.stop()


def child_named(parents, name):
    """The pid of a child of one of parents whose program is name, or None."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            with open("/proc/%s/comm" % pid) as f:
                comm = f.read().strip()
        except OSError:
            continue
        if int(fields[1]) in parents and comm == name:
            return int(pid)
    return None


def start_postgres(folder):
    """A PostgreSQL cluster in folder/pg with a database "scores": (its URL, its process)."""
    data = os.path.join(folder, "pg")
    user = as_user()
    subprocess.run(user + [PG_BIN + "/initdb", "-D", data, "-A", "trust", "-U", "korvel"], check=True,
                   stdout=subprocess.DEVNULL)
    port = free_port(PG_PORTS)
    log = open(os.path.join(folder, "postgres.log"), "w")
    process = subprocess.Popen(user + [PG_BIN + "/postgres", "-D", data, "-k", folder, "-p", str(port),
                                       "-c", "listen_addresses="], stdout=log, stderr=subprocess.STDOUT)
    ready = wait_for(lambda: subprocess.run([PG_BIN + "/pg_isready", "-h", folder, "-p", str(port)],
                                            stdout=subprocess.DEVNULL).returncode == 0, 60)
    if ready:
        subprocess.run(user + [PG_BIN + "/createdb", "-h", folder, "-p", str(port), "-U", "korvel", "scores"],
                       check=True)
    return "postgresql://korvel@/scores?host=%s&port=%d" % (folder, port), process


def main():
    global BUILD
    BUILD = os.path.abspath(sys.argv[1])
    run = os.path.join(BUILD, "run")
    for verifier in ("korvel-verify", "korvel-verify-landscape"):
        libraries = subprocess.run(["ldd", os.path.join(BUILD, "scores", verifier)], stdout=subprocess.PIPE,
                                   text=True).stdout
        check(verifier + " links no SDL, mixer or OpenGL library", "libSDL" not in libraries and
              "libGL" not in libraries and "libOpenGL" not in libraries, libraries)
    good = record_game(run, seconds=12)
    if not check("a game is recorded", good):
        return 1
    with open(os.path.join(run, "level.txt")) as f:
        level = f.read().replace("timeBetweenEnemies=300", "timeBetweenEnemies=20").encode()
    folder = tempfile.mkdtemp(prefix="korvel-scores-")
    os.chmod(folder, 0o755)
    if os.getuid() == 0:
        shutil.chown(folder, "nobody")
    postgres = None
    try:
        test_server(folder, os.path.join(folder, "scores.sqlite"), good, level, "SQLite")
        url, postgres = start_postgres(folder)
        test_server(folder, url, good, level, "PostgreSQL")
    finally:
        if postgres:
            postgres.terminate()
            postgres.wait()
        shutil.rmtree(folder, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
