// Gamepads on the standard mapping play with the game's own keys: the D-pad or the left stick past half way
// holds the side arrows, and A, Start, B, Y and Back send B, P, O, H and N, once a press. Looked at on every
// frame, but only while the page is in sight and a pad is connected; none of it opens the menu. Loaded once
// the first pad connects (start.js), it looks at once for the pads already there.
'use strict';
(() => {
  if (!navigator.getGamepads) return;  // none on a page from a non-secure address
  const LETTERS = new Map([[0, 'b'], [9, 'p'], [1, 'o'], [3, 'h'], [8, 'n']]);
  const [LEFT, RIGHT, HALF_WAY] = [14, 15, 0.5];
  const pressedBefore = new Map();  // a pad's index to its buttons pressed at the last look
  let held = {ArrowLeft: false, ArrowRight: false};  // by any pad: several pads play as one player
  let looking = false;

  const standardPads = () => [...navigator.getGamepads()].filter((pad) => pad?.connected && pad.mapping === 'standard');

  function look() {
    looking = false;
    if (document.hidden) return;
    const pads = standardPads();
    const now = {ArrowLeft: false, ArrowRight: false};
    for (const pad of pads) {
      const pressed = new Set(pad.buttons.flatMap((button, index) => button.pressed ? [index] : []));
      const before = pressedBefore.get(pad.index) || new Set();
      for (const [button, key] of LETTERS) if (pressed.has(button) && !before.has(button)) Module.pressKey?.(key);
      pressedBefore.set(pad.index, pressed);
      now.ArrowLeft ||= pressed.has(LEFT) || pad.axes[0] < -HALF_WAY;
      now.ArrowRight ||= pressed.has(RIGHT) || pad.axes[0] > HALF_WAY;
    }
    // A pad that went away lets go of whatever it held.
    for (const index of pressedBefore.keys()) if (!pads.some((pad) => pad.index === index)) pressedBefore.delete(index);
    for (const name in now) if (now[name] !== held[name]) Module.specialKey?.(name, now[name]);
    held = now;
    if (pads.length) lookSoon();
  }

  function lookSoon() {
    if (looking) return;
    looking = true;
    requestAnimationFrame(look);
  }

  addEventListener('gamepadconnected', lookSoon);
  addEventListener('gamepaddisconnected', lookSoon);
  document.addEventListener('visibilitychange', () => document.hidden || lookSoon());
  lookSoon();
})();
