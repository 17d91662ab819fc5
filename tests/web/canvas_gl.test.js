// web/toolkit/canvas_gl.js beside Mesa itself: rectangles and one-pixel lines in any colour, with corners and ends
// on pixel centres, on pixel borders and anywhere, where the fill and diamond-exit rules decide.
'use strict';
const assert = require('node:assert/strict');
const {spawnSync} = require('child_process');
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const vm = require('vm');
const {test} = require('node:test');
const {HEIGHT, WIDTH} = require('./harness');

const CELL = 20;  // a shape to a cell of the window, two pixels clear of its neighbours
const MARGIN = 2;
const GL_LINES = 0x0001;

// Every cell's shape, rectangles and lines in turn, in the game's unit square, as floats. A corner or end
// lies on a pixel's centre or border, half of Mesa's 1/256 of a pixel off them, or anywhere.
function shapes(seed) {
  const random = () => (seed = (seed * 1103515245 + 12345) % 2 ** 31) / 2 ** 31;
  const within = (origin) => origin + MARGIN + Math.floor(random() * (CELL - 2 * MARGIN - 1)) +
                             [0, 0.5, 1 / 512, 0.5 + 1 / 512, random()][Math.floor(random() * 5)];
  const all = [];
  for (let top = 0; top < HEIGHT; top += CELL) {
    for (let left = 0; left < WIDTH; left += CELL) {
      const point = () => [Math.fround(within(left) / WIDTH), Math.fround(1 - within(top) / HEIGHT)];
      const colour = [random(), random(), random()].map(Math.fround);
      all.push({kind: all.length % 2 ? 'line' : 'rect', values: [...colour, ...point(), ...point()], cell: [left, top]});
    }
  }
  return all;
}

// The renderer on its own, on a window the size of the game's with the game's projection.
function canvasGL() {
  const context = vm.createContext({abort: (message) => { throw new Error(message); }, autoAddDeps() {},
                                    LibraryManager: {library: {}}});
  context.mergeInto = (_, library) => Object.assign(context, library, {CanvasGL: library.$CanvasGL});
  vm.runInContext(fs.readFileSync(path.join(__dirname, '..', '..', 'web', 'toolkit', 'canvas_gl.js'), 'utf8'), context);
  const image = {data: new Uint8ClampedArray(WIDTH * HEIGHT * 4)};
  const canvas = {addEventListener() {}, getContext: () => ({createImageData: () => image, putImageData() {}})};
  context.CanvasGL.attach(canvas, WIDTH, HEIGHT);
  context.glViewport(0, 0, WIDTH, HEIGHT);
  context.gluOrtho2D(0, 1, 0, 1);
  return context;
}

// A frame of the shapes on black, swapped: RGBA, the top row first, as the canvas holds them.
function drawnByCanvas(all, context = canvasGL()) {
  context.glClearColor(0, 0, 0, 1);
  context.glClear(0x4000);
  for (const {kind, values: [red, green, blue, x1, y1, x2, y2]} of all) {
    context.glColor3f(red, green, blue);
    if (kind === 'rect') {
      context.glRectf(x1, y1, x2, y2);
    } else {
      context.glBegin(GL_LINES);
      context.glVertex2f(x1, y1);
      context.glVertex2f(x2, y2);
      context.glEnd();
    }
  }
  context.CanvasGL.present();
  return Uint8ClampedArray.from(context.CanvasGL.image.data);
}

// RGB, the bottom row first; nine digits give each float back exactly.
function drawnByMesa(all) {
  const input = all.map(({kind, values}) => [kind, ...values.map((value) => value.toPrecision(9))].join(' '));
  const result = spawnSync('xvfb-run', ['-a', '-s', '-screen 0 1024x768x24 -nolisten tcp', process.env.TORVALE_GL_REFERENCE],
                           {input: input.join('\n') + '\n', maxBuffer: 1 << 24, timeout: 60000});
  if (result.status !== 0) throw new Error(`gl_reference failed: ${result.stderr}`);
  return result.stdout;
}

// The reference is Debian 12's llvmpipe (Mesa 22.3), which draws the native game whose frames every edition
// matches: the SHA-256 of its pixels for each seed, as drawnByMesa gives them. Debian 13's Mesa 25 takes other
// pixels on about a tenth of these edges (rectangles' and lines' alike, never a colour), none of which a game's
// frame reaches: its first frame and later ones are the same on both, and each edition is matched against the
// native game under the machine's own Mesa.
const REFERENCE = {1: '5eac9dea728cacfba2afa1738a12b736d445dc9587147ad700f4a2a1ad007315',
                   2: '5077207504e3a75f3394929e641047608f885015f3386997d2ec750a51a5d8ee'};

// RGB, the bottom row first, as Mesa's pixels come.
function asMesaReads(canvas) {
  const rgb = Buffer.alloc(WIDTH * HEIGHT * 3);
  for (let at = 0; at < WIDTH * HEIGHT; at++) {
    const [x, y] = [at % WIDTH, Math.floor(at / WIDTH)];
    canvas.subarray(at * 4, at * 4 + 3).forEach((value, i) => rgb[((HEIGHT - 1 - y) * WIDTH + x) * 3 + i] = value);
  }
  return rgb;
}

test('a thousand rectangles and lines on and off pixel centres and borders have the reference\'s pixels', () => {
  for (const seed of [1, 2]) {
    const all = shapes(seed);
    const [canvas, mesa] = [asMesaReads(drawnByCanvas(all)), drawnByMesa(all)];
    assert.equal(crypto.createHash('sha256').update(canvas).digest('hex'), REFERENCE[seed], `seed ${seed}`);
    // This machine's Mesa: the reference itself, or one that differs from it only in which pixels an edge takes.
    const differing = new Set();
    for (let at = 0; at < canvas.length; at += 3) {
      const [ours, its] = [canvas.subarray(at, at + 3), mesa.subarray(at, at + 3)];
      if (ours.some((value, i) => value !== its[i]) && ours.some(Boolean) && its.some(Boolean)) {
        const [x, y] = [(at / 3) % WIDTH, HEIGHT - 1 - Math.floor(at / 3 / WIDTH)];
        differing.add(all.find(({cell}) => cell[0] === x - x % CELL && cell[1] === y - y % CELL));
      }
    }
    assert.deepEqual([...differing].map(({kind, values}) => `${kind} ${values.join(' ')}`), [], `seed ${seed}: colours`);
  }
});

test('each frame drawn over the last one has the pixels of the same frame drawn on its own', () => {
  const first = shapes(1);
  const moved = first.map((shape, i) => (i >= 100 && i < 105 ? shapes(2)[i] : shape));  // a few cells of one row
  const fewer = moved.slice(0, -10);
  const context = canvasGL();
  for (const frame of [first, moved, moved, fewer, first]) {
    const [over, alone] = [drawnByCanvas(frame, context), drawnByCanvas(frame)];
    assert.equal(over.filter((value, at) => value !== alone[at]).length, 0);
  }
});
