// test_web.js -- both browser games in Debian's Chromium (headless, software WebGL), served from
// 127.0.0.1: the page starts clean, keys play, the first key starts the sound, the music is the
// module's own tune, a high score outlives a reload, and the picture matches the desktop game's;
// then touch, a pad, fullscreen, a hidden page, the browser's own keys, the game started again
// after Escape and a level file refused, in one visit of the portrait game.
//
//   node test_web.js <build/web> <music1.wav> <desktop bench folder>   the tests
//   node test_web.js --bench <build/web>                               the bench's scenes' frame rates
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { serve, launch, desktopPicture, check, finish } = require('./browser');

const PAGES = [
  { page: 'korvel.html', bench: 'korvel-bench-portrait', landscape: false },
  { page: 'korvel-landscape.html', bench: 'korvel-bench-landscape', landscape: true },
];
// Each program's own high-score file.
const highscoreFile = (game) => `/home/player/.local/share/korvel/highscore${game.landscape ? '-landscape' : ''}.txt`;
const PICTURE_FRAMES = 60;
// A pixel differs when a channel is this far apart; lines are one pixel wide in WebGL.
const PIXEL_TOLERANCE = 64;
const MAX_DIFFERING_SHARE = 0.01;
// Blue pixels in the ship's lane that say it is firing: a lane full of shots has over a thousand.
const SHOTS_IN_LANE = 300;
// The music's loudness is compared in windows of this many seconds.
const ENVELOPE_SECONDS = 0.5;

// Opens a page in its own browser context (its own storage unless one is given) and keeps its
// console errors.
// Nothing is evaluated in the page until a key has been pressed: puppeteer's evaluations count as
// the visitor's gesture, which lets sound start.
async function open(browser, url, context) {
  context = context || await browser.createBrowserContext();
  const page = await context.newPage();
  page.errors = [];
  page.said = [];
  page.on('console', (m) => {
    if (m.type() === 'error') page.errors.push(m.text());
    if (m.text().startsWith('korvel: ')) page.said.push(m.text());
  });
  page.on('pageerror', (e) => page.errors.push(e.message));
  await page.setViewport({ width: 900, height: 900 });
  await page.goto(url);
  await saying(page, 'korvel: started');
  return page;
}

// Waits until the page has said a line starting so (no time limit of its own: the run's timeout).
async function saying(page, start) {
  for (let i = 1; !page.said.some((line) => line.startsWith(start)); i++) {
    await sleep(100);
    if (i % 300 === 0) console.log(`   (still waiting for "${start}"; the page said: ${page.said.join(' | ')})`);
  }
  return page.said.find((line) => line.startsWith(start));
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
// A key held long enough for a frame to see it, even on a busy machine.
async function tap(page, key) {
  await page.keyboard.down(key);
  await sleep(400);
  await page.keyboard.up(key);
}

// The canvas as the page shows it, summed up where it counts: the grey ship's middle in the
// ship's part of the field (away from the HUD's spare ships and life bar at the left edge), and
// the blue pixels in the ship's lane, where its shots fly.
async function look(page, landscape) {
  const png = await (await page.$('#canvas')).screenshot({ encoding: 'base64' });
  return page.evaluate(async (png, landscape) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + png;
    await image.decode();
    const canvas = new OffscreenCanvas(image.width, image.height);
    const g = canvas.getContext('2d');
    g.drawImage(image, 0, 0);
    const d = g.getImageData(0, 0, image.width, image.height).data;
    // The picture is letterboxed in the canvas element: its width and left edge there.
    const [worldWidth, worldHeight] = landscape ? [800, 480] : [480, 800];
    const scale = Math.min(image.width / worldWidth, image.height / worldHeight);
    const width = worldWidth * scale, left = (image.width - width) / 2;
    const pixel = (x, y) => d.subarray(4 * (y * image.width + x), 4 * (y * image.width + x) + 3);
    let shipSum = 0, ship = 0, blue = 0;
    for (let y = 0; y < image.height; y++)
      for (let x = 0; x < image.width; x++) {
        const [r, gr, b] = pixel(x, y);
        const inShipPart = landscape ? x > left + width / 10 && x < left + width / 3
                                     : x > left + width / 10 && y > image.height * 2 / 3;
        if (inShipPart && r > 150 && Math.abs(r - gr) < 20 && Math.abs(r - b) < 20) {
          shipSum += landscape ? y : x;
          ship++;
        }
      }
    const across = ship ? shipSum / ship : -1;
    // The shots fly in the ship's lane.
    for (let y = 0; y < image.height; y++)
      for (let x = 0; x < image.width; x++) {
        const [r, , b] = pixel(x, y);
        if (b > 150 && r < 100 && Math.abs((landscape ? y : x) - across) < 12) blue++;
      }
    return { across: across, blue: blue, grey: ship };
  }, png, landscape);
}

