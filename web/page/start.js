// Start-up: the game's module (its canvas, its standard output and its end), the offer to play again, and
// the service worker that makes the game installable and playable offline.
'use strict';
let gameStarted;
const started = new Promise((resolve) => { gameStarted = resolve; });
window.Module = {
  onRuntimeInitialized: () => gameStarted(),
  canvas: document.getElementById('canvas'),
  stdout: torvaleConsole.write,
  onExit() {
    torvaleConsole.show();
    document.getElementById('ended').hidden = false;
    document.getElementById('again').focus();
  },
};
document.getElementById('again').addEventListener('click', () => location.reload());
Module.canvas.focus();

// What only some players need comes when first needed: the touch controls where they show (a touch screen,
// as page.css decides), the gamepads' once a pad connects. The service worker keeps them for offline play.
const loadOnce = (name) => {
  if (document.querySelector(`script[src="${name}"]`)) return;
  document.head.append(Object.assign(document.createElement('script'), {src: name}));
};
const touchScreen = matchMedia('(pointer: coarse)');
if (touchScreen.matches) loadOnce('touch-pad.js');
else touchScreen.addEventListener('change', () => loadOnce('touch-pad.js'), {once: true});
listenForPads();

// While a page listens for gamepads, Chromium's browser process polls for them every few milliseconds: in play
// that cost more than the game's own drawing (bench/measure-web.sh). So until a pad connects, the page stops
// listening while the game is played from the keyboard, the mouse or the screen, and listens again once these
// have been still for PADS_AFTER_MS. A pad's press within that time may go unseen; the next one is seen.
function listenForPads() {
  const PADS_AFTER_MS = 2000;
  const OTHER_INPUT = ['keydown', 'pointerdown'];
  let stillness = 0;
  const padConnected = () => {
    OTHER_INPUT.forEach((type) => removeEventListener(type, otherInput, true));
    clearTimeout(stillness);
    loadOnce('gamepad.js');
  };
  const listen = () => addEventListener('gamepadconnected', padConnected, {once: true});
  function otherInput() {
    removeEventListener('gamepadconnected', padConnected);
    clearTimeout(stillness);
    stillness = setTimeout(listen, PADS_AFTER_MS);
  }
  OTHER_INPUT.forEach((type) => addEventListener(type, otherInput, {capture: true, passive: true}));
  listen();
}

// Where there is no service worker (a page from file:, a non-secure origin) or it cannot register, the game
// plays as it always did, from the network.
if ('serviceWorker' in navigator) {
  addEventListener('load', () => navigator.serviceWorker.register('sw.js').then(takeOverOnceStarted, () => {}));
}

// A new build's worker takes over (and deletes the old build's files) once this page has loaded everything
// the game needs, never while the old worker still serves it: swapping workers in the middle of a load
// stalled the rest of that load for a minute in Chromium. The next load then shows the new build. The
// load itself may have found the new build already, before this page had the registration to watch.
function takeOverOnceStarted(registration) {
  const takeOverOnceInstalled = (worker) => {
    const takeOver = () => started.then(() => worker.postMessage({type: 'SKIP_WAITING'}));
    if (worker.state === 'installed') takeOver();
    else worker.addEventListener('statechange', () => worker.state === 'installed' && takeOver());
  };
  const found = registration.waiting || registration.installing;
  if (found) takeOverOnceInstalled(found);
  registration.addEventListener('updatefound', () => takeOverOnceInstalled(registration.installing));
}
