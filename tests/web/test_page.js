// test_page.js -- the pages as a web app, in Debian's Chromium (headless, software WebGL): the front
// page sends a phone to the game of its shape, the game fits the screen, Chromium counts the pages
// installable, both games start with the network off after one visit and a newly served build
// replaces the kept one, lines at a pixel ratio of 2 are as thick in the picture's units as at 1, and
// a page that cannot keep up draws at fewer pixels.
//
//   node test_page.js <build/web> <desktop bench folder>
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serve, launch, desktopPicture, check, finish } = require('./browser');

const GAMES = ['korvel.html', 'korvel-landscape.html'];
const PICTURE_FRAMES = 60;
// A phone held upright, and sideways: its screen in CSS pixels and its pixel ratio.
const PHONE = { width: 390, height: 664, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const SIDEWAYS = { ...PHONE, width: PHONE.height, height: PHONE.width, isLandscape: true };
// A pixel counts as part of a line when each channel is this bright.
const LIT = 64;
// Chromium's CPU slowed down this many times, so the page cannot keep up; the picture's pixels a unit
// that say it has come near the world's own size; the frames then watched.
const SLOWED_DOWN = 20;
const FLOOR_REACHED = 1.25;
const FRAMES_WATCHED = 100;

// Opens url in the context and waits until the game says it started, or the page has loaded.
async function visit(context, url, viewport) {
  const page = await context.newPage();
  const said = [];
  page.on('console', (m) => said.push(m.text()));
  if (viewport) await page.setViewport(viewport);
  await page.goto(url);
  if (url.includes('korvel')) await page.waitForFunction(() => window.Module && Module.startedAt, { timeout: 0 });
  page.said = said;
  return page;
}

// Width in pixels of the life bar's outline at its left and right sides (2 and 17 units from the
// picture's left edge), across the row 102 units above its bottom: the run of lit pixels there.
// pixel(x, y) gives [r, g, b] with y counted from the bottom.
function outlineWidths(pixel, width, scale) {
  const y = Math.round(102 * scale), reach = Math.round(2 * scale) + 3;
  return [2, 17].map((units) => {
    const centre = Math.round(units * scale), xs = [];
    for (let x = Math.max(centre - reach, 0); x <= Math.min(centre + reach, width - 1); x++)
      if (Math.min(...pixel(x, y)) >= LIT) xs.push(x);
    return xs.length ? xs[xs.length - 1] - xs[0] + 1 : 0;
  });
}

async function browserPicture(browser, base, ratio) {
  const context = await browser.createBrowserContext();
  const page = await visit(context, `${base}korvel.html?picture=${PICTURE_FRAMES}`,
                           { width: 900, height: 900, deviceScaleFactor: ratio });
  await page.waitForFunction('Module.picture', { timeout: 0 });
  const p = await page.evaluate('({ rgba: Array.from(Module.picture.rgba), width: Module.picture.width })');
  await context.close();
  return outlineWidths((x, y) => p.rgba.slice(4 * (y * p.width + x), 4 * (y * p.width + x) + 3), p.width, ratio);
}

// The lines at pixel ratios 1 and 2 against the desktop's unscaled picture: as wide as the desktop's
// at 1, twice as wide (in pixels; as wide in the picture's units) at 2, within a pixel.
async function testLines(browser, base, benchFolder) {
  const d = desktopPicture(benchFolder, 'korvel-bench-portrait', PICTURE_FRAMES);
  const desktop = outlineWidths((x, y) => d.rgb.slice(3 * ((d.height - 1 - y) * d.width + x), 3 * ((d.height - 1 - y) * d.width + x) + 3), d.width, 1);
  for (const ratio of [1, 2]) {
    const widths = await browserPicture(browser, base, ratio);
    check(widths.every((w, i) => w >= ratio && Math.abs(w - ratio * desktop[i]) <= ratio),
          `at a pixel ratio of ${ratio} the life bar's outline is ${widths.join(' and ')} pixels wide ` +
          `(the desktop's unscaled: ${desktop.join(' and ')})`);
  }
}

// A page that cannot keep up (Chromium's CPU slowed down far more than any phone) draws at fewer
// pixels, down to the world's own size and never below it.
async function testResolution(browser, base) {
  const context = await browser.createBrowserContext();
  const page = await visit(context, base + 'korvel.html', { width: 900, height: 900, deviceScaleFactor: 2 });
  await page.emulateCPUThrottling(SLOWED_DOWN);
  const scale = '(Math.min(Module.canvas.width / 480, Module.canvas.height / 800))';
  const full = await page.evaluate(scale);
  await page.waitForFunction(`${scale} < ${FLOOR_REACHED}`, { timeout: 0, polling: 'raf' });
  const lowest = await page.evaluate(`new Promise((done) => {
    let lowest = ${scale}, frames = 0;
    const look = () => { lowest = Math.min(lowest, ${scale}); if (++frames < ${FRAMES_WATCHED}) requestAnimationFrame(look); else done(lowest); };
    requestAnimationFrame(look);
  })`);
  check(lowest >= 0.995, `a page that cannot keep up draws at fewer pixels (the picture from ${full.toFixed(2)} to ` +
        `${lowest.toFixed(2)} pixels a unit), never fewer than the world's size`);
  await context.close();
}

// The manifest, its icons, and Chromium's own word on installing the front page.
async function testInstallable(context, base, folder) {
  const page = await visit(context, base + 'index.html');
  await page.evaluate(() => navigator.serviceWorker.ready);
  const session = await page.createCDPSession();
  const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
  check(installabilityErrors.length === 0,
        'Chromium counts the page installable: ' + JSON.stringify(installabilityErrors));
  const manifest = JSON.parse(fs.readFileSync(path.join(folder, 'manifest.webmanifest'), 'utf8'));
  const sizes = manifest.icons.map((icon) => {
    const png = fs.readFileSync(path.join(folder, icon.src));
    return `${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`;
  });
  check(manifest.name && manifest.short_name && ['fullscreen', 'standalone'].includes(manifest.display) &&
        manifest.orientation && manifest.background_color && manifest.theme_color &&
        sizes.includes('192x192') && sizes.includes('512x512') &&
        manifest.icons.every((icon, i) => icon.sizes === sizes[i]),
        `the manifest names the app, its display, orientation and colours, and icons of ${sizes.join(', ')}`);
  await page.close();
}

// Every game starts with the network off after one visit; a build served later replaces the kept one
// at the next visit.
async function testOffline(context, base, folder, server) {
  for (const game of GAMES) await (await visit(context, base + game)).close();
  server.close();
  server.closeAllConnections();
  for (const game of GAMES) {
    const page = await context.newPage();
    await page.setOfflineMode(true);
    const said = [];
    page.on('console', (m) => said.push(m.text()));
    await page.goto(base + game);
    await page.waitForFunction(() => window.Module && Module.startedAt, { timeout: 0 });
    check(said.some((line) => line.startsWith('korvel: started')), `${game} starts with the network off`);
    await page.close();
  }
  const marker = '<!-- the second build -->';
  fs.appendFileSync(path.join(folder, 'korvel.html'), marker);
  const sw = path.join(folder, 'sw.js');
  fs.writeFileSync(sw, fs.readFileSync(sw, 'utf8').replace(/const CACHE = 'korvel-([^']*)'/, "const CACHE = 'korvel-$1-second'"));
  const again = await serve(folder, new URL(base).port);
  const page = await visit(context, base + 'korvel.html');
  const kept = await page.evaluate(async () => {
    for (;;) {
      const names = await caches.keys();
      if (names.length === 1 && names[0].endsWith('-second')) return names;
      await new Promise((r) => setTimeout(r, 200));
    }
  });
  await page.close();
  const next = await visit(context, base + 'korvel.html');
  check((await next.content()).includes(marker), `a newly served build replaces the kept one at the next visit (${kept})`);
  await next.close();
  again.close();
  again.closeAllConnections();
}

// The front page sends a phone to the game of its shape; on a desktop it names which is which. The
// game's picture then fits the phone's screen.
async function testFrontPage(browser, base) {
  for (const [viewport, game] of [[PHONE, 'korvel.html'], [SIDEWAYS, 'korvel-landscape.html']]) {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.setViewport(viewport);
    await page.goto(base + 'index.html');
    await page.waitForFunction(() => window.Module && Module.startedAt, { timeout: 0 });
    const fits = await page.evaluate(() => {
      const r = Module.canvas.getBoundingClientRect();
      return r.width > 0 && r.height > 0 && r.left >= 0 && r.top >= 0 && r.right <= innerWidth && r.bottom <= innerHeight;
    });
    check(page.url().endsWith(game) && fits,
          `a phone ${viewport.isLandscape ? 'held sideways' : 'held upright'} goes to ${page.url().split('/').pop()}, whose canvas fits its screen`);
    await context.close();
  }
  const context = await browser.createBrowserContext();
  const page = await visit(context, base + 'index.html', { width: 1280, height: 900 });
  const text = await page.evaluate(() => document.body.innerText);
  check(page.url().endsWith('index.html') && /upright/.test(text) && /sideways/.test(text) &&
        await page.$('meta[name=viewport]') !== null && await page.$('link[rel=icon]') !== null,
        'on a desktop the front page stays, says which game is which, has a viewport line and an icon');
  await context.close();
}

async function main() {
  // A copy of the pages, so a second build can be served from it.
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'korvel-page-'));
  fs.cpSync(path.resolve(process.argv[2]), folder, { recursive: true });
  const server = await serve(folder);
  const base = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launch();
  try {
    await testFrontPage(browser, base);
    await testLines(browser, base, path.resolve(process.argv[3]));
    await testResolution(browser, base);
    // Chromium installs nothing from an incognito context: the browser's own one.
    const context = browser.defaultBrowserContext();
    await testInstallable(context, base, folder);
    await testOffline(context, base, folder, server);
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
  finish();
}
main().catch((e) => { console.error(e); process.exit(1); });
