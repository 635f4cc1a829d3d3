#!/usr/bin/env python3
"""make bench-scores: the score server under load, on SQLite and on a PostgreSQL cluster of its own.

    python3 bench/scores_bench.py <build-folder>

Measures the CPU time korvel-verify takes to check a 10-minute game, the desktop's and the browser's
(played under Node); then on each database: the time from a submission to its verified entry on an
idle server, the checks per second while a burst of distinct one-minute games saturates the workers,
table reads per second (wrk, JSON and the page) and submissions per second taken (wrk POSTs) while
the checks run on both cores.
"""
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "scores"))
import test_scores  # noqa: E402
from test_scores import Server, start_postgres  # noqa: E402

BURST = 40  # distinct one-minute games sent at once
WRK_SECONDS = "5"


def cpu_seconds(command):
    """The CPU time (user + system) of one run of command."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime


def wrk(url, script=None):
    command = ["wrk", "-t2", "-c16", "-d" + WRK_SECONDS + "s", url] + (["-s", script] if script else [])
    out = subprocess.run(command, stdout=subprocess.PIPE, text=True).stdout
    found = re.search(r"Requests/sec:\s+([\d.]+)", out)
    return float(found.group(1)) if found else 0.0


def settle(server, id):
    """Waits for the run's check, looking every 10 ms."""
    deadline = time.time() + 600
    while server.run(id)["state"] == "waiting" and time.time() < deadline:
        time.sleep(0.01)


def bench_database(folder, database, label, games, post_script):
    levels = os.path.join(test_scores.BUILD, "scores", "levels")
    server = Server(folder, database, "--levels", levels, "--submissions-per-minute", "1000000", "--queue", "1000000")
    try:
        latencies = []
        for game in games[:5]:
            start = time.time()
            settle(server, server.submit(game, "latency")[2]["id"])
            latencies.append(time.time() - start)
        burst, ids, lock = games[5:5 + BURST], [], threading.Lock()
        start = time.time()

        def send(part):
            for game in part:
                answer = server.submit(game, "burst")[2]
                with lock:
                    ids.append(answer["id"])
        threads = [threading.Thread(target=send, args=(burst[i::4],)) for i in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        sent = time.time() - start
        for id in ids:
            settle(server, id)
        checked = time.time() - start
        reads = wrk(server.url + "/api/tables?count=100")
        pages = wrk(server.url + "/scores?count=100")
        posts = wrk(server.url + "/api/runs", post_script)
        print("%-10s  submission to verified (1-minute game, idle): median %.0f ms" %
              (label, 1000 * statistics.median(latencies)))
        print("%-10s  %d distinct 1-minute games sent in %.2f s, all checked after %.2f s: %.1f checks/s" %
              (label, len(burst), sent, checked, len(burst) / checked))
        print("%-10s  table reads: %.0f/s (JSON, best hundred), %.0f/s (page)" % (label, reads, pages))
        print("%-10s  submissions taken while the checks fill both cores: %.0f/s" % (label, posts))
    finally:
        server.stop()


def main():
    build = test_scores.BUILD = os.path.abspath(sys.argv[1])
    scores = os.path.join(build, "scores")
    folder = tempfile.mkdtemp(prefix="korvel-bench-scores-")
    os.chmod(folder, 0o755)
    if os.getuid() == 0:
        shutil.chown(folder, "nobody")
    postgres = None
    try:
        long_game = os.path.join(folder, "ten-minutes.korvel-replay")
        subprocess.run([os.path.join(scores, "korvel-long-run"), long_game, "10"], check=True, cwd=folder)
        verify = [os.path.join(scores, "korvel-verify"), "--levels", os.path.join(scores, "levels"), long_game]
        print("korvel-verify, a 10-minute game (36040 frames): %.2f s of CPU (best of 3)" %
              min(cpu_seconds(verify) for _ in range(3)))
        # The same game recorded by the browser's code: checked by it under Node.
        browser_game = os.path.join(folder, "ten-minutes-web.korvel-replay")
        subprocess.run(["node", os.path.join(scores, "korvel-long-run-web.js"), browser_game, "10"], check=True,
                       cwd=folder)
        verify[-1] = browser_game
        print("korvel-verify, a 10-minute browser game (36040 frames, under Node): %.2f s of CPU (best of 3)" %
              min(cpu_seconds(verify) for _ in range(3)))
        games = []
        for sweep in range(20, 20 + 5 + BURST):
            path = os.path.join(folder, "game.korvel-replay")
            subprocess.run([os.path.join(scores, "korvel-long-run"), path, "1", str(sweep)], check=True, cwd=folder)
            with open(path, "rb") as f:
                games.append(f.read())
        boundary = uuid.uuid4().hex
        body = os.path.join(folder, "post.body")
        with open(body, "wb") as f:
            f.write(b'--%s\r\nContent-Disposition: form-data; name="name"\r\n\r\nwrk\r\n'
                    b'--%s\r\nContent-Disposition: form-data; name="replay"; filename="r"\r\n\r\n%s\r\n--%s--\r\n' %
                    (boundary.encode(), boundary.encode(), games[0], boundary.encode()))
        script = os.path.join(folder, "post.lua")
        with open(script, "w") as f:
            f.write('wrk.method = "POST"\nlocal f = io.open("%s", "rb")\nwrk.body = f:read("*a")\nf:close()\n'
                    'wrk.headers["Content-Type"] = "multipart/form-data; boundary=%s"\n' % (body, boundary))
        print("load before: " + open("/proc/loadavg").read().strip())
        bench_database(folder, os.path.join(folder, "scores.sqlite"), "SQLite", games, script)
        url, postgres = start_postgres(folder)
        bench_database(folder, url, "PostgreSQL", games, script)
    finally:
        if postgres:
            postgres.terminate()
            postgres.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
