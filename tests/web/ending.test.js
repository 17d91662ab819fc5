// How a game in the browser ends: "FIM DE JOGO" after the last ball, and Q, which stops the game for
// good with exit status 0 and offers to play again.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, sleep, waitUntil} = require('./harness');
const {GAME_OVER_BOX, HELP_BOX, WHITE} = require('./texts');

let browser;
before(async () => {
  browser = await Browser.start();
});
after(async () => browser && browser.close());

test('the last ball lost shows "FIM DE JOGO"', async () => {
  const game = await browser.open();
  assert.equal((await game.screenshot()).count(WHITE, GAME_OVER_BOX), 0);
  await game.key('a');  // the paddle waits at the left wall, away from where the balls come down
  // B every half second: refused while a ball is in play, so the five balls go one after another.
  await waitUntil(async () => {
    await game.key('b');
    return (await game.screenshot()).count(WHITE, GAME_OVER_BOX) > 50;
  }, '"FIM DE JOGO"', 90000, 500);
  assert.deepEqual(await game.errors(), []);
});

test('Q ends the game for good with exit status 0, and the page offers to play again', async () => {
  const game = await browser.open();
  await game.key('b', 'Q');
  await waitUntil(async () => (await game.exitStatus()) === '0', 'exit status 0');
  const page = await game.evaluate(() => ({
    ended: !document.getElementById('ended').hidden, focused: document.activeElement.id,
    canvas: [document.getElementById('canvas').width, document.getElementById('canvas').height],
  }));
  assert.deepEqual(page, {ended: true, focused: 'again', canvas: [400, 500]});
  const [ticks, frames] = [(await game.ticks()).length, (await game.frames()).length];
  assert.ok(ticks > 0 && frames > 0, "the running game's ticks and frames are counted");
  await game.$eval('#canvas', (canvas) => canvas.focus());
  await game.key('h', 'p');
  await game.click('left');
  await sleep(500);
  assert.deepEqual([(await game.ticks()).length, (await game.frames()).length], [ticks, frames], 'no more ticks or frames');
  assert.equal(await game.output(), HELP_BOX, 'no more commands');
  assert.deepEqual(await game.errors(), []);

  await game.clickToLoad('#again');
  await game.firstFrame();
  await game.waitForOutput(HELP_BOX);
  assert.equal(await game.exitStatus(), undefined);
  assert.deepEqual(await game.errors(), []);
});
