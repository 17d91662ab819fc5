// The web edition on phones: field and controls in view on any screen, and a game by touch alone with the
// console text of the keys, in which a page put away pauses a running game.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, PHONE, sleep, waitUntil} = require('./harness');
const {HELP_BOX, PROMPT, REST_Y} = require('./texts');

const pad = (key) => `button[data-key="${key}"]`;
const HELP_LINES = HELP_BOX.split('\n').filter((line) => line).length;
let browser;
before(async () => browser = await Browser.start());
after(async () => browser && browser.close());

test('on any screen the field keeps 4:5 and it and every control are in view, with no sideways scroll', async () => {
  for (const [width, height, touch] of [[393, 851, 1], [320, 568, 1], [851, 393, 1], [360, 640, 1], [1200, 800, 0]]) {
    const game = await browser.open(touch ? {...PHONE, width, height} : {width, height});
    const layout = await game.page.evaluate(() => {
      const inView = (box) => box.left >= 0 && box.top >= 0 && box.right <= innerWidth && box.bottom <= innerHeight;
      const [field, log] = [document.getElementById('canvas').getBoundingClientRect(), document.getElementById('console')];
      const shown = [...document.querySelectorAll('button[data-key]')].filter((button) => button.offsetParent);
      // The help box's lines as laid out: each on a line of its own, and its end within the console's scrolling.
      const text = document.createRange();
      text.selectNodeContents(log);
      const lines = [...text.getClientRects()].filter((line) => line.width > 0);
      const helpEnd = Math.max(...lines.map((line) => line.right)) - log.getBoundingClientRect().left;
      return {sideways: document.documentElement.scrollWidth > innerWidth,
              legible: parseFloat(getComputedStyle(log).fontSize) >= 12,
              helpWhole: [new Set(lines.map((line) => Math.round(line.top))).size, helpEnd <= log.scrollWidth + 1],
              field: [field.width, Math.abs(field.width * 5 / 4 - field.height) <= 1],
              inView: [field, ...shown.map((button) => button.getBoundingClientRect())].every(inView),
              keys: shown.map((button) => button.dataset.key).join('')};
    });
    assert.deepEqual(layout, {sideways: false, legible: true, helpWhole: [HELP_LINES, true],
                              field: [touch ? layout.field[0] : 400, true],
                              inView: true, keys: touch ? 'abdponh' : ''}, `${width} x ${height}`);
    assert.deepEqual(await game.errors(), []);
    await game.page.close();
  }
});

test('a game by touch alone, two fingers at once, with the console text of the keys; put away, it pauses', async () => {
  const game = await browser.open(PHONE);
  let expected = HELP_BOX;
  const line = /^\nUse a tecla O para passo-a-passo, ou a tecla P para continuar\.\n Posicoes - {2}raquete = \[ ([\d.]+), {3}0\.20\] {6}bola = \[ ([\d.]+), {3}([\d.]+)\] $/;
  const step = async (where) => {
    await game.tap(where);
    const text = await waitUntil(async () => line.exec((await game.output()).slice(expected.length)), 'a step');
    expected += text[0];
    return text.slice(1).map(Number);
  };
  const away = async () => {  // another tab in front for a moment
    await (await browser.browser.newPage()).close();
    await game.page.bringToFront();
  };
  const right = await game.touch(pad('d'));  // held while another finger launches, then let go
  await game.tap(pad('b'));
  await sleep(300);
  await right.end();
  await away();  // a running game pauses: O steps
  const first = await step(pad('o'));
  await away();  // a paused one stays paused
  const second = await step(pad('o'));
  assert.ok(first[0] > 0.45 && first[0] === second[0] && second[2] > REST_Y + 0.02, `${first} then ${second}`);
  await game.tap(pad('p'));  // running again, O prints nothing; paused again, a tap on the field is a click
  await game.tap(pad('o'));
  await game.tap(pad('p'));
  await step([200, 250]);
  await game.tap(pad('h'));
  expected += HELP_BOX;
  await waitUntil(async () => (await game.output()) === expected, 'the help box, alone');

  // A long press opens the menu at the finger and is no click; a tap on an entry picks it.
  const pick = async ([x, y], entry) => {
    const finger = await game.touch([x, y]);
    await game.page.waitForSelector('[role="menu"]:not([hidden])', {timeout: 5000});
    await finger.end();
    const [box, menu] = [await game.canvasBox(), await (await game.page.$('[role="menu"]')).boundingBox()];
    const [fingerX, fingerY] = [box.x + x * box.width / 400, box.y + y * box.height / 500];
    const gap = (from, at, size) => Math.max(from - at, 0, at - from - size);  // finger to the menu's edge
    assert.ok(Math.hypot(gap(menu.x, fingerX, menu.width), gap(menu.y, fingerY, menu.height)) < 8, 'at the finger');
    await game.tap(`[role="menuitem"]:nth-child(${entry})`);
  };
  const swipe = await game.touch([200, 450]);  // up the field: neither a click nor a scroll of the page
  await swipe.move((await game.canvasBox()).x + 200, 100);
  await swipe.end();
  await pick([100, 300], 2);  // Novo Jogo<N>
  assert.deepEqual(await game.page.evaluate(() => [scrollX, scrollY]), [0, 0], 'no scroll');
  await sleep(300);
  assert.equal(await game.output(), expected, 'no step from the swipe, the long press or the pick');
  assert.deepEqual(await step(pad('o')), [0.45, 0.45, 0.21], 'a new game, its ball on the paddle, still paused');
  await pick([300, 450], 3);  // Sai do Jogo<Q>
  await waitUntil(async () => (await game.exitStatus()) === '0', 'exit status 0');
  assert.equal(await game.output(), expected);
  assert.deepEqual(await game.errors(), []);
});

