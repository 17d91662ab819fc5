// The web edition's frames beyond the first, pixel for pixel the native game's, in a browser with WebGL
// switched off: the page never needs it.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, nativeFrames, waitUntil} = require('./harness');
const {HELP_BOX} = require('./texts');

const STEPS = [7, 89];  // the ball in flight between pixels; the step on which it breaks its first brick

const native = nativeFrames(STEPS);
let browser;
before(async () => {
  browser = await Browser.start(undefined, '', {webgl: false});
});
after(async () => browser && browser.close());

test('paused, a ball launched and stepped by O, each frame equals the native game\'s', async () => {
  const game = await browser.open();
  assert.equal(await game.evaluate(() => !!document.createElement('canvas').getContext('webgl')), false);
  await game.key('p', 'b');
  let done = 0;
  for (const [i, steps] of STEPS.entries()) {
    while (done < steps) {
      await game.key('o');
      await game.waitForOutput(' Posicoes - ', ++done);
    }
    assert.equal((await game.screenshot()).differingPixels((await native)[i]), 0, `after ${steps} steps`);
  }
  assert.deepEqual(await game.errors(), []);
});

test('where the browser gives no 2D canvas, the page says so in place of the field, and the console plays on', async () => {
  const game = await browser.load({setup: () => HTMLCanvasElement.prototype.getContext = () => null});
  await waitUntil(() => game.$eval('#no-canvas', (notice) => !notice.hidden), 'the notice in place of the field');
  await game.$eval('body', (body) => body.focus());
  await game.key('h');
  await waitUntil(async () => (await game.output()) === HELP_BOX + HELP_BOX, 'the help box again');
});