// Keeps a screenshot of the canvas for people to look at, in the folder KORVEL_WEB_SHOTS names.
async function shoot(page, game, what) {
  const folder = process.env.KORVEL_WEB_SHOTS;
  if (folder) await (await page.$('#canvas')).screenshot({ path: path.join(folder, `${game.bench}-${what}.png`) });
}

// The share of pixels where the browser's picture (RGBA, bottom row first) and the desktop's (RGB,
// top row first) differ.
function differingShare(browser, desktop) {
  let differ = 0;
  for (let y = 0; y < desktop.height; y++)
    for (let x = 0; x < desktop.width; x++) {
      const b = 4 * ((desktop.height - 1 - y) * desktop.width + x), d = 3 * (y * desktop.width + x);
      for (let c = 0; c < 3; c++)
        if (Math.abs(browser.rgba[b + c] - desktop.rgb[d + c]) > PIXEL_TOLERANCE) { differ++; break; }
    }
  return differ / (desktop.width * desktop.height);
}

// Loudness of a 16-bit WAV's first channel, window by window.
function wavEnvelope(file) {
  const data = fs.readFileSync(file);
  const channels = data.readUInt16LE(22), rate = data.readUInt32LE(24);
  const samples = (data.length - 44) / 2 / channels, window = Math.round(rate * ENVELOPE_SECONDS);
  const envelope = [];
  for (let start = 0; start + window <= samples; start += window) {
    let sum = 0;
    for (let i = start; i < start + window; i++) sum += data.readInt16LE(44 + 2 * channels * i) ** 2;
    envelope.push(Math.sqrt(sum / window) / 32768);
  }
  return { seconds: samples / rate, envelope };
}

function correlation(a, b) {
  const n = Math.min(a.length, b.length);
  const mean = (v) => v.slice(0, n).reduce((s, x) => s + x, 0) / n;
  const ma = mean(a), mb = mean(b);
  let ab = 0, aa = 0, bb = 0;
  for (let i = 0; i < n; i++) {
    ab += (a[i] - ma) * (b[i] - mb);
    aa += (a[i] - ma) ** 2;
    bb += (b[i] - mb) ** 2;
  }
  return ab / Math.sqrt(aa * bb);
}

async function testMusic(page, wav) {
  const rendered = wavEnvelope(wav);
  const heard = await page.evaluate(async (windowSeconds) => {
    const bytes = Module.FS.readFile('/usr/share/korvel/music1.ogg').buffer;
    const audio = await new OfflineAudioContext(1, 1, 22050).decodeAudioData(bytes);
    const samples = audio.getChannelData(0), window = Math.round(audio.sampleRate * windowSeconds);
    const envelope = [];
    for (let start = 0; start + window <= samples.length; start += window) {
      let sum = 0;
      for (let i = start; i < start + window; i++) sum += samples[i] * samples[i];
      envelope.push(Math.sqrt(sum / window));
    }
    return { seconds: audio.duration, envelope };
  }, ENVELOPE_SECONDS);
  check(Math.abs(heard.seconds - rendered.seconds) < 0.05,
        `the music lasts as long as the module played once (${heard.seconds.toFixed(2)} s, ` +
        `${rendered.seconds.toFixed(2)} s)`);
  const r = correlation(heard.envelope, rendered.envelope);
  check(r > 0.95, `the music's loudness follows the module's, window by window (r = ${r.toFixed(3)})`);
}

