// Saves a real screenshot of the page in Chromium, a game under way, for the README: docs/web-screenshot.png.
// Usage (after cmake --workflow --preset web and scripts/setup.sh browser): node web/screenshot.js
'use strict';
const path = require('path');
const {Browser, sleep} = require('./harness');

(async () => {
  const browser = await Browser.start();
  try {
    const game = await browser.open();
    await game.page.setViewport({width: 1060, height: 640, deviceScaleFactor: 1});
    await game.key('b', 'l');
    await sleep(2500);
    await game.key('k', 'p', 'o');
    await sleep(300);
    await game.page.screenshot({path: path.join(__dirname, '..', 'docs', 'web-screenshot.png')});
    if (game.errors.length) throw new Error(`page errors: ${game.errors}`);
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
