// The floor page's one job, with nothing of the game in it: every 20 ms, on the kind of timer the game's
// toolkit uses (scheduler.postTask where there is one, else setTimeout), a cleared frame put on the canvas.
'use strict';
const TICK_MS = 20;
const context = document.getElementById('canvas').getContext('2d');
const frame = context.createImageData(context.canvas.width, context.canvas.height);
const later = typeof scheduler !== 'undefined' && scheduler.postTask ?
  (run) => scheduler.postTask(run, {delay: TICK_MS}) : (run) => setTimeout(run, TICK_MS);

function tick() {
  frame.data.fill(0);
  context.putImageData(frame, 0, 0);
  later(tick);
}
later(tick);