async function testGame(browser, base, game, wav, desktop) {
  const url = base + game.page;
  const page = await open(browser, url);
  console.log(`-- ${game.page}: ${(await saying(page, 'korvel: started')).slice(8)}`);
  await sleep(500);
  check(!page.said.includes('korvel: sound running') && await page.$('#sound-line') !== null,
        'before any key the sound waits, and the page says so');
  await shoot(page, game, 'menu');
  await tap(page, 'z');
  await page.waitForFunction('Module.audioState() === "running"', { timeout: 10000 });
  check(await page.$('#sound-line') === null, 'after a key the sound runs and the line is gone');
  await sleep(1000);
  const before = await look(page, game.landscape);
  await page.keyboard.down(game.landscape ? 'ArrowDown' : 'ArrowLeft');
  await page.keyboard.down('Slash');
  await page.keyboard.down('c');
  await sleep(300); // not near the edge
  await page.keyboard.up(game.landscape ? 'ArrowDown' : 'ArrowLeft');
  await sleep(800); // firing on, its shots fill the lane
  const after = await look(page, game.landscape);
  await shoot(page, game, 'moved-and-fired');
  check(before.across > 0 && after.across > 0 && Math.abs(after.across - before.across) > 30,
        `the ship moves (its middle from ${before.across.toFixed(0)} to ${after.across.toFixed(0)} px)`);
  check(after.blue > SHOTS_IN_LANE, `the ship fires (${after.blue} blue pixels in its lane)`);
  check(await page.evaluate('Module.soundsStarted') > 0, 'the shots\' sounds play');
  if (wav) await testMusic(page, wav);

  // The ship sweeps the field, firing and unharmed (C), until it has scored.
  const sweep = ['ArrowLeft', 'ArrowRight'].map((k) => game.landscape ? (k === 'ArrowLeft' ? 'ArrowDown' : 'ArrowUp') : k);
  let score = '';
  for (let i = 0; i < 60 && !/highscore: [1-9]/.test(score); i++) {
    await page.keyboard.down(sweep[i % 2]);
    await sleep(1000);
    await page.keyboard.up(sweep[i % 2]);
    score = await page.evaluate((f) => { try { return Module.FS.readFile(f, { encoding: 'utf8' }); } catch (e) { return ''; } }, highscoreFile(game));
  }
  await tap(page, 'Escape');
  await saying(page, 'korvel: ended, saves kept');
  score = await page.evaluate((f) => Module.FS.readFile(f, { encoding: 'utf8' }), highscoreFile(game));
  check(/highscore: [1-9]/.test(score), `a high score is set and saved (${score.split('\n')[0]})`);
  check(page.errors.length === 0, 'no console errors: ' + page.errors.join(' | '));
  const context = page.browserContext();
  await page.close();
  const again = await open(browser, url, context);
  const kept = await again.evaluate((f) => Module.FS.readFile(f, { encoding: 'utf8' }), highscoreFile(game));
  check(kept.split('\n')[0] === score.split('\n')[0], `the high score is there after a reload (${kept.split('\n')[0]})`);
  await testReplaySaved(again, game, desktop);
  await again.close();
  await context.close();
  const fresh = await open(browser, url);
  await testControlsFile(fresh, game);
  await fresh.browserContext().close();
}

// The game played left its replay in the page's storage, kept after a reload: the desktop game's
// reader (zlib's) lists it, and the desktop game refuses to play it, made by the browser's.
async function testReplaySaved(page, game, desktop) {
  const folder = '/home/player/.local/share/korvel/replays';
  const files = await page.evaluate((f) => {
    const names = (() => { try { return Module.FS.readdir(f); } catch (e) { return []; } })();
    return names.filter((n) => n.endsWith('.korvel-replay')).map((n) => [n, Array.from(Module.FS.readFile(f + '/' + n))]);
  }, folder);
  const own = files.filter(([name]) => name.endsWith(game.landscape ? '-landscape.korvel-replay' : 'p.korvel-replay'));
  check(own.length === 1, `the game left one replay (${files.map(([name]) => name).join(', ')})`);
  if (own.length !== 1) return;
  const home = fs.mkdtempSync(path.join(require('os').tmpdir(), 'korvel-web-replay-'));
  fs.mkdirSync(path.join(home, 'korvel/replays'), { recursive: true });
  const file = path.join(home, 'korvel/replays', own[0][0]);
  fs.writeFileSync(file, Buffer.from(own[0][1]));
  const program = path.join(desktop, game.landscape ? 'korvel-landscape' : 'korvel');
  const env = { ...process.env, XDG_DATA_HOME: home };
  const listed = childProcess.spawnSync(program, ['--replays'], { env, encoding: 'utf8' }).stdout;
  check(listed.includes(file), `the desktop game reads the browser's replay: ${listed}`);
  const played = childProcess.spawnSync(program, ['--replay', file], { env, encoding: 'utf8' });
  check(played.status !== 0 && played.stderr.includes('made by the browser game'),
        `the desktop game refuses to play it: ${played.stderr.trim()}`);
  fs.rmSync(home, { recursive: true });
}

