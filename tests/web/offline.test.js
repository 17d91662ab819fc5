// The web edition as an app: Chromium's installability check, the icons, play with no network after one
// visit, a new build replacing the old one in the caches, and the game in a browser without workers.
'use strict';
const assert = require('node:assert/strict');
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {after, test} = require('node:test');
const {Browser, Game, SITE, nativeFirstFrame, sleep, waitUntil} = require('../../web/harness');
const {HELP_BOX, PROMPT, REST_Y, STEP, positions} = require('./texts');

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'torvale-site-'));
after(() => fs.rmSync(folder, {recursive: true, force: true}));

test('installable from a subfolder; after one visit it starts and plays with no network', async (t) => {
  fs.symlinkSync(SITE, path.join(folder, 'games'));
  const browser = await Browser.start(folder, 'games/');
  t.after(() => browser.close());
  const page = await browser.browser.newPage();  // first a browser without service workers: as before
  await page.evaluateOnNewDocument(() => delete Navigator.prototype.serviceWorker);
  const bare = await Game.open(page, browser.url);
  await sleep(500);  // time to register a worker, were it to
  const workers = browser.browser.targets().filter((target) => target.type() === 'service_worker');
  assert.deepEqual([await bare.output(), bare.errors, workers], [HELP_BOX, [], []]);
  const game = await browser.open();
  await game.offlineReady();
  const cdp = await game.page.createCDPSession();
  assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
  const {icons} = JSON.parse(fs.readFileSync(path.join(SITE, 'manifest.webmanifest')));
  assert.deepEqual(icons.map((icon) => icon.purpose || 'any').sort(), ['any', 'any', 'maskable']);
  for (const {src, sizes} of icons) {
    const png = fs.readFileSync(path.join(SITE, src));
    assert.equal(`${png.toString('latin1', 1, 4)} ${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`, `PNG ${sizes}`);
  }
  browser.server.closeAllConnections();  // no network at all, and a page that is told so
  await new Promise((resolve) => browser.server.close(resolve));
  await game.page.setOfflineMode(true);
  const fromNetwork = [];
  game.page.on('response', (response) => response.fromServiceWorker() || fromNetwork.push(response.url()));
  assert.equal((await game.reload()).differingPixels(nativeFirstFrame()), 0);
  await game.key('p', 'b', 'o');  // paused, launched, one step
  const stepped = HELP_BOX + PROMPT + positions(0.45, 0.45 + STEP, REST_Y + STEP);
  await waitUntil(async () => (await game.output()) === stepped, 'the step alone');
  assert.deepEqual([fromNetwork, game.errors], [[], []]);
});

test('a new build, one line changed, is shown within two loads and the caches keep no old page', async (t) => {
  const site = path.join(folder, 'next');
  fs.cpSync(SITE, site, {recursive: true});
  const browser = await Browser.start(site);
  t.after(() => browser.close());
  const game = await browser.open();
  await game.offlineReady();
  const page = path.join(site, 'index.html');
  fs.writeFileSync(page, fs.readFileSync(page, 'utf8').replace('<footer>', '<footer>Nova versao.'));
  execFileSync(process.execPath, [path.join(__dirname, '..', '..', 'web', 'precache.js'), site]);
  const cachedPages = () => game.page.evaluate(async () => {
    const names = await caches.keys();
    const responses = (await Promise.all(names.map(async (name) => (await caches.open(name)).matchAll()))).flat();
    return (await Promise.all(responses.map((response) => response.text()))).filter((text) => text.includes('<footer>'));
  });
  await game.reload();
  await waitUntil(async () => (await cachedPages()).join() === fs.readFileSync(page, 'utf8'), 'the new page alone in the caches', 30000);
  await game.reload();
  assert.match(await game.page.$eval('footer', (footer) => footer.textContent), /^Nova versao\./);
  assert.deepEqual(game.errors, []);
});
