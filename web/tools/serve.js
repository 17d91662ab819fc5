// A static file server for the site, on 127.0.0.1 only: for playing (scripts/play-web.sh) and the tests.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.css': 'text/css; charset=utf-8', '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=utf-8', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
};
// The copies that web/tools/compress.js writes beside a file, best first.
const CODINGS = [['br', '.br'], ['gzip', '.gz']];
// The page and the service worker are checked with the server on every load; every other file may be kept an
// hour, as the service worker fetches its own precached versions past the browser's cache.
const CHECKED_EACH_TIME = new Set(['index.html', 'sw.js']);
const KEPT = 'max-age=3600';
const USAGE = 'usage: node web/tools/serve.js SITE_DIR [PORT]   (PORT: 0 to 65535; 0 or none picks a free one)';

// The file a request names, or the status that refuses it: a bad request never reaches the file system.
function fileFor(root, url) {
  let name;
  try {
    name = decodeURIComponent(new URL(url, 'http://localhost').pathname);
  } catch {
    return {status: 400};  // a malformed escape or URL
  }
  if (name.includes('\0')) return {status: 400};  // the file system refuses it, and no site file has one
  const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
  return file.startsWith(root + path.sep) ? {file} : {status: 403};
}

// Whether Accept-Encoding allows coding: named, or covered by '*', with a weight above 0.
function allows(acceptEncoding, coding) {
  const weights = new Map(acceptEncoding.split(',').map((part) => {
    const [name, ...parameters] = part.split(';').map((word) => word.trim().toLowerCase());
    const weight = parameters.find((parameter) => parameter.startsWith('q='));
    return [name, weight ? Number(weight.slice(2)) : 1];
  }));
  return (weights.get(coding) ?? weights.get('*') ?? 0) > 0;
}

// The file to send for a request of file: its best copy that the request allows and that is not older than
// the file itself (a site changed by hand since compress.js ran keeps some stale copies), else the file.
async function representation(file, acceptEncoding = '') {
  const original = await fs.promises.stat(file);
  if (!original.isFile()) throw new Error(`${file} is no file`);
  for (const [coding, suffix] of CODINGS) {
    if (!allows(acceptEncoding, coding)) continue;
    const copy = await fs.promises.stat(file + suffix).catch(() => null);
    if (copy && copy.isFile() && copy.mtimeMs >= original.mtimeMs) return {file: file + suffix, stat: copy, coding};
  }
  return {file, stat: original};
}

// The file's best representation for the request, or a 304 to a browser that has it already.
async function send(request, response, file) {
  let sent, data;
  try {
    sent = await representation(file, request.headers['accept-encoding']);
    data = await fs.promises.readFile(sent.file);
  } catch {
    response.writeHead(404).end();
    return;
  }
  // One tag a representation: of the copy sent, and with its coding.
  const tag = `"${sent.stat.size.toString(36)}-${Math.round(sent.stat.mtimeMs).toString(36)}${sent.coding || ''}"`;
  const headers = {
    'Cache-Control': CHECKED_EACH_TIME.has(path.basename(file)) ? 'no-cache' : KEPT,
    'ETag': tag,
    'Vary': 'Accept-Encoding',
  };
  const known = (request.headers['if-none-match'] || '').split(',').map((each) => each.trim().replace(/^W\//, ''));
  if (known.includes(tag)) {
    response.writeHead(304, headers).end();
    return;
  }
  if (sent.coding) headers['Content-Encoding'] = sent.coding;
  // For HEAD node sends the same headers and leaves out the body.
  response.writeHead(200, {...headers, 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                           'Content-Length': data.length});
  response.end(data);
}

// Resolves with the server and its address once it listens; port 0 lets the system pick a free one.
function serve(root, port = 0) {
  root = path.resolve(root);
  const server = http.createServer((request, response) => {
    // Browsers then trust the types below and never guess one from a file's bytes.
    response.setHeader('X-Content-Type-Options', 'nosniff');
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405, {'Allow': 'GET, HEAD'}).end();
      return;
    }
    const {file, status} = fileFor(root, request.url);
    if (!file) {
      response.writeHead(status).end();
      return;
    }
    send(request, response, file);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve({server, url: `http://127.0.0.1:${server.address().port}/`}));
  });
}

module.exports = {serve};

if (require.main === module) {
  const [root, port = '0'] = process.argv.slice(2);
  if (!root || !/^\d{1,5}$/.test(port) || Number(port) > 65535) {
    console.error(USAGE);
    process.exit(2);
  }
  serve(root, Number(port)).then(
      ({url}) => console.log(`Torvale: open ${url} in a browser (Ctrl+C stops the server)`),
      (error) => {
        console.error(`serve.js: cannot listen on 127.0.0.1:${port}: ${error.message}`);
        process.exit(1);
      });
}