// A controls file loaded from the page is kept, and its key names are SDL 1.2's: space fires.
async function testControlsFile(page, game) {
  const file = path.join(require('os').tmpdir(), `korvel-controls-${process.pid}.txt`);
  fs.writeFileSync(file, 'p1 fire = space\n');
  page.said = [];
  await (await page.$('#controls-file')).uploadFile(file);
  await saying(page, 'korvel: started'); // the browser reads the file only now and then
  fs.unlinkSync(file);
  await sleep(500);
  await tap(page, 'z');
  await sleep(1000);
  await page.keyboard.down('Space');
  await sleep(1000);
  const after = await look(page, game.landscape);
  await shoot(page, game, 'fired-with-space');
  await page.keyboard.up('Space');
  check(after.blue > SHOTS_IN_LANE, `a controls file loaded from the page is kept: space fires (${after.blue} blue pixels in the ship's lane)`);
}

// Where a point of the world (x right, y up, from the picture's centre) is on the page, the picture
// being letterboxed in the canvas.
async function pageXY(page, landscape, x, y) {
  const box = await page.evaluate(() => { const r = Module.canvas.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; });
  const [worldWidth, worldHeight] = landscape ? [800, 480] : [480, 800];
  const scale = Math.min(box[2] / worldWidth, box[3] / worldHeight);
  return [box[0] + box[2] / 2 + x * scale, box[1] + box[3] / 2 - y * scale];
}

// Waits until the ship's part of the picture no longer looks as it did (the menu's help line
// there gives way to the ship), then until the ship stops moving; its place.
async function shipAtRest(page, landscape, was) {
  let last = await look(page, landscape);
  const same = (a, b) => Math.abs(a.across - b.across) < 1 && Math.abs(a.grey - b.grey) < 0.2 * b.grey;
  while (was && same(last, was)) last = await look(page, landscape);
  for (;;) {
    await sleep(300);
    const now = await look(page, landscape);
    if (now.across > 0 && Math.abs(now.across - last.across) < 0.5) return now;
    last = now;
  }
}

// Whether the canvas stays the same for a while: a paused game draws nothing, a running one moves
// its background every frame. Of three looks, two in a row alike will do: a busy machine may
// deliver one screenshot mid-change.
async function still(page) {
  const shot = () => page.$('#canvas').then((c) => c.screenshot({ encoding: 'base64' }));
  let last = await shot();
  for (let i = 0; i < 2; i++) {
    await sleep(700);
    const now = await shot();
    if (now === last) return true;
    last = now;
  }
  return false;
}

const readFs = (page, file) => page.evaluate((f) => { try { return Module.FS.readFile(f, { encoding: 'utf8' }); } catch (e) { return ''; } }, file);
const OPTIONS = '/home/player/.local/share/korvel/options.txt';

