// The floor page's one job, with nothing of the game in it: every 20 ms, on the kind of timer the game's
// toolkit uses (scheduler.postTask where there is one, else setTimeout) and armed as the toolkit arms it, 20 ms
// after the last change with nothing made up, one 4 x 4 square of the 400 x 500 canvas changes colour.
// Whatever a page that shows a canvas at 50 frames a second costs the browser, this costs too.
'use strict';
const TICK_MS = 20;
const SQUARE = 4;
const [BLUE, BLACK] = [[0, 0, 255, 255], [0, 0, 0, 255]];
const context = document.getElementById('canvas').getContext('2d');
const square = context.createImageData(SQUARE, SQUARE);
const later = typeof scheduler !== 'undefined' && scheduler.postTask ?
  (run, delay) => scheduler.postTask(run, {delay}) : (run, delay) => setTimeout(run, delay);
let lit = false;

function tick() {
  lit = !lit;
  for (let at = 0; at < square.data.length; at += 4) square.data.set(lit ? BLUE : BLACK, at);
  context.putImageData(square, (context.canvas.width - SQUARE) / 2, (context.canvas.height - SQUARE) / 2);
  later(tick, TICK_MS);
}
tick();
