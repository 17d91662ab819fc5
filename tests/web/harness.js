// Drives the web edition in Chromium like a player, for the browser tests and the benchmark: the site
// served on 127.0.0.1, keys, human-paced clicks, the menu, the canvas's pixels, the console and the end.
'use strict';
const {spawnSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const {serve} = require('../../web/tools/serve');

const {TITLE} = require('./texts');
const WIDTH = 400;
const HEIGHT = 500;
const SITE = process.env.TORVALE_WEB_SITE || path.join(__dirname, '..', '..', 'build', 'web', 'site');
const CHROMIUM = process.env.TORVALE_CHROMIUM || '/usr/bin/chromium';
const CHROMIUM_FLAGS = [
  '--no-sandbox',  // the tests run as root in CI, where Chromium's sandbox refuses to start
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
  '--disable-dev-shm-usage',  // containers often have a small /dev/shm
  '--window-size=1200,800',
];

// Chromium's emulation of a phone held upright: its screen in CSS pixels, touch and a fine pixel ratio.
const PHONE = {width: 393, height: 851, deviceScaleFactor: 2.75, isMobile: true, hasTouch: true};

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls predicate until it gives a truthy value; fails after timeout milliseconds.
async function waitUntil(predicate, what, timeout = 10000, interval = 50) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const result = await predicate();
    if (result) return result;
    if (Date.now() > deadline) throw new Error(`timed out after ${timeout} ms waiting for ${what}`);
    await sleep(interval);
  }
}

// Counts, in the page, every tick of the running game and every frame drawn, with their times, without
// changing the game. A frame is the one image put on the canvas at the swap; a tick is a timer callback or
// scheduled task after which a frame is drawn (the game draws in a microtask once the callback is done),
// whatever delay it was armed with.
// It also keeps every Content-Security-Policy violation that the page reports.
function countTicksAndFrames() {
  const probe = window.torvaleProbe = {ticks: [], frames: [], violations: []};
  document.addEventListener('securitypolicyviolation', (event) => {
    probe.violations.push(`${event.effectiveDirective} refused ${event.blockedURI || 'inline'}`);
  });
  const stamped = (callback) => typeof callback !== 'function' ? callback : (...args) => {
    const [at, frames] = [performance.now(), probe.frames.length];
    try {
      return callback(...args);
    } finally {
      queueMicrotask(() => probe.frames.length > frames && probe.ticks.push(at));  // after the game's frame
    }
  };
  const setTimer = window.setTimeout.bind(window);
  window.setTimeout = (callback, ...rest) => setTimer(stamped(callback), ...rest);
  const postTask = scheduler.postTask.bind(scheduler);
  scheduler.postTask = (callback, ...rest) => postTask(stamped(callback), ...rest);
  const putImageData = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function(...args) {
    probe.frames.push(performance.now());
    return putImageData.apply(this, args);
  };
}

// A site that is missing, older than what it is built from or with another page is a stale build, which a
// test must not pass on.
function checkSite(site) {
  const build = 'cmake --workflow --preset web';
  const page = path.join(site, 'index.html');
  if (!fs.existsSync(page) || !fs.readFileSync(page).equals(fs.readFileSync(path.join(__dirname, '..', '..', 'web', 'page', 'index.html')))) {
    throw new Error(`${page} is missing or not web/index.html: build it with ${build}`);
  }
  const sources = ['core', 'frontend', 'web/fonts.cpp', 'web/lifecycle.cpp', 'web/toolkit', 'web/tools/glyphs.py'];
  const check = spawnSync('python3', [path.join(__dirname, '..', 'e2e', 'fresh_build.py'), build,
    ...['torvale.js', 'torvale.wasm'].map((name) => path.join(site, name)), '--', ...sources]);
  if (check.status !== 0) throw new Error(String(check.stderr).trim());
}

// The site on a private server and a Chromium of its own, with a fresh profile.
class Browser {
  // flags: Chromium's, beside the harness's own.
  static async start(site = SITE, subfolder = '', flags = []) {
    checkSite(path.join(site, subfolder));
    const self = new Browser();
    self.profile = fs.mkdtempSync(path.join(os.tmpdir(), 'torvale-chromium-'));
    ({server: self.server, url: self.url} = await serve(site));
    self.url += subfolder;
    self.browser = await puppeteer.launch({
      executablePath: CHROMIUM, headless: true, userDataDir: self.profile, args: [...CHROMIUM_FLAGS, ...flags],
      defaultViewport: {width: 1200, height: 800, deviceScaleFactor: 1},
    });
    return self;
  }