// Touch, a pad, fullscreen, a hidden page, the browser's keys, Escape and a refused file: one visit.
async function testInputs(browser, base, game) {
  const page = await open(browser, base + game.page);
  await page.setViewport({ width: 600, height: 900, hasTouch: true });
  await sleep(500);
  // A tap on "1 PLAYER START" starts a game; C keeps the ship unharmed.
  await page.keyboard.down('c');
  const [entryX, entryY] = await pageXY(page, game.landscape, 0, 7);
  const onMenu = await look(page, game.landscape);
  await page.touchscreen.tap(entryX, entryY);
  const before = await shipAtRest(page, game.landscape, onMenu);
  check(before.across > 0, 'a tap on the menu\'s first entry starts a game');
  check(await page.$eval('#pause-button', (b) => getComputedStyle(b).display !== 'none') &&
        /^Touch/.test(await page.$eval('#how-to-play', (e) => e.textContent)),
        'after a touch the page shows its pause button and says how to play by touch');

  // A drag anywhere moves the ship by the drag's length on the page; the finger down fires.
  const DRAG = 60;
  const [fromX, fromY] = await pageXY(page, game.landscape, 0, 150);
  await page.touchscreen.touchStart(fromX, fromY);
  for (let step = 1; step <= 6; step++) await page.touchscreen.touchMove(fromX - step * DRAG / 6, fromY);
  await sleep(1200);
  // A look may find a frame without the ship (the page clears the canvas when it changes its
  // resolution on a busy machine): a few more looks, the finger still down.
  let dragged = await look(page, game.landscape);
  for (let i = 0; i < 5 && dragged.across < 0; i++) dragged = await look(page, game.landscape);
  await page.touchscreen.touchEnd();
  const moved = before.across - dragged.across;
  check(Math.abs(moved - DRAG) < 6, `a drag of ${DRAG} px moves the ship by as much (${moved.toFixed(1)} px)`);
  check(dragged.blue > SHOTS_IN_LANE, `a finger down fires (${dragged.blue} blue pixels in the ship's lane)`);

  // Hidden, the game pauses and the sound stops; shown again it stays paused until resumed.
  await page.waitForFunction('Module.audioState() === "running"', { timeout: 10000 });
  const showPage = (hidden) => page.evaluate((hidden) => {
    Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
    Object.defineProperty(document, 'visibilityState', { value: hidden ? 'hidden' : 'visible', configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await showPage(true);
  await page.waitForFunction('Module.audioState() === "suspended"', { timeout: 10000 });
  check(await still(page), 'a hidden page pauses the game and stops the sound');
  await showPage(false);
  await page.waitForFunction('Module.audioState() === "running"', { timeout: 10000 });
  check(await still(page), 'shown again, the game stays paused and the sound plays');
  await page.tap('#pause-button');
  check(!await still(page), 'the pause button resumes the game');

  // F11 gives fullscreen and back; options.txt follows the real mode.
  await page.keyboard.press('F11');
  await page.waitForFunction('document.fullscreenElement !== null', { timeout: 10000 });
  for (let i = 0; !/mode: fullscreen/.test(await readFs(page, OPTIONS)) && i < 50; i++) await sleep(100);
  check(/mode: fullscreen/.test(await readFs(page, OPTIONS)), 'F11 gives fullscreen, and options.txt says so');
  await page.keyboard.press('F11');
  await page.waitForFunction('document.fullscreenElement === null', { timeout: 10000 });
  for (let i = 0; !/mode: window/.test(await readFs(page, OPTIONS)) && i < 50; i++) await sleep(100);
  check(/mode: window/.test(await readFs(page, OPTIONS)), 'F11 again leaves it, and options.txt says so');

  // The browser keeps its own keys; the game's keys are the game's: each key dispatched on the page
  // comes back cancelled or not once every handler has seen it.
  const KEYS = [['F5', 116], ['r', 82, 'ctrl'], ['=', 187, 'ctrl'], ['-', 189, 'ctrl'], ['0', 48, 'ctrl'], ['Tab', 9],
                ['ArrowLeft', 37, 'alt'], ['Backspace', 8], ['F12', 123], ['ArrowUp', 38], ['z', 90]];
  const cancelled = await page.evaluate((keys) => keys.filter(([key, keyCode, modifier]) => {
    const init = { key: key, keyCode: keyCode, which: keyCode, ctrlKey: modifier === 'ctrl', altKey: modifier === 'alt',
                   bubbles: true, cancelable: true };
    const kept = document.body.dispatchEvent(new KeyboardEvent('keydown', init));
    document.body.dispatchEvent(new KeyboardEvent('keyup', init));
    return !kept;
  }).map(([key, , modifier]) => (modifier ? modifier + '+' : '') + key), KEYS);
  check(cancelled.join() === 'ArrowUp,z', `the page cancels only the game's keys of these: ${cancelled.join()}`);

  // Escape ends the game, its saves kept; a key starts it again at the title menu, no reload.
  await page.evaluate('window.sameVisit = true');
  await page.keyboard.press('Escape');
  await saying(page, 'korvel: ended, saves kept');
  page.said = [];
  await page.keyboard.press('x');
  await saying(page, 'korvel: started');
  check(await page.evaluate('window.sameVisit === true'), 'after Escape a key starts the game again, without a reload');

  // A standard pad: button 0 starts a game, the stick moves the ship.
  await page.evaluate(() => {
    const buttons = Array.from({ length: 17 }, () => ({ pressed: false, value: 0 }));
    window.pad = { id: 'Test pad', index: 0, connected: true, mapping: 'standard', timestamp: 1, axes: [0, 0, 0, 0], buttons };
    navigator.getGamepads = () => [window.pad];
    window.dispatchEvent(new Event('gamepadconnected'));
  });
  const pad = (button, axis) => page.evaluate((button, axis) => {
    window.pad.buttons[0] = { pressed: button, value: button ? 1 : 0 };
    window.pad.axes[0] = axis;
    window.pad.timestamp++;
  }, button, axis);
  const menu = await look(page, game.landscape);
  await pad(true, 0);
  await sleep(300);
  await pad(false, 0);
  const padStart = await shipAtRest(page, game.landscape, menu);
  await pad(false, -1);
  await sleep(500);
  await pad(false, 0);
  const padMoved = await shipAtRest(page, game.landscape);
  check(padStart.across > 0 && padStart.across - padMoved.across > 20,
        `a pad's button starts a game and its stick moves the ship (${padStart.across.toFixed(0)} to ${padMoved.across.toFixed(0)} px)`);

  // A level file the game cannot use is refused with the line and the reason while a game plays;
  // none is installed.
  page.said = [];
  const bad = path.join(require('os').tmpdir(), `korvel-level-${process.pid}.txt`);
  fs.writeFileSync(bad, require('crypto').randomBytes(4096));
  await (await page.$('#level-file')).uploadFile(bad);
  // The page reads the file only once its change event is handled: it stays until the answer.
  const refused = await saying(page, 'korvel: refused level.txt');
  fs.unlinkSync(bad);
  check(/line \d+: /.test(refused) && /cannot use .*line \d+/.test(await page.$eval('#status', (e) => e.textContent)) &&
        await readFs(page, '/home/player/.config/korvel/level.txt') === '',
        `a level file the game cannot use is refused, with its reason: ${refused.slice(8)}`);
  check(page.errors.length === 0, 'no console errors: ' + page.errors.join(' | '));
  await page.keyboard.up('c');
  await page.browserContext().close();
}

async function testPicture(browser, base, game, benchFolder) {
  const desktop = desktopPicture(benchFolder, game.bench, PICTURE_FRAMES);
  const page = await open(browser, `${base}${game.page}?picture=${PICTURE_FRAMES}`);
  await page.waitForFunction('Module.picture', { timeout: 30000 });
  const picture = await page.evaluate('({ rgba: Array.from(Module.picture.rgba), width: Module.picture.width })');
  await page.browserContext().close();
  const share = differingShare(picture, desktop);
  check(picture.width === desktop.width && share < MAX_DIFFERING_SHARE,
        `the browser's picture matches the desktop's (${(100 * share).toFixed(2)} % of pixels differ)`);
}

// The bench's page size, and Chromium's CPU slowed down four times as a stand-in for a phone.
const BENCH_SIZE = { width: 1280, height: 900 };
const PHONE_THROTTLE = 4;

async function bench(browser, base) {
  for (const throttle of [1, PHONE_THROTTLE])
    for (const ratio of [1, 2])
      for (const game of PAGES) {
        const page = await (await browser.createBrowserContext()).newPage();
        await page.setViewport({ ...BENCH_SIZE, deviceScaleFactor: ratio });
        await page.emulateCPUThrottling(throttle);
        await page.goto(`${base}${game.page}?bench`);
        await page.waitForFunction('Module.benchFinished', { timeout: 0, polling: 1000 });
        const setting = `ratio ${ratio}, CPU / ${throttle}`;
        for (const r of await page.evaluate('Module.benchResults'))
          console.log(`${game.page.padEnd(22)} ${setting.padEnd(18)} ${r.name.padEnd(52)} ${r.fps.toFixed(1).padStart(6)} fps`);
        await page.browserContext().close();
      }
}

// What a visitor's browser downloads for one game, compressed as a web server would (gzip).
function downloadSizes(folder) {
  for (const game of PAGES) {
    const stem = game.page.replace('.html', '');
    const files = [game.page, stem + '.js', stem + '.wasm', stem + '.data'];
    const bytes = files.reduce((s, f) => s + zlib.gzipSync(fs.readFileSync(path.join(folder, f)), { level: 9 }).length, 0);
    console.log(`${game.page}: ${(bytes / 1024 / 1024).toFixed(2)} MB compressed (${files.join(', ')})`);
  }
}

async function main() {
  const benchMode = process.argv[2] === '--bench';
  const folder = path.resolve(process.argv[benchMode ? 3 : 2]);
  const server = await serve(folder);
  const base = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launch();
  try {
    if (benchMode) {
      downloadSizes(folder);
      await bench(browser, base);
    } else {
      for (const game of PAGES) {
        await testGame(browser, base, game, game.landscape ? null : process.argv[3], path.resolve(process.argv[4]));
        await testPicture(browser, base, game, path.resolve(process.argv[4]));
      }
      await testInputs(browser, base, PAGES[0]);
    }
  } finally {
    await browser.close();
    server.close();
  }
  if (benchMode) process.exit(0);
  finish();
}
main().catch((e) => { console.error(e); process.exit(1); });
