// The site's server against hostile and odd requests: each is refused with its status and the server goes
// on serving. A site of its own in a temporary folder, beside files that must never be served.
'use strict';
const assert = require('node:assert/strict');
const {spawnSync} = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const {after, before, test} = require('node:test');
const {serve} = require('../../web/serve');

const PAGE = '<!doctype html><title>site</title>';
let folder, server;

before(async () => {
  folder = fs.mkdtempSync(path.join(os.tmpdir(), 'torvale-serve-'));
  // site-other shares the site's name as a prefix: outside all the same.
  for (const [name, text] of [['site/index.html', PAGE], ['secret.txt', 'no'], ['site-other/secret.txt', 'no']]) {
    fs.mkdirSync(path.dirname(path.join(folder, name)), {recursive: true});
    fs.writeFileSync(path.join(folder, name), text);
  }
  ({server} = await serve(path.join(folder, 'site')));
});
after(() => {
  server?.close();
  fs.rmSync(folder, {recursive: true, force: true});
});

// The path goes out as written, escapes and all.
const request = (method, target) => new Promise((resolve, reject) => {
  http.request({host: '127.0.0.1', port: server.address().port, method, path: target}, (response) => {
    let body = '';
    response.on('data', (chunk) => body += chunk);
    response.on('end', () => resolve({status: response.statusCode, headers: response.headers, body}));
  }).on('error', reject).end();
});

// Each hostile request first; GET and HEAD of the page after them show the server still serving.
test('answers each request with its status and headers, on 127.0.0.1 only', async () => {
  for (const [method, target, status, body = ''] of [
    ['GET', '/index.html%00.txt', 400], ['GET', '/%E0%A4%A', 400], ['GET', '/%', 400],
    ['GET', '/..%2fsecret.txt', 403], ['GET', '/%2e%2e%2f%2e%2e%2fetc%2fpasswd', 403],
    ['GET', '/..%2fsite-other%2fsecret.txt', 403], ['GET', '/..%2fsite', 403], ['GET', '/nothing.js', 404],
    ['POST', '/', 405], ['PUT', '/index.html', 405], ['DELETE', '/index.html', 405],
    ['GET', '/', 200, PAGE], ['HEAD', '/', 200],
  ]) {
    const {status: got, headers, body: text} = await request(method, target);
    const [ok, refused] = [status === 200, status === 405];
    assert.deepEqual([got, text, headers['x-content-type-options'], headers.allow, headers['content-length'] ?? '0',
                      headers['content-type']],
                     [status, body, 'nosniff', refused ? 'GET, HEAD' : undefined, ok ? String(PAGE.length) : '0',
                      ok ? 'text/html; charset=utf-8' : undefined], `${method} ${target}`);
  }
  assert.equal(server.address().address, '127.0.0.1');
});

test('a bad port argument gets one line of usage and status 2', () => {
  for (const port of ['eighty', '-1', '65536', '80.5']) {
    const run = spawnSync(process.execPath, [path.join(__dirname, '../../web/serve.js'), folder, port],
                          {encoding: 'utf8', timeout: 10000});
    assert.deepEqual([run.status, /^usage: [^\n]*\n$/.test(run.stderr)], [2, true], port);
  }
});