  // viewport: puppeteer's, such as PHONE; the default is a desktop window with a mouse.
  async open(viewport) {
    const page = await this.browser.newPage();
    if (viewport) await page.setViewport(viewport);
    return Game.open(page, this.url);
  }

  async close() {
    if (this.browser) await this.browser.close();
    if (this.server) this.server.close();
    fs.rmSync(this.profile, {recursive: true, force: true});
  }
}

// One page of the game, with the page's errors collected from its start.
class Game {
  static async open(page, url) {
    const game = new Game();
    game.page = page;
    game.errors = [];
    page.on('pageerror', (error) => game.errors.push(String(error)));
    page.on('console', (message) => {
      if (['error', 'warn'].includes(message.type())) game.errors.push(message.text());  // a clean console
    });
    page.on('requestfailed', (request) => game.errors.push(`failed to load ${request.url()}`));
    await page.evaluateOnNewDocument(countTicksAndFrames);
    game.startedAt = Date.now();
    await page.goto(url);
    await game.firstFrame();
    return game;
  }

  // A picture once the game has drawn a frame other than its black background.
  async firstFrame() {
    return waitUntil(async () => {
      if (!(await this.frames()).length) return null;
      const picture = await this.screenshot();
      return picture.data.some((byte) => byte !== 0) ? picture : null;
    }, 'the first frame');
  }

  async frames() {
    return this.page.evaluate(() => window.torvaleProbe.frames);
  }

  async ticks() {
    return this.page.evaluate(() => window.torvaleProbe.ticks);
  }

  async policyViolations() {
    return this.page.evaluate(() => window.torvaleProbe.violations);
  }

  // Console ---------------------------------------------------------------------------------------
  async output() {
    return this.page.$eval('#console', (element) => element.textContent);
  }

  async waitForOutput(text, count = 1) {
    try {
      await waitUntil(async () => (await this.output()).split(text).length - 1 >= count, JSON.stringify(text));
    } catch (error) {
      error.message += `; the console ends with ${JSON.stringify((await this.output()).slice(-300))}`;
      throw error;
    }
  }

  // Input -----------------------------------------------------------------------------------------
  // Keys as puppeteer names them, or chords such as 'Control+c'.
  async key(...keys) {
    for (const key of keys) {
      const chord = /^(Control|Alt|Meta)\+(.+)$/.exec(key);
      if (chord) await this.page.keyboard.down(chord[1]);
      await this.page.keyboard.press(chord ? chord[2] : key);
      if (chord) await this.page.keyboard.up(chord[1]);
    }
  }

  // Press, a tenth of a second, release: as a player clicks. x and y are canvas pixels.
  async click(button = 'left', x = WIDTH / 2, y = HEIGHT / 2) {
    const box = await this.canvasBox();
    await this.page.mouse.move(box.x + x, box.y + y);
    await this.page.mouse.down({button});
    await sleep(100);
    await this.page.mouse.up({button});
  }

  async canvasBox() {
    return this.page.$eval('#canvas', (canvas) => {
      const box = canvas.getBoundingClientRect();
      return {x: box.x, y: box.y, width: box.width, height: box.height};
    });
  }

  // Opens the menu with the right button and returns its entries' labels.
  async openMenu(x = WIDTH / 2, y = HEIGHT / 2) {
    await this.click('right', x, y);
    await this.page.waitForSelector('[role="menu"]:not([hidden])', {timeout: 5000});
    return this.page.$$eval('[role="menu"] [role="menuitem"]', (items) => items.map((item) => item.textContent));
  }

  async menuOpen() {
    return this.page.$eval('[role="menu"]', (menu) => !menu.hidden);
  }

  // Picks entry number position (1 = top) of the open menu with button, pressed and released on it.
  async pickMenuEntry(position, button = 'left') {
    const item = (await this.page.$$('[role="menu"] [role="menuitem"]'))[position - 1];
    const box = await item.boundingBox();
    await this.page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    await this.page.mouse.down({button});
    await sleep(100);
    await this.page.mouse.up({button});
  }

