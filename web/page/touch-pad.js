// The touch controls: they send the game's own keys, on the finger's touch and not a click later. A
// direction moves the paddle while held: S when the finger lifts, unless the other direction came meanwhile.
'use strict';
(() => {
  const pad = document.querySelector('.pad');
  const pressKey = (key) => window.Module.pressKey?.(key);
  const heldBy = new Map();  // touch identifier to the button it pressed
  let lastDirection = null;

  function press(button) {
    const key = button.dataset.key;
    pressKey(key);
    if (key === 'a' || key === 'd') lastDirection = key;
  }

  function lift(button) {
    button.classList.remove('held');
    if (button.dataset.key !== lastDirection) return;
    lastDirection = null;
    pressKey('s');
  }

  pad.addEventListener('touchstart', (event) => {
    event.preventDefault();  // no click, focus, scroll or zoom from it
    for (const touch of event.changedTouches) {
      const button = touch.target.closest?.('button[data-key]');
      if (!button) continue;
      heldBy.set(touch.identifier, button);
      button.classList.add('held');
      press(button);
    }
  }, {passive: false});

  function release(event) {
    for (const touch of event.changedTouches) {
      const button = heldBy.get(touch.identifier);
      heldBy.delete(touch.identifier);
      if (button) lift(button);
    }
  }
  pad.addEventListener('touchend', release);
  pad.addEventListener('touchcancel', release);
  // A mouse or a keyboard on the controls: a click sends the key as a key press would.
  pad.addEventListener('click', (event) => {
    const button = event.target.closest('button[data-key]');
    if (button) pressKey(button.dataset.key);
  });
  pad.addEventListener('contextmenu', (event) => event.preventDefault());
})();
