// The web edition's frames beyond the first, pixel for pixel the native game's, in a Chromium with WebGL
// switched off: the page never needs it.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, nativeFrames} = require('./harness');
const {HELP_BOX} = require('./texts');

const STEPS = [7, 89];  // the ball in flight between pixels; the step on which it breaks its first brick

let browser;
before(async () => {
  browser = await Browser.start(undefined, '', ['--disable-3d-apis']);
});
after(async () => browser && browser.close());

test('paused, a ball launched and stepped by O, each frame equals the native game\'s', async () => {
  const native = nativeFrames(STEPS);
  const game = await browser.open();
  assert.equal(await game.page.evaluate(() => !!document.createElement('canvas').getContext('webgl')), false);
  await game.key('p', 'b');
  let done = 0;
  for (const [i, steps] of STEPS.entries()) {
    while (done < steps) {
      await game.key('o');
      await game.waitForOutput(' Posicoes - ', ++done);
    }
    assert.equal((await game.screenshot()).differingPixels(native[i]), 0, `after ${steps} steps`);
  }
  assert.deepEqual(game.errors, []);
});

test('where the browser gives no 2D canvas, the page says so in place of the field, and the console plays on', async () => {
  const page = await browser.browser.newPage();
  await page.evaluateOnNewDocument(() => HTMLCanvasElement.prototype.getContext = () => null);
  await page.goto(browser.url);
  await page.waitForSelector('#no-canvas:not([hidden])', {timeout: 10000});
  await page.focus('body');
  await page.keyboard.press('h');
  await page.waitForFunction((box) => document.getElementById('console').textContent === box + box, {timeout: 10000},
                             HELP_BOX);
});
