// test_runs.js -- a game played in the browser page, sent to the score server and watched from its
// table page: the real korvel-scores on an SQLite database of its own serves the pages; the portrait
// game is played to its end on the default (normal) level, the name typed enters the local table,
// the page offers the run and sends nothing until the player's choice (Tab, then Enter), the run comes
// back verified with its score, and its "watch" link on /scores plays it in the game to its end.
// A static host shows no offer, and a run from another origin is not fetched.
//
//   node test_runs.js <build folder>   (build/web, build/scores)
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serve, launch, check, finish } = require('./browser');

const REPLAYS = '/home/player/.local/share/korvel/replays';
const TABLE = '/home/player/.local/share/korvel/scores.txt';

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// A page whose console lines are kept.
async function open(context, url) {
  const page = await context.newPage();
  page.said = [];
  page.on('console', (m) => page.said.push(m.text()));
  await page.setViewport({ width: 900, height: 900 });
  await page.goto(url);
  return page;
}

// The first line the page said that matches, once it has (no limit but the run's own).
async function saying(page, pattern) {
  for (;;) {
    const line = page.said.find((l) => pattern.test(l));
    if (line) return line;
    await sleep(200);
  }
}

// A key held long enough for a frame to see it, then released as long, even on a busy machine.
async function press(page, key) {
  await page.keyboard.down(key);
  await sleep(500);
  await page.keyboard.up(key);
  await sleep(500);
}

const files = (page, folder) => page.evaluate((f) => { try { return FS.readdir(f).filter((n) => n[0] !== '.'); } catch (e) { return []; } }, folder);

// korvel-scores on a database in folder, serving the pages, on a free port; as root it runs as nobody.
async function startServer(build, folder) {
  const user = process.getuid() === 0 ? ['setpriv', '--reuid=nobody', '--regid=nogroup', '--clear-groups'] : [];
  const free = await serve(folder), port = free.address().port;
  free.close();
  const command = [...user, path.join(build, 'scores', 'korvel-scores'), '--database', path.join(folder, 'scores.sqlite'),
                   '--port', String(port), '--web', path.join(build, 'web'), '--levels', path.join(build, 'scores', 'levels')];
  const server = spawn(command[0], command.slice(1), { stdio: ['ignore', 'inherit', 'inherit'], cwd: folder });
  const url = `http://127.0.0.1:${port}/`;
  for (;;) {
    if (server.exitCode !== null) throw new Error('korvel-scores ended');
    try { if ((await fetch(url + 'api/status')).ok) return { server, url }; } catch (e) { /* not yet */ }
    await sleep(200);
  }
}

// One game: started with fire, flown up into the enemies with fire held until it is over; a name
// typed (Up at the game's end may have turned a letter too); the run then offered, sent with the
// keyboard and verified.
async function playAndSend(context, url) {
  const page = await open(context, url + 'korvel.html');
  await saying(page, /^korvel: started/);
  await press(page, 'z');
  await page.keyboard.down('Slash');
  for (let i = 0; (await files(page, REPLAYS)).length === 0; i++) {
    const key = ['ArrowUp', 'ArrowLeft', 'ArrowUp', 'ArrowRight'][i % 4];
    await page.keyboard.down(key);
    await sleep(700);
    await page.keyboard.up(key);
  }
  await page.keyboard.up('Slash');
  await sleep(1000);
  for (const key of ['ArrowUp', 'z', 'z', 'z']) await press(page, key);
  await saying(page, /^korvel: a run may be sent/);
  const table = await page.evaluate((f) => FS.readFile(f, { encoding: 'utf8' }), TABLE);
  const entry = /^(\d+) ([A-Z]A{2}) 1p normal /m.exec(table) || [];
  check(entry.length, `the run enters the local table under the name typed: ${table.split('\n')[1]}`);
  const offered = await page.$eval('#send-run', (b) => b.offsetParent !== null && b.textContent);
  const before = await (await fetch(url + 'api/players?name=' + entry[2])).json();
  check(offered && offered.includes(entry[2]) && before.runs.length === 0,
        `the page offers the run ("${offered}") and has sent nothing before the player's choice`);

  await page.keyboard.press('Tab');
  const focused = await page.evaluate(() => document.activeElement.id);
  await page.keyboard.press('Enter');
  const verdict = await saying(page, /^korvel: run \d+ (verified|refused)/);
  const [, id, state, score] = /run (\d+) (\w+): (.*)/.exec(verdict);
  check(focused === 'send-run' && state === 'verified' && score === entry[1],
        `Tab reaches the offer, Enter sends the run, and it is verified with its score (${verdict.slice(8)})`);
  check(/verified/.test(await page.$eval('#run-state', (e) => e.textContent)) &&
        /^[0-9a-f]{32}$/.test(await page.evaluate((n) => localStorage.getItem('korvel-secret:' + n), entry[2])),
        'the page says so, and keeps the name\'s secret the server gave');
  await page.close();
  return state === 'verified' && { id, score };
}

// The table page's watch link, followed from /scores: the game plays the run to its end.
async function watchFromTable(context, url, run) {
  const scores = await open(context, url + 'scores');
  const board = await scores.$$eval('a', (as) => as.map((a) => a.href).find((h) => /version=[^&]*%2Bweb/.test(h)));
  await scores.goto(board);
  const watch = await scores.$$eval('a', (as) => as.map((a) => a.getAttribute('href')).find((h) => /watch=/.test(h)));
  check(watch === `/korvel.html?watch=${encodeURIComponent(`/api/runs/${run.id}/replay`)}`,
        `the browser run's table has a watch link: ${watch}`);
  await scores.close();
  const page = await open(context, url + watch.slice(1));
  await saying(page, /^korvel: watching/);
  const ended = await saying(page, /^replay (ended|stopped) at frame/);
  await saying(page, /^korvel: watched run ended/);
  check(new RegExp(`^replay ended at frame (\\d+) of \\1: score ${run.score},`).test(ended),
        `the game plays the run to its end, to its score: ${ended}`);
  check(/has ended/.test(await page.$eval('#run-state', (e) => e.textContent)), 'the page says the run has ended');
  await page.close();
}

// Served by a static host, the page offers nothing and fetches no run from elsewhere.
async function staticHost(context, folder) {
  const host = await serve(folder);
  const page = await open(context, `http://127.0.0.1:${host.address().port}/korvel.html?watch=http://localhost:1/r`);
  await saying(page, /^korvel: started/);
  await page.evaluate(() => Module.runEnteredTable('BAA', 100, '/tmp/none'));
  check(await page.$eval('#run-offer', (e) => e.hidden) &&
        /own server only/.test(await page.$eval('#run-state', (e) => e.textContent)),
        'on a static host no run is offered, and a run from another origin is not fetched');
  await page.close();
  host.close();
}

async function main() {
  const build = path.resolve(process.argv[2]);
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'korvel-runs-'));
  fs.chmodSync(folder, 0o777);
  const { server, url } = await startServer(build, folder);
  const browser = await launch();
  try {
    const context = await browser.createBrowserContext();
    const run = await playAndSend(context, url);
    if (run) await watchFromTable(context, url, run);
    await staticHost(context, path.join(build, 'web'));
  } finally {
    await browser.close();
    server.kill();
    fs.rmSync(folder, { recursive: true, force: true });
  }
  finish();
}
main().catch((e) => { console.error(e); process.exit(1); });
