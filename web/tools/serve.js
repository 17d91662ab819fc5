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
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      // For HEAD node sends the same headers and leaves out the body.
      response.writeHead(200, {'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                               'Content-Length': data.length, 'Cache-Control': 'no-store'});
      response.end(data);
    });
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
