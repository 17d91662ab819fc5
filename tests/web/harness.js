// Drives the web edition like a player, for the browser tests and the benchmark, in the engine that
// TORVALE_BROWSER names (chromium, firefox or webkit): the site served on 127.0.0.1, keys, human-paced
// clicks, the menu, the canvas's pixels, the console and the end.
'use strict';
const {execFile, spawnSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const {serve} = require('../../web/tools/serve');

const {TITLE} = require('./texts');
const WIDTH = 400;
const HEIGHT = 500;
const SITE = process.env.TORVALE_WEB_SITE || path.join(__dirname, '..', '..', 'build', 'web', 'site');
const ENGINE = process.env.TORVALE_BROWSER || 'chromium';
// What each engine offers the tests beyond playing: Chromium's own installability check, a page told it is
// offline, and the emulation of a touch screen.
const ENGINES = {
  chromium: {installability: true, offlineMode: true, touch: true},
  firefox: {installability: false, offlineMode: true, touch: false},
  webkit: {installability: false, offlineMode: false, touch: false},
};
if (!ENGINES[ENGINE]) throw new Error(`TORVALE_BROWSER: ${ENGINE} is none of ${Object.keys(ENGINES).join(', ')}`);
const CHROMIUM = process.env.TORVALE_CHROMIUM || '/usr/bin/chromium';
const CHROMIUM_FLAGS = [
  '--no-sandbox',  // the tests run as root in CI, where Chromium's sandbox refuses to start
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
  '--disable-dev-shm-usage',  // containers often have a small /dev/shm
  '--window-size=1200,800',
];
const FIREFOX = process.env.TORVALE_FIREFOX || '/usr/bin/firefox-esr';
// Where the browser tests keep a profile that Firefox has started with once: a fresh one costs Firefox about
// two seconds more to start and to close, so each browser starts from a copy of it instead.
const FIREFOX_TEMPLATE = process.env.TORVALE_FIREFOX_TEMPLATE;

// A key held with a modifier, as the tests name it: 'Control+c'; and a key pressed and held, then let go:
// '+ArrowRight', '-ArrowRight'.
const CHORD = /^(Control|Alt|Meta)\+(.+)$/;
const HOLD = /^([+-])(.+)$/;

// Chromium's emulation of a phone held upright: its screen in CSS pixels, touch and a fine pixel ratio.
const PHONE = {width: 393, height: 851, deviceScaleFactor: 2.75, isMobile: true, hasTouch: true};

let AXE;  // axe-core's script, read when a test first asks for it

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
// changing the game. A frame is what the swap puts on the canvas, one box or several; a tick is a timer callback or
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
  if (typeof scheduler !== 'undefined' && scheduler.postTask) {  // WebKit has none: the game's timer is setTimeout
    const postTask = scheduler.postTask.bind(scheduler);
    scheduler.postTask = (callback, ...rest) => postTask(stamped(callback), ...rest);
  }
  const putImageData = CanvasRenderingContext2D.prototype.putImageData;
  let putting = false;  // the swap's puts come in one go
  CanvasRenderingContext2D.prototype.putImageData = function(...args) {
    if (!putting) {
      probe.frames.push(performance.now());
      putting = true;
      queueMicrotask(() => putting = false);
    }
    return putImageData.apply(this, args);
  };
}

