// The web edition's start: the native game's first frame pixel for pixel, the page's contract, the site.
'use strict';
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {after, before, test} = require('node:test');
const {Browser, HEIGHT, SITE, TITLE, WIDTH, nativeFrames, waitUntil} = require('./harness');
const {serve} = require('../../web/tools/serve');
const {HELP_BOX} = require('./texts');

let browser;
let game;
let native;
before(async () => {
  native = nativeFrames();
  browser = await Browser.start();
  game = await browser.open();
});
after(async () => browser && browser.close());

test('the first frame equals the native game\'s, pixel for pixel', async () => {
  const web = await game.screenshot();
  const [nativeFrame] = await native;
  assert.deepEqual([nativeFrame.width, nativeFrame.height], [WIDTH, HEIGHT]);
  const differing = web.differingPixels(nativeFrame);
  console.log(`first frame: ${differing} of ${WIDTH * HEIGHT} pixels differ from the native game's`);
  assert.equal(differing, 0);
});

test('the page keeps its contract: title, heading, canvas, focus and console', async () => {
  const page = await game.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const shown = canvas.getBoundingClientRect();
    return {
      title: document.querySelector('title').textContent, heading: document.querySelector('h1').textContent,
      store: [canvas.width, canvas.height], shown: [shown.width, shown.height],
      focused: document.activeElement.id, console: document.getElementById('console').tagName,
    };
  });
  assert.deepEqual(page, {title: TITLE, heading: TITLE, store: [WIDTH, HEIGHT], shown: [WIDTH, HEIGHT],
                          focused: 'canvas', console: 'PRE'});
  assert.equal(await game.output(), HELP_BOX);
  assert.deepEqual(await game.errors(), []);
});

test('a game breaks none of the page\'s policy, which refuses script and style written into the page', async () => {
  await game.key('b', 'p', 'o', 'h');
  await game.openMenu();
  await game.key('Escape', 'p');
  assert.deepEqual(await game.policyViolations(), []);
  const injected = await game.evaluate(() => {
    const script = document.head.appendChild(document.createElement('script'));
    script.textContent = 'window.injected = true;';
    document.head.appendChild(document.createElement('style')).textContent = 'body { display: none; }';
    return [window.injected === true, getComputedStyle(document.body).display === 'none'];
  });
  assert.deepEqual(injected, [false, false]);
  const refused = async () => new Set(await game.policyViolations());
  await waitUntil(async () => (await refused()).size === 2, 'both refusals reported');
  assert.deepEqual([...await refused()].sort(), ['script-src-elem refused inline', 'style-src-elem refused inline']);
});

test('the site loads by relative URLs, from a subfolder too, and carries its licences', async () => {
  const html = fs.readFileSync(path.join(SITE, 'index.html'), 'utf8');
  const references = [...html.matchAll(/(?:src|href)="([^"]*)"/g)].map((match) => match[1]);
  assert.deepEqual(references.filter((url) => /^(\/|[a-z]+:(?!,))/i.test(url) && !url.startsWith('data:')), []);

  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'torvale-site-'));
  fs.symlinkSync(SITE, path.join(folder, 'games'));
  const {server, url} = await serve(folder);
  try {
    const nested = await browser.open(null, url + 'games/');
    const licences = await nested.evaluate(async () => Promise.all(
        ['LICENSE.txt', 'licenses/freeglut.txt', 'licenses/emscripten.txt'].map(
            async (name) => (await fetch(name)).text())));
    assert.match(licences[0], /^MIT License/);
    assert.match(licences[1], /Pawel W\. Olszta/);
    assert.match(licences[2], /The Emscripten Authors/);
    assert.deepEqual(await nested.errors(), []);
  } finally {
    server.close();
    fs.rmSync(folder, {recursive: true, force: true});
  }
});
