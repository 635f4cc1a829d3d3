// browser.js -- what the browser tests share: a static server for the pages and Debian's Chromium.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
};

// A static server for the folder, on 127.0.0.1 and the given port (a free one when none).
function serve(folder, port) {
  const server = http.createServer((req, res) => {
    const file = path.join(folder, decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(port || 0, '127.0.0.1', () => resolve(server)));
}

function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    // A busy machine may keep a page's main thread for minutes: no time limit but the run's own.
    protocolTimeout: 0,
    // As a visitor's browser: sound waits for a key. Software WebGL, as on a machine with no GPU.
    args: ['--no-sandbox', '--autoplay-policy=document-user-activation-required', '--use-angle=swiftshader',
           '--enable-unsafe-swiftshader'],
  });
}

function readPpm(file) {
  const data = fs.readFileSync(file);
  const header = data.toString('latin1', 0, 20).split(/\s+/);
  const width = +header[1], height = +header[2];
  return { width, height, rgb: data.subarray(data.length - 3 * width * height) };
}

// The desktop bench's picture after the given frames of the picture scene: width, height and RGB
// rows, top row first.
function desktopPicture(benchFolder, bench, frames) {
  const ppm = path.join(require('os').tmpdir(), `korvel-web-${process.pid}.ppm`);
  execFileSync(path.join(benchFolder, bench), ['--picture', String(frames), ppm],
               { cwd: benchFolder, stdio: ['ignore', 'ignore', 'inherit'] });
  const picture = readPpm(ppm);
  fs.unlinkSync(ppm);
  return picture;
}

// Each check's line, and at the end the script's verdict and exit status.
let failures = 0;
function check(ok, what) {
  console.log((ok ? 'ok     ' : 'FAILED ') + what);
  if (!ok) failures++;
}

function finish() {
  console.log(failures ? `${failures} checks failed` : 'all checks passed');
  process.exit(failures ? 1 : 0);
}

module.exports = { serve, launch, desktopPicture, check, finish };
