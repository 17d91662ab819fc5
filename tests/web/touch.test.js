// The web edition on phones: the field and the touch controls in view on any screen, and a whole game
// played by touch alone with the console text of the keys; a page put away pauses a running game.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, PHONE, sleep, waitUntil} = require('../../web/harness');
const {HELP_BOX, PROMPT, REST_Y} = require('./texts');

const KEYS = ['a', 'd', 'b', 'p', 'o', 'n', 'h'];
const pad = (key) => `button[data-key="${key}"]`;

let browser;
before(async () => {
  browser = await Browser.start();
});
after(async () => browser && browser.close());

test('on any screen the field keeps 4:5 and it and every control are in view, with no sideways scroll', async () => {
  const screens = [[393, 851], [320, 568], [851, 393], [360, 640]].map(([width, height]) => ({...PHONE, width, height}));
  for (const viewport of [...screens, {width: 1200, height: 800}]) {
    const game = await browser.open(viewport);
    const layout = await game.page.evaluate(() => {
      const inView = (box) => box.left >= 0 && box.top >= 0 && box.right <= innerWidth && box.bottom <= innerHeight;
      const field = document.getElementById('canvas').getBoundingClientRect();
      const log = document.getElementById('console');
      return {
        sideways: document.documentElement.scrollWidth > innerWidth, field: [field.width, field.height],
        fieldInView: inView(field), keys: [...document.querySelectorAll('button[data-key]')].map((button) =>
          button.offsetParent && inView(button.getBoundingClientRect()) ? button.dataset.key : null),
        helpBoxFits: log.scrollWidth <= log.clientWidth,
      };
    });
    const where = `${viewport.width} x ${viewport.height}`;
    assert.equal(layout.sideways, false, where);
    assert.equal(layout.fieldInView, true, where);
    assert.equal(layout.helpBoxFits || viewport.width < 360, true, where);
    if (viewport.hasTouch) {
      assert.ok(Math.abs(layout.field[0] * 5 / 4 - layout.field[1]) <= 1, `${where}: ${layout.field}`);
      assert.deepEqual(KEYS.filter((key) => !layout.keys.includes(key)), [], where);
    } else {
      assert.deepEqual(layout.field, [400, 500], where);
      assert.deepEqual(layout.keys.filter(Boolean), [], `${where}: no touch controls with a mouse`);
    }
    assert.deepEqual(game.errors, []);
    await game.page.close();
  }
});

test('a game by touch alone, two fingers at once, with the console text of the keys', async () => {
  const game = await browser.open(PHONE);
  let expected = HELP_BOX;
  const stepLine = /\n Posicoes - {2}raquete = \[ ([\d.]+), {3}0\.20\] {6}bola = \[ ([\d.]+), {3}([\d.]+)\] $/;
  const step = async (tapWhere) => {
    await game.tap(tapWhere);
    await waitUntil(async () => stepLine.test((await game.output()).slice(expected.length)), 'a step');
    const text = (await game.output()).slice(expected.length);
    assert.ok(text.startsWith(PROMPT), JSON.stringify(text));
    expected += text;
    return stepLine.exec(text).slice(1).map(Number);
  };
  // Hold right, launch with another finger, let go: the paddle moved right and then stood still.
  const right = await game.touch(pad('d'));
  await game.tap(pad('b'));
  await sleep(300);
  await right.end();
  await game.tap(pad('p'));
  const [first, second] = [await step(pad('o')), await step(pad('o'))];
  assert.ok(first[0] > 0.45 && first[0] === second[0], `paddle ${first[0]} then ${second[0]}`);
  assert.ok(second[2] > REST_Y + 0.02, 'the ball launched');
  await step([200, 250]);  // a tap on the field, paused, is a click: a step
  await game.tap(pad('h'));
  expected += HELP_BOX;
  await waitUntil(async () => (await game.output()) === expected, 'the help box, alone');

  // A long press opens the menu at the finger, prints nothing and is no click; a tap picks an entry.
  const menuAt = async (x, y) => {
    const finger = await game.touch([x, y]);
    await game.page.waitForSelector('[role="menu"]:not([hidden])', {timeout: 5000});
    await finger.end();
    return game.page.$eval('[role="menu"]', (menu) => [menu.getBoundingClientRect().x, menu.getBoundingClientRect().y]);
  };
  const box = await game.canvasBox();
  const [menuX, menuY] = await menuAt(100, 300);
  assert.ok(Math.abs(menuX - (box.x + 100 * box.width / 400)) < 8 && Math.abs(menuY - (box.y + 300 * box.height / 500)) < 8);
  await game.tap('[role="menuitem"]:nth-child(2)');  // Novo Jogo<N>
  assert.equal(await game.menuOpen(), false);
  await sleep(300);
  assert.equal(await game.output(), expected, 'no step from the long press or the pick');
  assert.deepEqual(await step(pad('o')), [0.45, 0.45, 0.21], 'a new game, its ball on the paddle, still paused');
  await menuAt(300, 450);
  await game.tap('[role="menuitem"]:nth-child(3)');  // Sai do Jogo<Q>
  await waitUntil(async () => (await game.exitStatus()) === '0', 'exit status 0');
  assert.equal(await game.output(), expected);
  assert.deepEqual(game.errors, []);
});

test('a page put away pauses a running game, and a paused game stays paused', async () => {
  const game = await browser.open(PHONE);
  const away = async () => {  // another tab in front for a while
    const other = await browser.browser.newPage();
    await sleep(300);
    await other.close();
    await game.page.bringToFront();
  };
  const stepsWithO = async () => {
    const before = await game.output();
    await game.tap(pad('o'));
    await sleep(300);
    return (await game.output()) !== before;
  };
  await game.tap(pad('b'));
  await away();
  assert.equal(await stepsWithO(), true, 'paused while away');
  await away();
  assert.equal(await stepsWithO(), true, 'still paused');
  await game.tap(pad('p'));
  assert.equal(await stepsWithO(), false, 'running again, when the player says so');
  assert.deepEqual(game.errors, []);
});
