// The site's server against hostile and odd requests: each is refused with its status and the server goes
// on serving. A site of its own in a temporary folder, beside files that must never be served. Then the copies
// that compress.js writes, sent as each request's Accept-Encoding allows, and how long a browser may keep each.
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

test('sends the best copy that Accept-Encoding allows, and no-cache for the page and the worker alone', async (t) => {
  const site = path.join(folder, 'compressed');
  const files = {'index.html': PAGE.repeat(20), 'sw.js': 'self;'.repeat(50), 'game.js': 'game;'.repeat(50),
                 'icon.png': 'png', 'changed.js': 'old', 'gone.js.gz': 'a copy whose file left the site'};
  fs.mkdirSync(site);
  for (const [name, text] of Object.entries(files)) fs.writeFileSync(path.join(site, name), text);
  spawnSync(process.execPath, [path.join(__dirname, '../../web/tools/compress.js'), site]);
  // Changed by hand since, a second later than its copies whatever the clock's tick.
  fs.writeFileSync(path.join(site, 'changed.js'), files['changed.js'] = 'new');
  fs.utimesSync(path.join(site, 'changed.js'), new Date(), new Date(Date.now() + 1000));
  assert.deepEqual(fs.readdirSync(site).filter((name) => /\.(gz|br)$/.test(name)).sort(),
                   ['changed.js', 'game.js', 'index.html', 'sw.js'].flatMap((name) => [`${name}.br`, `${name}.gz`]));
  const {server: compressed, url} = await serve(site);
  t.after(() => compressed.close());
  const [html, js, kept] = ['text/html; charset=utf-8', 'text/javascript', 'max-age=3600'];
  for (const [target, accepted, coding, type, caching] of [
    ['', 'gzip, deflate, br', 'br', html, 'no-cache'],
    ['index.html', 'gzip', 'gzip', html, 'no-cache'],
    ['sw.js', 'br;q=0, gzip;q=0.5', 'gzip', js, 'no-cache'],
    ['game.js', 'BR;Q=0.1', 'br', js, kept],
    ['game.js', '*;q=0, gzip', 'gzip', js, kept],
    ['game.js', 'identity', null, js, kept],
    ['changed.js', 'br, gzip', null, js, kept],
  ]) {
    // fetch decodes the body as the response's Content-Encoding and Content-Length say.
    const response = await fetch(url + target, {headers: {'accept-encoding': accepted}});
    const header = (name) => response.headers.get(name);
    assert.deepEqual([response.status, header('content-encoding'), await response.text(), header('content-type'),
                      header('vary'), header('cache-control')],
                     [200, coding, files[target || 'index.html'], type, 'Accept-Encoding', caching],
                     `${target}, Accept-Encoding: ${accepted}`);
    // A browser that has this copy already is told so, and gets no body.
    const again = await fetch(url + target, {headers: {'accept-encoding': accepted, 'if-none-match': header('etag')}});
    assert.deepEqual([again.status, await again.text()], [304, ''], `${target} again, Accept-Encoding: ${accepted}`);
  }
});