// A stand-in for the Gamepad API on the standard mapping, put in before the page's scripts: the test connects
// pads and sets their buttons through window.torvalePads.
function standInGamepads() {
  const pads = [];
  Object.defineProperty(navigator, 'getGamepads', {value: () => Array.from(pads, (pad) => pad ?? null)});
  window.torvalePads = {
    connect(index) {
      pads[index] = {index, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
                     buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
      dispatchEvent(new Event('gamepadconnected'));
    },
    // Then waits out two of the page's frames, on each of which the page looks at the pads.
    async set(index, button, pressed) {
      pads[index].buttons[button] = {pressed, value: Number(pressed)};
      for (let frame = 0; frame < 2; frame++) await new Promise(requestAnimationFrame);
    },
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

// For WebKit, whose driver reports no page events: the page's errors, its failed loads, and console errors
// and warnings, kept in the page from the moment the probe is put in.
function collectErrors() {
  const errors = window.torvaleErrors = [];
  addEventListener('error', (event) => {
    const {target} = event;  // the window for a script's error, else an element that failed to load
    errors.push(target === window ? String(event.error || event.message) :
                `failed to load ${target.src || target.href || target.outerHTML.slice(0, 200)}`);
  }, true);
  addEventListener('unhandledrejection', (event) => errors.push(String(event.reason)));
  for (const kind of ['error', 'warn']) {  // a clean console
    const write = console[kind].bind(console);
    console[kind] = (...args) => {
      errors.push(args.join(' '));
      write(...args);
    };
  }
}

// Copies into profile the template profile of this Firefox (a new Firefox gets one of its own), made first
// if there is none; of two tests making it at once, the one that finishes last throws its own away.
async function copyFirefoxTemplate(profile) {
  const template = path.join(FIREFOX_TEMPLATE, String(Math.round(fs.statSync(FIREFOX).mtimeMs)));
  if (!fs.existsSync(template)) {
    fs.mkdirSync(FIREFOX_TEMPLATE, {recursive: true});
    const made = fs.mkdtempSync(`${template}-`);
    await (await puppeteer.launch({browser: 'firefox', executablePath: FIREFOX, headless: true, userDataDir: made})).close();
    try {
      fs.renameSync(made, template);
    } catch {
      fs.rmSync(made, {recursive: true, force: true});
    }
  }
  fs.cpSync(template, profile, {recursive: true});
}

// The site on a private server and a browser of its own, with a fresh profile.
class Browser {
  // engine: one of ENGINES (the benchmark measures each in turn); webgl: false for a browser without it.
  static async start(site = SITE, subfolder = '', {engine = ENGINE, webgl = true, gpu = true} = {}) {
    checkSite(path.join(site, subfolder));
    const self = new Browser();
    self.engine = engine;
    self.profile = fs.mkdtempSync(path.join(os.tmpdir(), `torvale-${engine}-`));
    ({server: self.server, url: self.url} = await serve(site));
    self.url += subfolder;
    const viewport = {width: 1200, height: 800, deviceScaleFactor: 1};
    if (engine === 'webkit') {
      const {WebKit} = require('./webkit');
      const args = webgl ? [] : ['--enable-webgl=false'];
      self.browser = await WebKit.start(self.server, [collectErrors, countTicksAndFrames], args);
    } else if (engine === 'firefox') {
      if (FIREFOX_TEMPLATE) await copyFirefoxTemplate(self.profile);
      // Headless, over WebDriver BiDi, which puppeteer speaks to Firefox.
      self.browser = await puppeteer.launch({
        browser: 'firefox', executablePath: FIREFOX, headless: true, userDataDir: self.profile,
        defaultViewport: viewport, extraPrefsFirefox: webgl ? {} : {'webgl.disabled': true},
      });
    } else {
      self.browser = await puppeteer.launch({
        executablePath: CHROMIUM, headless: true, userDataDir: self.profile, defaultViewport: viewport,
        args: [...CHROMIUM_FLAGS, ...webgl ? [] : ['--disable-3d-apis'], ...gpu ? [] : ['--disable-gpu']],
      });
    }
    return self;
  }

  // The browser's main process, whose descendants are all of the browser; and, where the harness started
  // one for it, the X server it shows its windows on.
  get pid() {
    return this.engine === 'webkit' ? this.browser.pid : this.browser.process().pid;
  }

  get displayPid() {
    return this.engine === 'webkit' ? this.browser.displayPid : null;
  }

  // A game in a new page, which closes the page of the game before: one game at a time takes the machine.
  // viewport: puppeteer's, such as PHONE, in Chromium; the default is a desktop window with a mouse.
  // url: the game's page, by default the site's.
  async open(viewport, url = this.url) {
    const game = await this.load({viewport, url});
    await game.firstFrame();
    return game;
  }

  // The same, without waiting for a frame, and with setup (a page function) run before the page's own scripts.
  async load({viewport, url = this.url, setup} = {}) {
    if (viewport && !ENGINES[this.engine].touch) throw new Error(`${this.engine}: no emulated screens in this harness`);
    if (this.game) await this.game.tab.close();
    const tab = this.engine === 'webkit' ? await this.browser.newPage(setup) :
                                            await PuppeteerPage.open(this.browser, viewport, setup);
    this.game = await Game.open(tab, url);
    return this.game;
  }

  async close() {
    if (this.browser) await this.browser.close();
    if (this.server) this.server.close();
    fs.rmSync(this.profile, {recursive: true, force: true});
  }
}

// A page of Chromium or Firefox, with the page methods that the harness's WebKit gives as well.
class PuppeteerPage {
  static async open(browser, viewport, setup) {
    const self = new PuppeteerPage();
    const page = self.page = await browser.newPage();
    if (viewport) await page.setViewport(viewport);
    self.pageErrors = [];
    page.on('pageerror', (error) => self.pageErrors.push(String(error)));
    page.on('console', (message) => {
      if (['error', 'warn'].includes(message.type())) self.pageErrors.push(message.text());  // a clean console
    });
    page.on('requestfailed', (request) => self.pageErrors.push(`failed to load ${request.url()}`));
    await page.evaluateOnNewDocument(countTicksAndFrames);
    if (setup) await page.evaluateOnNewDocument(setup);
    return self;
  }

  evaluate(pageFunction, ...args) {
    return this.page.evaluate(pageFunction, ...args);
  }

  $eval(selector, pageFunction, ...args) {
    return this.page.$eval(selector, pageFunction, ...args);
  }

  async goto(url) {
    await this.page.goto(url);
  }

  async reload() {
    await this.page.reload();
  }

  async navigate(action) {
    await Promise.all([this.page.waitForNavigation(), action()]);
  }

  async errors() {
    return [...this.pageErrors];
  }

  async keys(keys) {
    for (const key of keys) {
      const hold = HOLD.exec(key);
      if (hold) {
        await this.page.keyboard[hold[1] === '+' ? 'down' : 'up'](hold[2]);
        continue;
      }
      const chord = CHORD.exec(key);
      if (chord) await this.page.keyboard.down(chord[1]);
      await this.page.keyboard.press(chord ? chord[2] : key);
      if (chord) await this.page.keyboard.up(chord[1]);
    }
  }

  async mouseMove(x, y) {
    await this.page.mouse.move(x, y);
  }

  async mouseDown(button = 'left') {
    await this.page.mouse.down({button});
  }

  async mouseUp(button = 'left') {
    await this.page.mouse.up({button});
  }

  async screenshot(clip) {
    return this.page.screenshot({clip});
  }

  async setOfflineMode(offline) {
    await this.page.setOfflineMode(offline);
  }

  async close() {
    if (!this.page.isClosed()) await this.page.close();
  }
}

// One page of the game, with the page's errors collected from its start.
class Game {
  static async open(tab, url) {
    const game = new Game();
    game.tab = tab;
    game.page = tab.page;  // puppeteer's own page, for what only Chromium does (touch, its DevTools protocol)
    game.startedAt = Date.now();
    await tab.goto(url);
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
    return this.evaluate(() => window.torvaleProbe.frames);
  }

  async ticks() {
    return this.evaluate(() => window.torvaleProbe.ticks);
  }

  // Runs pageFunction in the page with args (both as puppeteer's page.evaluate takes them) and gives its
  // result, awaited if it is a promise.
  evaluate(pageFunction, ...args) {
    return this.tab.evaluate(pageFunction, ...args);
  }

  // Runs pageFunction on the first element that selector matches, with args, as puppeteer's $eval does.
  $eval(selector, pageFunction, ...args) {
    return this.tab.$eval(selector, pageFunction, ...args);
  }

  // The page's errors, failed loads, and console errors and warnings so far, over reloads too.
  errors() {
    return this.tab.errors();
  }

  async reload() {
    await this.tab.reload();
  }

  // Clicks the element that selector matches, which loads a page, and returns once that page is loading.
  async clickToLoad(selector) {
    await this.tab.navigate(() => this.clickElement(selector));
  }

  async setOfflineMode(offline) {
    await this.tab.setOfflineMode(offline);
  }

  async policyViolations() {
    return this.evaluate(() => window.torvaleProbe.violations);
  }

  // What axe-core finds on the page as it is now: its version, its violations and the checks it could not
  // settle, each as its rule and the elements. Its script goes in through the driver, not as a page's script
  // would, which the page's policy refuses.
  async accessibility() {
    AXE ??= fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
    if (!await this.evaluate(() => typeof axe !== 'undefined')) await this.evaluate(AXE);
    return this.evaluate(async () => {
      const results = await axe.run(document, {resultTypes: ['violations', 'incomplete']});
      const found = (rules) => rules.map(({id, nodes}) =>
        `${id}: ${nodes.map((node) => node.target.join(' ')).join(', ')}`);
      return {version: axe.version, violations: found(results.violations), incomplete: found(results.incomplete)};
    });
  }

  // Console ---------------------------------------------------------------------------------------
  async output() {
    return this.$eval('#console', (element) => element.textContent);
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
  // Each key pressed and released, by the names puppeteer gives keys ('a', 'D', 'ArrowDown', 'Enter'), or
  // chords such as 'Control+c', or only pressed ('+ArrowRight') or released ('-ArrowRight').
  async key(...keys) {
    await this.tab.keys(keys);
  }

  // Press, a tenth of a second, release: as a player clicks. x and y are canvas pixels.
  async click(button = 'left', x = WIDTH / 2, y = HEIGHT / 2) {
    const box = await this.canvasBox();
    await this.clickAt(button, box.x + x, box.y + y);
  }

  // The same at [x, y] in the page's window.
  async clickAt(button, x, y) {
    await this.tab.mouseMove(x, y);
    await this.tab.mouseDown(button);
    await sleep(100);
    await this.tab.mouseUp(button);
  }

  // The left button pressed at [x, y] of the window, moved to [toX, toY] and released there.
  async drag([x, y], [toX, toY]) {
    await this.tab.mouseMove(x, y);
    await this.tab.mouseDown();
    await this.tab.mouseMove(toX, toY);
    await this.tab.mouseUp();
  }

  async clickElement(selector, button = 'left') {
    const box = await this.box(selector);
    await this.clickAt(button, box.x + box.width / 2, box.y + box.height / 2);
  }

  // Where the first element that selector matches is in the window.
  async box(selector) {
    return this.$eval(selector, (element) => {
      const box = element.getBoundingClientRect();
      return {x: box.x, y: box.y, width: box.width, height: box.height};
    });
  }

  async canvasBox() {
    return this.box('#canvas');
  }

  // Opens the menu with the right button and returns its entries' labels.
  async openMenu(x = WIDTH / 2, y = HEIGHT / 2) {
    await this.click('right', x, y);
    await waitUntil(() => this.menuOpen(), 'the menu', 5000);
    return this.$eval('[role="menu"]', (menu) =>
      [...menu.querySelectorAll('[role="menuitem"]')].map((item) => item.textContent));
  }

  async menuOpen() {
    return this.$eval('[role="menu"]', (menu) => !menu.hidden);
  }

  // Picks entry number position (1 = top) of the open menu with button, pressed and released on it.
  async pickMenuEntry(position, button = 'left') {
    await this.clickElement(`[role="menu"] [role="menuitem"]:nth-child(${position})`, button);
  }

  // Touch, where the engine emulates a touch screen (Chromium) ------------------------------------
  // A finger put down on the middle of the element that selector matches, or at canvas pixel [x, y]
  // wherever the page shows the canvas; the handle's end() lifts it.
  async touch(where) {
    let x, y;
    if (typeof where === 'string') {
      const box = await this.box(where);
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
  // The canvas as the page shows it, as RGB bytes, once the browser has shown the last frame put: WebKit's
  // picture of the window, taken at once, gave the frame before it now and then. Two of the page's animation
  // frames are two updates of what it shows; a page out of sight has none, so a second is the most it waits.
  async screenshot() {
    await this.evaluate(() => new Promise((shown) => {
      setTimeout(shown, 1000);
      requestAnimationFrame(() => requestAnimationFrame(() => shown()));
    }));
    const box = await this.canvasBox();
    return Picture.fromPng(await this.tab.screenshot({x: box.x, y: box.y, width: WIDTH, height: HEIGHT}));
  }

  // The end ---------------------------------------------------------------------------------------
  // undefined while the game runs (WebDriver gives null for it).
  async exitStatus() {
    return (await this.$eval('body', (body) => body.dataset.exitStatus)) ?? undefined;
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
// with step counts, paused and a ball launched, the frame after each of that many single steps. A promise, so
// that the native game plays while the browser starts and plays too.
function nativeFrames(steps = []) {
  const script = path.join(__dirname, 'native_frames.py');
  const frames = new Promise((resolve, reject) => {
    const options = {encoding: 'buffer', maxBuffer: 1 << 26, timeout: 120000};
    execFile('python3', [script, ...steps.map(String)], options, (error, stdout, stderr) => {
      if (error) return reject(new Error(`native frames: ${error.message}${stderr}`));
      const pictures = [];
      for (let rest = stdout; rest.length;) {
        const picture = Picture.fromPpm(rest);
        pictures.push(picture);
        rest = rest.subarray(rest.length - picture.rest);
      }
      resolve(pictures);
    });
  });
  frames.catch(() => {});  // a failure counts where the test awaits the frames, not before
  return frames;
}

module.exports = {Browser, CHORD, ENGINE, HOLD, ENGINES, Game, HEIGHT, PHONE, SITE, TITLE, WIDTH, nativeFrames,
                  sleep, standInGamepads, waitUntil};
