// The harness's WebKit: WebKitGTK's MiniBrowser on a private Xvfb, driven through WebKitWebDriver by
// selenium-webdriver, behind the same page methods that puppeteer gives the other engines.
'use strict';
const {spawn, spawnSync} = require('child_process');
const fs = require('fs');
const net = require('net');
const {Builder, Button, Key, Origin} = require('selenium-webdriver');
// Loaded by the harness once it is complete, when a test asks for WebKit.
const {CHORD, HOLD, sleep, waitUntil} = require('./harness');

const DRIVER = process.env.TORVALE_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';
// Where libwebkit2gtk-4.1-0 puts it on every Debian architecture: /usr/lib/<triplet>/webkit2gtk-4.1/.
const MINIBROWSER = process.env.TORVALE_MINIBROWSER || (() => {
  const found = fs.readdirSync('/usr/lib').map((triplet) => `/usr/lib/${triplet}/webkit2gtk-4.1/MiniBrowser`)
      .filter((file) => fs.existsSync(file));
  return found[0] || 'MiniBrowser';
})();
const START_TIMEOUT_MS = 15000;
const STOP_TIMEOUT_MS = 5000;
const KEYS_PER_COMMAND = 50;
const KEYS = {
  ArrowDown: Key.ARROW_DOWN, ArrowUp: Key.ARROW_UP, ArrowRight: Key.ARROW_RIGHT, Enter: Key.ENTER, Escape: Key.ESCAPE,
  Control: Key.CONTROL, Alt: Key.ALT, Meta: Key.META,
};
const BUTTONS = {left: Button.LEFT, middle: Button.MIDDLE, right: Button.RIGHT};

