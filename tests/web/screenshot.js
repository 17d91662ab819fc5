// Saves real screenshots of the page in Chromium, a game under way, for the README: docs/web-screenshot.png
// on a desktop, played by keys, and docs/phone-screenshot.png on a phone's screen, played by touch.
// Usage (after cmake --workflow --preset web and scripts/setup.sh browser): node tests/web/screenshot.js
'use strict';
const path = require('path');
const {Browser, PHONE, sleep} = require('./harness');

(async () => {
  const browser = await Browser.start();
  try {
    const game = await browser.open();
    await game.page.setViewport({width: 1060, height: 640, deviceScaleFactor: 1});
    await game.key('b', 'l');
    await sleep(2500);
    await game.key('k', 'p', 'o');
    await sleep(300);
    await game.page.screenshot({path: path.join(__dirname, '..', '..', 'docs', 'web-screenshot.png')});
    if ((await game.errors()).length) throw new Error(`page errors: ${await game.errors()}`);

    const phone = await browser.open({...PHONE, deviceScaleFactor: 2});
    const right = await phone.touch('button[data-key="d"]');
    await phone.tap('button[data-key="b"]');
    await sleep(400);
    await right.end();
    await sleep(1500);
    await phone.tap('button[data-key="p"]');
    await phone.tap('button[data-key="o"]');
    await sleep(300);
    await phone.page.screenshot({path: path.join(__dirname, '..', '..', 'docs', 'phone-screenshot.png')});
    if ((await phone.errors()).length) throw new Error(`page errors: ${await phone.errors()}`);
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
