// Writes the site's service worker, SITE_DIR/sw.js, with Workbox: it precaches every file of the site with a
// revision from its contents, so the game plays offline and a new build replaces the old one in the caches.
// Usage: node web/tools/precache.js SITE_DIR   (the web build runs it; run it again after changing a site's files)
'use strict';
const path = require('path');
const {generateSW} = require('workbox-build');

async function main(site) {
  const {count, size, warnings} = await generateSW({
    globDirectory: site,
    globPatterns: ['**/*.{html,css,js,wasm,webmanifest,png,txt}'],
    swDest: path.join(site, 'sw.js'),
    mode: 'production',
    sourcemap: false,
    inlineWorkboxRuntime: true,  // one worker file to fetch and precache, nothing loaded from elsewhere
    // A new build waits, installed, until a page of the game has started and tells it to take over (with
    // the message SKIP_WAITING), not until every tab of the game is closed; Workbox then deletes the entries
    // that the new list no longer has, the old build's files.
    skipWaiting: false,
    clientsClaim: true,
    cleanupOutdatedCaches: true,
  });
  if (warnings.length) throw new Error(warnings.join('\n'));
  console.log(`precache: ${count} files, ${size} bytes, in ${path.join(site, 'sw.js')}`);
}

if (process.argv.length !== 3) {
  console.error('usage: node web/tools/precache.js SITE_DIR');
  process.exit(2);
}
main(path.resolve(process.argv[2])).catch((error) => {
  console.error(error);
  process.exit(1);
});