// MiniBrowser needs a display: an X server of its own, on the number it picks itself.
function startXvfb() {
  const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp', '-noreset'],
                       {stdio: ['ignore', 'ignore', 'ignore', 'pipe']});
  return new Promise((resolve, reject) => {
    let written = '';
    const timer = setTimeout(() => fail(new Error('Xvfb gave no display number')), START_TIMEOUT_MS);
    const fail = (error) => {
      clearTimeout(timer);
      server.kill();
      reject(error);
    };
    server.once('error', fail);
    server.once('exit', () => fail(new Error('Xvfb did not start')));
    server.stdio[3].on('data', (chunk) => {
      written += chunk;
      if (!written.includes('\n')) return;
      clearTimeout(timer);
      server.removeAllListeners('exit');
      resolve({server, display: ':' + written.trim()});
    });
  });
}

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer().once('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// WebKitWebDriver runs no script of ours before a page's own, so while a page loads the server holds back
// the game's script until the probe is in place; each held request waits for the next opening.
function holdGameScript(server, name = 'torvale.js') {
  const gate = {open: true, waiting: []};
  const [handle] = server.listeners('request');
  server.removeAllListeners('request');
  server.on('request', (request, response) => {
    if (gate.open || !new URL(request.url, 'http://localhost').pathname.endsWith('/' + name)) {
      handle(request, response);
    } else {
      gate.waiting.push(() => handle(request, response));
    }
  });
  return {
    close: () => gate.open = false,
    open: () => {
      gate.open = true;
      gate.waiting.splice(0).forEach((serve) => serve());
    },
  };
}

class WebKit {
  // probes: functions to run in every page before the game starts; args: MiniBrowser's, beside the harness's.
  static async start(server, probes, args = []) {
    const self = new WebKit();
    self.probes = probes;
    self.gate = holdGameScript(server);
    try {
      ({server: self.xvfb, display: self.display} = await startXvfb());
      const port = await freePort();
      self.service = spawn(DRIVER, [`--port=${port}`, '--host=127.0.0.1'],
                           {env: {...process.env, DISPLAY: self.display}, stdio: 'ignore'});
      const address = `http://127.0.0.1:${port}`;
      await waitUntil(() => fetch(`${address}/status`).then((response) => response.ok, () => false),
                      'WebKitWebDriver', START_TIMEOUT_MS);
      self.driver = await new Builder().usingServer(address).withCapabilities({
        browserName: 'MiniBrowser',
        pageLoadStrategy: 'none',  // back at once from a navigation, to put the probe in while the page loads
        'webkitgtk:browserOptions': {binary: MINIBROWSER, args: ['--automation', ...args]},
      }).build();
      await self.driver.manage().window().setRect({width: 1200, height: 800});
    } catch (error) {
      await self.close();
      throw error;
    }
    return self;
  }

  get pid() {
    return this.service.pid;
  }

  get displayPid() {
    return this.xvfb.pid;
  }

  // The one window shows one page at a time: a new page replaces the one before.
  // setup: a function to run in the page after the probes, before the game starts.
  async newPage(setup) {
    return new WebKitPage(this, setup ? [...this.probes, setup] : this.probes);
  }

  // MiniBrowser closed through its driver, else with its display.
  async close() {
    if (this.driver) await Promise.race([this.driver.quit().catch(() => {}), sleep(STOP_TIMEOUT_MS)]);
    for (const process of [this.service, this.xvfb]) {
      if (!process || process.exitCode !== null || process.signalCode !== null) continue;
      const exited = new Promise((resolve) => process.once('exit', resolve));
      process.kill();
      const stopped = await Promise.race([exited.then(() => true), sleep(STOP_TIMEOUT_MS).then(() => false)]);
      if (!stopped) process.kill('SIGKILL');
    }
  }
}

class WebKitPage {
  constructor(browser, probes) {
    this.browser = browser;
    this.probes = probes;
    this.driver = browser.driver;
    this.earlierErrors = [];  // of the pages this one replaced by navigating
  }

  // The window stays, for the next page.
  async close() {
    this.closed = true;
  }

  async evaluate(pageFunction, ...args) {
    if (this.closed) throw new Error('this page was closed for a newer one in WebKit\'s one window');
    return this.driver.executeScript(pageFunction, ...args);
  }

  async $eval(selector, pageFunction, ...args) {
    const script = `const [selector, ...args] = arguments;
                    return (${pageFunction})(document.querySelector(selector), ...args);`;
    return this.evaluate(script, selector, ...args);
  }

  // A new page of the game comes from the server, where its script waits for the probes: a service worker
  // of the site would serve it past them, so the site's is unregistered first.
  async goto(url) {
    await this.evaluate(async (origin) => {
      if (location.origin !== origin || !navigator.serviceWorker) return;
      await Promise.all((await navigator.serviceWorker.getRegistrations()).map((worker) => worker.unregister()));
    }, new URL(url).origin);
    await this.navigate(() => this.driver.get(url));
  }

  // From the service worker's cache where it has the page: then the probes go in as soon as the page is there.
  async reload() {
    await this.navigate(() => this.driver.navigate().refresh());
  }

  // Runs action, which leads to a new page, and puts the probes in that page before the game starts.
  async navigate(action) {
    // The window's page before: this one's own, whose errors it keeps, or the one this page replaces.
    const leaving = await this.evaluate(() => {
      window.torvaleLeft = true;
      return window.torvaleErrors || [];
    });
    if (this.loaded) this.earlierErrors.push(...leaving);
    this.loaded = true;
    const install = `if (window.torvaleLeft || !document.getElementById('canvas')) return false;
                     if (!window.torvaleProbe) { ${this.probes.map((probe) => `(${probe})();`).join(' ')} }
                     return true;`;
    this.browser.gate.close();
    try {
      await action();
      await waitUntil(() => this.evaluate(install).catch(() => false), 'the new page');
    } finally {
      this.browser.gate.open();
    }
  }

  async errors() {
    return [...this.earlierErrors, ...await this.evaluate(() => window.torvaleErrors || [])];
  }

  // In batches: a thousand keys in one command kept the page busy past the driver's patience, which then
  // took the page for hung and ended the session.
  async keys(keys) {
    for (let start = 0; start < keys.length; start += KEYS_PER_COMMAND) {
      const actions = this.driver.actions();
      for (const key of keys.slice(start, start + KEYS_PER_COMMAND)) {
        const hold = HOLD.exec(key);
        if (hold) {
          actions[hold[1] === '+' ? 'keyDown' : 'keyUp'](KEYS[hold[2]] || hold[2]);
          continue;
        }
        const [modifier, main] = (CHORD.exec(key) || [null, null, key]).slice(1)
            .map((name) => name && (KEYS[name] || name));
        if (modifier) actions.keyDown(modifier);
        actions.keyDown(main).keyUp(main);
        if (modifier) actions.keyUp(modifier);
      }
      await actions.perform();
    }
  }

  async mouseMove(x, y) {
    await this.driver.actions().move({x: Math.round(x), y: Math.round(y), origin: Origin.VIEWPORT}).perform();
  }

  async mouseDown(button = 'left') {
    await this.driver.actions().press(BUTTONS[button]).perform();
  }

  async mouseUp(button = 'left') {
    await this.driver.actions().release(BUTTONS[button]).perform();
  }

  // The window's picture cut to clip: WebKitWebDriver's picture of the canvas element alone shows only part
  // of a frame.
  async screenshot({x, y, width, height}) {
    const png = Buffer.from(await this.driver.takeScreenshot(), 'base64');
    const box = `${width}x${height}+${Math.round(x)}+${Math.round(y)}`;
    const crop = spawnSync('convert', ['png:-', '-crop', box, '+repage', 'png:-'],
                           {input: png, maxBuffer: 1 << 26});
    if (crop.status !== 0) throw new Error(`convert failed: ${crop.stderr}`);
    return crop.stdout;
  }
}

module.exports = {WebKit};
