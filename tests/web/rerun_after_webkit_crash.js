// Runs one browser test file, and once more if WebKitGTK's web process crashed under it: WebKitGTK 2.50 here
// now and then stops its web process on a failed assertion of its own (a trap in libwebkit2gtk, 4 times in a
// day of test and benchmark runs), and its driver then ends the session. A second crash, or any other failure,
// fails.
'use strict';
const {spawnSync} = require('child_process');

const CRASHED = 'session deleted because of page crash or hang';
const file = process.argv[2];

// The kernel's lines of WebKit's web process stopping on a trap, where the log may be read. The driver does not
// always say that the page crashed: a crash in the middle of a key gave only an empty error, and the next
// script 'Could not parse script result'.
function webProcessTraps() {
  const log = spawnSync('dmesg', [], {encoding: 'utf8', maxBuffer: 1 << 26});
  return log.status === 0 ? log.stdout.split('\n').filter((line) => /traps: WebKitWebProces\[\d+\]/.test(line)) : [];
}

function run() {
  const result = spawnSync(process.execPath, [file], {encoding: 'utf8', maxBuffer: 1 << 26});
  process.stdout.write(result.stdout);
  process.stderr.write(result.stderr);
  return result;
}

const trapsBefore = webProcessTraps();
let result = run();
const trapped = () => webProcessTraps().some((line) => !trapsBefore.includes(line));
if (result.status !== 0 && ((result.stdout + result.stderr).includes(CRASHED) || trapped())) {
  console.log(`\n${file}: WebKit's web process crashed; running the file once more\n`);
  result = run();
}
process.exit(result.status === null ? 1 : result.status);
