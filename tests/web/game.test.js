// A game played by keys and clicks in the browser: launch, paddle, pause, single steps by O and by a
// left click with their exact console text, help, and commands that must do nothing while running.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {Browser, ENGINE, sleep, standInGamepads, waitUntil} = require('./harness');
const {BALL, HELP_BOX, PROMPT, REST_Y, STEP, positions, stillThenLaunched} = require('./texts');

// The paddle's left edge on its middle row (y = 0.2).
function paddleLeft(picture) {
  for (let x = 0; x < picture.width; x++) if (picture.count([255, 255, 0], [x, 400, x + 1, 401])) return x;
  return null;
}

let browser;
before(async () => {
  browser = await Browser.start();
});
after(async () => browser && browser.close());

test('single steps by O and by a left click, paused, print exactly the prompt and the positions', async () => {
  const game = await browser.open();
  let expected = HELP_BOX;
  // Each step's text must be the whole of what the console gained, nothing more.
  const step = async (paddleX, steps) => {
    expected += PROMPT + positions(paddleX, 0.45 + steps * STEP, REST_Y + steps * STEP);
    await waitUntil(async () => (await game.output()) === expected, `step ${steps} alone`);
  };
  // Paused at once: with nothing launched and the paddle standing, the state is a new game's.
  await game.key('p', 'b');
  await game.click('middle');  // not a step: only the left button's release makes one
  // Nor a left click that starts or ends off the canvas: only what happens on the canvas is the game's.
  const box = await game.canvasBox();
  for (const [from, to] of [[[box.x + 200, box.y + box.height + 40], [box.x + 200, box.y + 250]],
                            [[box.x + 200, box.y + 250], [box.x + 200, box.y + box.height + 40]]]) {
    await game.drag(from, to);
  }
  await sleep(200);
  assert.equal(await game.output(), expected);
  await game.key('o');
  await step(0.45, 1);
  await game.click('left');
  await step(0.45, 2);
  await game.key('D', 'O');  // upper case alike; the paddle moves in the same step
  await step(0.46, 3);
  await game.key('h');
  expected += HELP_BOX;
  await sleep(200);
  assert.equal(await game.output(), expected);
  assert.deepEqual(await game.errors(), []);
});

