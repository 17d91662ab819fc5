// A game played by keys and clicks in the browser: launch, paddle, pause, single steps by O and by a
// left click with their exact console text, help, and commands that must do nothing while running.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, sleep, waitUntil} = require('../../web/harness');
const {BALL, HELP_BOX, PROMPT, REST_Y, STEP, positions} = require('./texts');

let browser;
before(async () => {
  browser = await Browser.start();
});
after(async () => browser && browser.close());

test('single steps by O and by a left click, paused, print exactly the prompt and the positions', async () => {
  const game = await browser.open();
  // Paused at once: with nothing launched and the paddle standing, the state is a new game's.
  await game.key('p', 'b');
  await game.click('middle');  // not a step: only the left button's release makes one
  await game.key('o');
  await game.waitForOutput(positions(0.45, 0.45 + STEP, REST_Y + STEP));
  await game.click('left');
  await game.waitForOutput(positions(0.45, 0.45 + 2 * STEP, REST_Y + 2 * STEP));
  await game.key('D', 'O');  // upper case alike; the paddle moves in the same step
  await game.waitForOutput(positions(0.45 + 0.01, 0.45 + 3 * STEP, REST_Y + 3 * STEP));
  await game.key('h');
  await game.waitForOutput(HELP_BOX, 2);
  await sleep(200);
  assert.equal(await game.output(), HELP_BOX +
      PROMPT + positions(0.45, 0.45 + STEP, REST_Y + STEP) +
      PROMPT + positions(0.45, 0.45 + 2 * STEP, REST_Y + 2 * STEP) +
      PROMPT + positions(0.46, 0.45 + 3 * STEP, REST_Y + 3 * STEP) + HELP_BOX);
  assert.deepEqual(game.errors, []);
});

test('running, the ball flies and the paddle moves, while O and left clicks print nothing', async () => {
  const game = await browser.open();
  const first = await game.screenshot();
  await game.key('b', 'l');
  // The topmost row showing the ball's blue, and the paddle's left edge on its middle row (y = 0.2).
  const ballTop = (picture) => {
    for (let y = 0; y < picture.height; y++) if (picture.count(BALL, [0, y, picture.width, y + 1])) return y;
    return null;
  };
  const paddleLeft = (picture) => {
    for (let x = 0; x < picture.width; x++) if (picture.count([255, 255, 0], [x, 400, x + 1, 401])) return x;
    return null;
  };
  assert.equal(paddleLeft(first), 150);
  const start = await waitUntil(async () => ballTop(await game.screenshot()), 'the ball in flight');
  await waitUntil(async () => ballTop(await game.screenshot()) < start - 20, 'the ball to climb');
  await waitUntil(async () => paddleLeft(await game.screenshot()) > 170, 'the paddle to move right');
  await game.key('o', 'O');
  await game.click('left');
  await sleep(300);
  assert.equal(await game.output(), HELP_BOX);
  assert.deepEqual(game.errors, []);
});