  // Touch -----------------------------------------------------------------------------------------
  // A finger put down on the middle of the element that selector matches, or at canvas pixel [x, y]
  // wherever the page shows the canvas; the handle's end() lifts it.
  async touch(where) {
    let x, y;
    if (typeof where === 'string') {
      const box = await (await this.page.$(where)).boundingBox();
      [x, y] = [box.x + box.width / 2, box.y + box.height / 2];
    } else {
      const box = await this.canvasBox();
      [x, y] = [box.x + where[0] * box.width / WIDTH, box.y + where[1] * box.height / HEIGHT];
    }
    return this.page.touchscreen.touchStart(x, y);
  }

  async tap(where, holdMs = 100) {
    const finger = await this.touch(where);
    await sleep(holdMs);
    await finger.end();
  }

  // Picture ---------------------------------------------------------------------------------------
  // The canvas as the page shows it, as RGB bytes.
  async screenshot() {
    const box = await this.canvasBox();
    const png = await this.page.screenshot({clip: {x: box.x, y: box.y, width: WIDTH, height: HEIGHT}});
    return Picture.fromPng(png);
  }

  // The end ---------------------------------------------------------------------------------------
  async exitStatus() {
    return this.page.evaluate(() => document.body.dataset.exitStatus);
  }
}

class Picture {
  constructor(width, height, data) {
    Object.assign(this, {width, height, data});
  }

  static fromPng(png) {
    const rgb = spawnSync('convert', ['png:-', '-depth', '8', 'rgb:-'], {input: png, maxBuffer: 1 << 24});
    if (rgb.status !== 0) throw new Error(`convert failed: ${rgb.stderr}`);
    return new Picture(WIDTH, HEIGHT, rgb.stdout);
  }

  // Binary PPM, as the native tests' harness reads the game's window; rest counts the bytes after it.
  static fromPpm(ppm) {
    const header = /^P6(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*255\s/.exec(
        ppm.toString('latin1', 0, 64));
    if (!header) throw new Error('not a binary PPM picture');
    const [width, height] = [Number(header[1]), Number(header[2])];
    const end = header[0].length + width * height * 3;
    return Object.assign(new Picture(width, height, ppm.subarray(header[0].length, end)), {rest: ppm.length - end});
  }

  pixel(x, y) {
    const at = (y * this.width + x) * 3;
    return [this.data[at], this.data[at + 1], this.data[at + 2]];
  }

  // How many pixels of box [x0, y0, x1, y1) are within 1 of colour on every channel.
  count(colour, [x0, y0, x1, y1] = [0, 0, this.width, this.height]) {
    let found = 0;
    for (let y = y0; y < y1; y++) {
      for (let x = x0; x < x1; x++) {
        if (this.pixel(x, y).every((value, i) => Math.abs(value - colour[i]) <= 1)) found++;
      }
    }
    return found;
  }

  differingPixels(other) {
    let differing = 0;
    for (let at = 0; at < this.data.length; at += 3) {
      if (this.data[at] !== other.data[at] || this.data[at + 1] !== other.data[at + 1] ||
          this.data[at + 2] !== other.data[at + 2]) differing++;
    }
    return differing + Math.abs(this.data.length - other.data.length) / 3;
  }
}

// The native game's frames under Xvfb, taken by the native end-to-end tests' harness: its first frame, or
// with step counts, paused and a ball launched, the frame after each of that many single steps.
function nativeFrames(steps = []) {
  const script = path.join(__dirname, 'native_frames.py');
  const result = spawnSync('python3', [script, ...steps.map(String)], {maxBuffer: 1 << 26, timeout: 120000});
  if (result.status !== 0) throw new Error(`native frames: ${result.stderr}`);
  const pictures = [];
  for (let rest = result.stdout; rest.length;) {
    const picture = Picture.fromPpm(rest);
    pictures.push(picture);
    rest = rest.subarray(rest.length - picture.rest);
  }
  return pictures;
}

function nativeFirstFrame() {
  return nativeFrames()[0];
}

module.exports = {Browser, Game, Picture, HEIGHT, PHONE, SITE, TITLE, WIDTH, nativeFirstFrame, nativeFrames, sleep,
                  waitUntil};
