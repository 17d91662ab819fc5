// The site's server against hostile and odd requests: each is refused with its status and the server goes
// on serving. A site of its own in a temporary folder, beside a file that must never be served.
'use strict';
const assert = require('node:assert/strict');
const {spawnSync} = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const {after, before, test} = require('node:test');
const {serve} = require('../../web/serve');

const SERVE = path.join(__dirname, '..', '..', 'web', 'serve.js');
const PAGE = '<!doctype html><title>site</title>';
let folder, server, port;

before(async () => {
  folder = fs.mkdtempSync(path.join(os.tmpdir(), 'torvale-serve-'));
  fs.mkdirSync(path.join(folder, 'site'));
  fs.writeFileSync(path.join(folder, 'site', 'index.html'), PAGE);
  fs.writeFileSync(path.join(folder, 'secret.txt'), 'not for the web');
  fs.mkdirSync(path.join(folder, 'site-other'));  // shares the site's name as a prefix
  fs.writeFileSync(path.join(folder, 'site-other', 'secret.txt'), 'not for the web');
  ({server} = await serve(path.join(folder, 'site')));
  port = server.address().port;
});
after(() => {
  if (server) server.close();
  fs.rmSync(folder, {recursive: true, force: true});
});

// The path goes out as written, escapes and all.
function request(method, target) {
  return new Promise((resolve, reject) => {
    http.request({host: '127.0.0.1', port, method, path: target}, (response) => {
      let body = '';
      response.on('data', (chunk) => body += chunk);
      response.on('end', () => resolve({status: response.statusCode, headers: response.headers, body}));
    }).on('error', reject).end();
  });
}

test('only on 127.0.0.1', () => assert.equal(server.address().address, '127.0.0.1'));

test('refuses a bad request with its status, then still serves the page', async () => {
  const refused = [
    ['GET', '/index.html%00.txt', 400],
    ['GET', '/%E0%A4%A', 400],
    ['GET', '/%', 400],
    ['GET', '/..%2fsecret.txt', 403],
    ['GET', '/%2e%2e%2f%2e%2e%2fetc%2fpasswd', 403],
    ['GET', '/..%2fsite-other%2fsecret.txt', 403],
    ['GET', '/..%2fsite', 403],
    ['GET', '/nothing.js', 404],
    ['POST', '/', 405],
    ['PUT', '/index.html', 405],
    ['DELETE', '/index.html', 405],
  ];
  for (const [method, target, status] of refused) {
    const response = await request(method, target);
    assert.deepEqual([response.status, response.body], [status, ''], `${method} ${target}`);
    assert.equal(response.headers['x-content-type-options'], 'nosniff', `${method} ${target}`);
    if (status === 405) assert.equal(response.headers.allow, 'GET, HEAD');
  }
  const page = await request('GET', '/');
  assert.deepEqual([page.status, page.body, page.headers['content-type'], page.headers['x-content-type-options']],
                   [200, PAGE, 'text/html; charset=utf-8', 'nosniff']);
});

test('HEAD answers as GET without the body', async () => {
  const [head, get] = [await request('HEAD', '/index.html'), await request('GET', '/index.html')];
  assert.deepEqual([head.status, head.body, head.headers['content-length'], head.headers['content-type']],
                   [200, '', String(PAGE.length), get.headers['content-type']]);
});

test('a bad port argument gets one line of usage and status 2', () => {
  for (const port of ['eighty', '-1', '65536', '80.5']) {
    const run = spawnSync(process.execPath, [SERVE, folder, port], {encoding: 'utf8', timeout: 10000});
    assert.equal(run.status, 2, port);
    assert.match(run.stderr, /^usage: [^\n]*\n$/, port);
  }
});
