// The site's server against hostile and odd requests: each is refused with its status and the server goes
// on serving. A site of its own in a temporary folder, beside files that must never be served.
'use strict';
const assert = require('node:assert/strict');
const {spawnSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {after, before, test} = require('node:test');
const {serve} = require('../../web/tools/serve');

const PAGE = '<!doctype html><title>site</title>';
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'torvale-serve-'));
let server;
before(async () => {
  // site-other shares the site's name as a prefix: outside all the same.
  for (const [name, text] of [['site/index.html', PAGE], ['secret.txt', 'no'], ['site-other/secret.txt', 'no']]) {
    fs.mkdirSync(path.dirname(path.join(folder, name)), {recursive: true});
    fs.writeFileSync(path.join(folder, name), text);
  }
  ({server} = await serve(path.join(folder, 'site')));
});
after(() => server?.close() && fs.rmSync(folder, {recursive: true, force: true}));

// Each hostile request first; GET and HEAD of the page after them show the server still serving.
test('answers each request with its status and headers, on 127.0.0.1 only', async () => {
  for (const [method, target, status, body = ''] of [
    ['GET', '/index.html%00.txt', 400], ['GET', '/%E0%A4%A', 400], ['GET', '/%', 400],
    ['GET', '/..%2fsecret.txt', 403], ['GET', '/%2e%2e%2f%2e%2e%2fetc%2fpasswd', 403],
    ['GET', '/..%2fsite-other%2fsecret.txt', 403], ['GET', '/..%2fsite', 403], ['GET', '/nothing.js', 404],
    ['POST', '/', 405], ['PUT', '/index.html', 405], ['DELETE', '/index.html', 405],
    ['GET', '/', 200, PAGE], ['HEAD', '/', 200],
  ]) {
    // The path goes out as written, escapes and all.
    const response = await fetch(`http://127.0.0.1:${server.address().port}${target}`, {method});
    const [ok, refused, header] = [status === 200, status === 405, (name) => response.headers.get(name)];
    assert.deepEqual([response.status, await response.text(), header('x-content-type-options'), header('allow'),
                      header('content-length') ?? '0', header('content-type')],
                     [status, body, 'nosniff', refused ? 'GET, HEAD' : null, ok ? String(PAGE.length) : '0',
                      ok ? 'text/html; charset=utf-8' : null], `${method} ${target}`);
  }
  assert.equal(server.address().address, '127.0.0.1');
});

test('a bad port argument gets one line of usage and status 2', () => {
  for (const port of ['eighty', '-1', '65536', '80.5']) {
    const run = spawnSync(process.execPath, [path.join(__dirname, '../../web/tools/serve.js'), folder, port],
                          {encoding: 'utf8', timeout: 10000});
    assert.deepEqual([run.status, /^usage: [^\n]*\n$/.test(run.stderr)], [2, true], port);
  }
});
