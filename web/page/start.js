// Start-up: the game's module (its canvas, its standard output and its end), the offer to play again, and
// the service worker that makes the game installable and playable offline.
'use strict';
window.Module = {
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

// Where there is no service worker (a page from file:, a non-secure origin) or it cannot register, the game
// plays as it always did, from the network.
if ('serviceWorker' in navigator) {
  addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch(() => {}));
}
