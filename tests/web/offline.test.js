// The web edition as an app, served from a subfolder to a returning player: the icons and, in Chromium,
// its installability check, a new build replacing the old one in the caches, then play with no network at all.
'use strict';
const assert = require('node:assert/strict');
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {test} = require('node:test');
const {Browser, ENGINE, ENGINES, SITE, nativeFrames, waitUntil} = require('./harness');
const {HELP_BOX, PROMPT, REST_Y, STEP, positions} = require('./texts');

test('installable; a new build shown within two loads, no old page cached; then it plays offline', async (t) => {
  const native = nativeFrames();
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'torvale-site-'));
  const site = path.join(folder, 'games');  // a copy of the site, that a new build replaces
  fs.cpSync(SITE, site, {recursive: true});
  const browser = await Browser.start(folder, 'games/');
  t.after(() => browser.close().finally(() => fs.rmSync(folder, {recursive: true, force: true})));
  const game = await browser.open();
  await waitUntil(() => game.evaluate(() => Boolean(navigator.serviceWorker.controller)), 'the site precached');
  if (ENGINES[ENGINE].installability) {
    const cdp = await game.page.createCDPSession();
    assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    // Chromium picks its own moment to check a load for a new worker, which was seen to pass a minute: as
    // its developer tools' "Update on reload" does, each reload checks.
    await cdp.send('ServiceWorker.enable');
    await cdp.send('ServiceWorker.setForceUpdateOnPageLoad', {forceUpdateOnPageLoad: true});
  }
  for (const {src, sizes} of JSON.parse(fs.readFileSync(path.join(site, 'manifest.webmanifest'))).icons) {
    const png = fs.readFileSync(path.join(site, src));
    assert.equal(`${png.toString('latin1', 1, 4)} ${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`, `PNG ${sizes}`);
  }
  const page = path.join(site, 'index.html');
  fs.writeFileSync(page, fs.readFileSync(page, 'utf8').replace('<footer>', '<footer>Nova versao.'));
  execFileSync(process.execPath, [path.join(__dirname, '..', '..', 'web', 'tools', 'precache.js'), site]);
  const cachedPages = () => game.evaluate(async () => {
    const cached = await Promise.all((await caches.keys()).map(async (name) => (await caches.open(name)).matchAll()));
    return (await Promise.all(cached.flat().map((entry) => entry.text()))).filter((text) => text.includes('<footer>'));
  });
  await game.reload();
  // The new worker precaches the whole site, then takes over: in about a second, well within 20 s; a takeover
  // left to the old worker's end would take 30 s, Chromium's idle time for a worker.
  await waitUntil(async () => (await cachedPages()).join() === fs.readFileSync(page, 'utf8'),
                  'the new page alone in the caches', 20000);
  await game.reload();
  assert.match(await game.$eval('footer', (footer) => footer.textContent), /^Nova versao\./);
  // No server at all (its idle connections closed too), and a page told it is offline where the engine can.
  browser.server.close();
  if (ENGINES[ENGINE].offlineMode) await game.setOfflineMode(true);
  await game.reload();
  assert.equal((await game.firstFrame()).differingPixels((await native)[0]), 0);
  await game.key('p', 'b', 'o');  // paused, launched, one step
  const stepped = HELP_BOX + PROMPT + positions(0.45, 0.45 + STEP, REST_Y + STEP);
  await waitUntil(async () => (await game.output()) === stepped, 'the help box and the step alone');
  assert.deepEqual(await game.errors(), []);
});
