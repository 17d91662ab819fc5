// The floor page's one job, with nothing of the game in it: every 20 ms, on the kind of timer the game's
// toolkit uses (scheduler.postTask where there is one, else setTimeout) and keeping its cadence as the
// toolkit does, a cleared frame put on the canvas.
'use strict';
const TICK_MS = 20;
const context = document.getElementById('canvas').getContext('2d');
const frame = context.createImageData(context.canvas.width, context.canvas.height);
const later = typeof scheduler !== 'undefined' && scheduler.postTask ?
  (run, delay) => scheduler.postTask(run, {delay}) : (run, delay) => setTimeout(run, delay);
let due = performance.now();

function tick() {
  frame.data.fill(0);
  context.putImageData(frame, 0, 0);
  const now = performance.now();
  due = Math.max(due, now - TICK_MS) + TICK_MS;  // late, the next tick comes sooner, but never in a burst
  later(tick, Math.round(due - now));
}
tick();