test('running, the ball flies and the paddle moves, O and left clicks print nothing, and a busy page slows the ticks', async () => {
  const game = await browser.open();
  const first = await game.screenshot();
  await game.key('b', 'l');
  // The topmost row showing the ball's blue.
  const ballTop = (picture) => {
    for (let y = 0; y < picture.height; y++) if (picture.count(BALL, [0, y, picture.width, y + 1])) return y;
    return null;
  };
  assert.equal(paddleLeft(first), 150);
  const start = await waitUntil(async () => ballTop(await game.screenshot()), 'the ball in flight');
  await waitUntil(async () => ballTop(await game.screenshot()) < start - 20, 'the ball to climb');
  await waitUntil(async () => paddleLeft(await game.screenshot()) > 170, 'the paddle to move right');
  await game.key('o', 'O');
  await game.click('left');
  // Kept busy 50 ms at a time, the page wakes a tick late and makes nothing up: ticks start 20 ms apart or
  // more, less the page clock's rounding (whole milliseconds but in Chromium) and a microsecond of float error.
  await game.evaluate(async () => {
    for (let busy = 0; busy < 3; busy++) {
      for (const until = performance.now() + 50; performance.now() < until;);
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
  });
  assert.equal(await game.output(), HELP_BOX);
  const ticks = await game.ticks();
  const shortest = Math.min(...ticks.slice(1).map((tick, i) => tick - ticks[i]));
  assert.ok(shortest >= 20 - (ENGINE === 'chromium' ? 0.1 : 1) - 0.001, `two ticks ${shortest} ms apart`);
  assert.deepEqual(await game.errors(), []);
});

test('a held arrow moves the paddle until let go, up launches, and arrows do not scroll the page', async () => {
  const game = await browser.open();
  await game.evaluate(() => document.body.style.minHeight = '300vh');  // a page that could scroll
  await game.key('+ArrowRight');
  await waitUntil(async () => paddleLeft(await game.screenshot()) > 160, 'the paddle to move right');
  await game.key('-ArrowRight');
  for (const [count, keys] of [[1, ['p', 'o']], [2, ['o']], [3, ['ArrowUp', 'ArrowDown', 'o']]]) {
    await game.key(...keys);
    await game.waitForOutput('Posicoes', count);
  }
  const {x, expected} = stillThenLaunched(await game.output());
  assert.ok(x > 0.45 && x < 0.92, `the paddle stopped at ${x}, not short of the wall`);
  assert.equal(await game.output(), expected);
  assert.deepEqual(await game.evaluate(() => [scrollX, scrollY]), [0, 0]);
  assert.deepEqual(await game.errors(), []);
});

// Through the harness's stand-in for the Gamepad API, on the second pad of the browser's list: in Chromium and
// Firefox, where the stand-in goes in before the page's own scripts (in WebKit, only before the game's).
const gamepads = {skip: ENGINE === 'webkit'};
test('a gamepad: the D-pad moves the paddle while held, and A, Start and B act once a press', gamepads, async () => {
  const game = await browser.load({setup: standInGamepads});
  await game.firstFrame();
  const set = (button, pressed) => game.evaluate((button, pressed) => torvalePads.set(1, button, pressed), button, pressed);
  const press = async (button) => {
    await set(button, true);
    await set(button, false);
  };
  // A key first: the page stops listening for pads while the keys are in use, and listens again once they
  // have been still for two seconds.
  await game.key('Shift');
  await sleep(2500);
  await game.evaluate(() => torvalePads.connect(1));
  await set(15, true);  // right held
  await press(9);  // Start: P
  await press(1);  // B: O, a step with the paddle still going right
  await game.waitForOutput('Posicoes');
  await set(15, false);
  await press(1);
  await game.waitForOutput('Posicoes', 2);
  await press(0);  // A: B, the ball launched from where the paddle stopped
  await press(1);
  await game.waitForOutput('Posicoes', 3);
  const {x, expected} = stillThenLaunched(await game.output());
  assert.ok(x > 0.45, 'the paddle did not move');
  assert.equal(await game.output(), expected);
  assert.deepEqual(await game.errors(), []);
});

test('a console of 17,000 lines keeps every byte and follows the newest line, unless scrolled up', async () => {
  const game = await browser.open();
  let expected = HELP_BOX;
  const print = async (keys, text) => {
    await game.key(...keys);
    expected += text;
    await waitUntil(async () => (await game.output()) === expected, 'the text, byte for byte', 60000);
  };
  // The view's top and the end it can scroll to, once the newest line is in view.
  const view = () => game.$eval('#console', (log) => [log.scrollTop, log.scrollHeight - log.clientHeight]);
  const followed = (what) => waitUntil(async () => {
    const [top, end] = await view();
    return Math.abs(top - end) <= 1 && end;
  }, what);
  const step = PROMPT + positions(0.45, 0.45, REST_Y);
  await print(['p', ...Array(1000).fill('h'), 'o'], HELP_BOX.repeat(1000) + step);
  const end = await followed('the newest line in view');
  // The console scrolled to top (null: the end), once the page has had the scroll event, which comes with
  // a later frame and may come late on a busy machine.
  const scroll = (top) => game.$eval('#console', (log, top) => new Promise((resolve) => {
    log.addEventListener('scroll', resolve, {once: true});
    log.scrollTo(0, top ?? log.scrollHeight);
  }), top);
  await scroll(3000);
  await print(['h'], HELP_BOX);
  assert.equal((await view())[0], 3000, 'scrolled up, the view stays where the player put it');
  await scroll(null);
  await print(['o'], step);
  assert.ok(await followed('back at the end, the view following again') > end);
  assert.deepEqual(await game.errors(), []);
});

test('keys reach the game from wherever the player clicked, once each, but not with Ctrl nor through the menu', async () => {
  const game = await browser.open();
  await game.evaluate(() => addEventListener('copy', () => window.copied = getSelection().toString()));
  await game.clickElement('#console');  // the focus leaves the field, and no step comes of it
  await game.key('p', 'o');
  const stepped = HELP_BOX + PROMPT + positions(0.45, 0.45, REST_Y);
  await waitUntil(async () => (await game.output()) === stepped, 'one step');
  await game.evaluate(() => getSelection().selectAllChildren(document.getElementById('console')));
  await game.key('Control+c', 'Control+o');  // the browser's copy, and no step
  // WebKit's copy ends the last block of lines with a newline of its own.
  assert.equal(await game.evaluate(() => window.copied), stepped + (ENGINE === 'webkit' ? '\n' : ''));
  await game.openMenu();
  await game.key('o', 'Escape');  // the menu's key, then closed
  await sleep(300);
  assert.equal(await game.output(), stepped);
  assert.deepEqual(await game.errors(), []);
});
