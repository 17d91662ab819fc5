// The right-button menu in the browser: its entries, picks with either button that never reach the game
// as a click, a new game shown at once while paused, closing without a pick, and the last entry's exit; and
// axe-core's accessibility check of the page, with the menu closed and open.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, sleep, waitUntil} = require('./harness');
const {HELP_BOX} = require('./texts');

const LABELS = ['Pausa ou Continua<P>', 'Novo Jogo<N>', 'Sai do Jogo<Q>'];

let browser;
before(async () => {
  browser = await Browser.start();
});
after(async () => browser && browser.close());

// Whether frames are still being drawn: a paused game asks for none, once a menu pick's own is done.
async function drawing(game) {
  await sleep(100);
  const before = (await game.frames()).length;
  await sleep(300);
  return (await game.frames()).length > before;
}

test('the menu pauses and continues by a pick with either button, never making a step', async () => {
  const game = await browser.open();
  const menu = await game.$eval('[role="menu"]', (element) =>
    [...element.querySelectorAll('[role="menuitem"]')].map((item) => item.textContent));
  assert.deepEqual(menu, LABELS);
  assert.deepEqual(await game.openMenu(), LABELS);
  await game.pickMenuEntry(1, 'left');
  assert.equal(await game.menuOpen(), false);
  assert.equal(await drawing(game), false, 'paused');
  await game.openMenu();
  await game.pickMenuEntry(1, 'right');
  assert.equal(await drawing(game), true, 'running again');
  assert.equal(await game.output(), HELP_BOX, 'no step prompt: no pick reached the game as a click');
  assert.deepEqual(await game.errors(), []);
});

test('"Novo Jogo<N>" shows the new game at once while paused, by mouse and by keys', async () => {
  const game = await browser.open();
  const first = await game.screenshot();
  for (const pick of [() => game.pickMenuEntry(2, 'left'), () => game.key('ArrowDown', 'ArrowDown', 'ArrowUp', 'Enter')]) {
    await game.key('b');
    await waitUntil(async () => (await game.screenshot()).differingPixels(first) > 0, 'the ball in flight');
    await game.key('p');
    await sleep(100);
    await game.openMenu();
    await pick();
    await waitUntil(async () => (await game.screenshot()).differingPixels(first) === 0, 'the new game\'s frame', 2000);
    assert.equal(await drawing(game), false, 'still paused');
    assert.equal(await game.evaluate(() => document.activeElement.id), 'canvas');
    await game.key('p');
  }
  assert.deepEqual(await game.errors(), []);
});

test('Escape or a click elsewhere closes the menu, and that click is not the game\'s', async () => {
  const game = await browser.open();
  await game.key('p');
  await game.openMenu();
  await game.key('Escape');
  assert.equal(await game.menuOpen(), false);
  await game.openMenu(100, 100);
  await game.click('left', 300, 400);
  assert.equal(await game.menuOpen(), false);
  await sleep(300);
  assert.equal(await game.output(), HELP_BOX, 'paused, a click that reached the game would have made a step');
  const shown = await game.$eval('#canvas', (canvas) =>
    !canvas.dispatchEvent(new MouseEvent('contextmenu', {bubbles: true, cancelable: true, button: 2})));
  assert.equal(shown, true, 'the browser\'s own context menu is kept away from the canvas');
  assert.deepEqual(await game.errors(), []);
});

test('axe-core finds no violation on the page at the start nor with the menu open', async (t) => {
  const game = await browser.open();
  for (const [when, action] of [['at the start', async () => {}], ['with the menu open', () => game.openMenu()]]) {
    await action();
    const {version, violations, incomplete} = await game.accessibility();
    assert.deepEqual(violations, [], when);
    t.diagnostic(`axe-core ${version}, ${when}: no violation; not settled: ${incomplete.join('; ') || 'nothing'}`);
  }
  assert.deepEqual(await game.errors(), []);
});

test('the last entry ends the game with status 0', async () => {
  const game = await browser.open();
  await game.openMenu();
  await game.pickMenuEntry(3, 'left');
  await waitUntil(async () => (await game.exitStatus()) === '0', 'exit status 0');
  assert.equal(await drawing(game), false);
  assert.equal(await game.$eval('#ended', (element) => !element.hidden), true);
  assert.deepEqual(await game.errors(), []);
});
