// A gamepad through the harness's stand-in for the Gamepad API: a direction held then let go, and A, Start
// and B a press each, on the second pad of the browser's list.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, standInGamepads} = require('./harness');
const {stillThenLaunched} = require('./texts');

let browser;
before(async () => browser = await Browser.start());
after(async () => browser && browser.close());

test('the D-pad moves the paddle while held, and A, Start and B act once a press', async () => {
  const game = await browser.load({setup: standInGamepads});
  await game.firstFrame();
  const set = (button, pressed) => game.evaluate((button, pressed) => torvalePads.set(1, button, pressed), button, pressed);
  const press = async (button) => {
    await set(button, true);
    await set(button, false);
  };
  await game.evaluate(() => torvalePads.connect(1));
  await set(15, true);  // right held
  await press(9);  // Start: P
  await press(1);  // B: O, a step with the paddle still going right
  await game.waitForOutput('bola');
  await set(15, false);
  await press(1);
  await game.waitForOutput('bola', 2);
  await press(0);  // A: B, the ball launched from where the paddle stopped
  await press(1);
  await game.waitForOutput('bola', 3);
  const {x, expected} = stillThenLaunched(await game.output());
  assert.ok(x > 0.45, 'the paddle did not move');
  assert.equal(await game.output(), expected);
  assert.deepEqual(await game.errors(), []);
});
