// Runs one browser test file, and once more if WebKitGTK's web process crashed under it: WebKitGTK 2.50 here
// now and then stops its web process on a failed assertion of its own (a trap in libwebkit2gtk, 4 times in a
// day of test and benchmark runs), and its driver then ends the session. A second crash, or any other failure,
// fails.
'use strict';
const {spawnSync} = require('child_process');

const CRASHED = 'session deleted because of page crash or hang';
const file = process.argv[2];

function run() {
  const result = spawnSync(process.execPath, [file], {encoding: 'utf8', maxBuffer: 1 << 26});
  process.stdout.write(result.stdout);
  process.stderr.write(result.stderr);
  return result;
}

let result = run();
if (result.status !== 0 && (result.stdout + result.stderr).includes(CRASHED)) {
  console.log(`\n${file}: WebKit's web process crashed; running the file once more\n`);
  result = run();
}
process.exit(result.status === null ? 1 : result.status);
