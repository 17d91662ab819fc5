// A static file server for the site, on 127.0.0.1 only: for playing (scripts/play-web.sh) and the tests.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=utf-8', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
};

// Resolves with the server and its address once it listens; port 0 lets the system pick a free one.
function serve(root, port = 0) {
  root = path.resolve(root);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
    if (!file.startsWith(root + path.sep) || request.method !== 'GET') {
      response.writeHead(404).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                               'Cache-Control': 'no-store'});
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
  const [root, port] = process.argv.slice(2);
  if (!root) {
    console.error('usage: node web/serve.js SITE_DIR [PORT]');
    process.exit(2);
  }
  serve(root, Number(port || 0)).then(({url}) => console.log(`Torvale: open ${url} in a browser (Ctrl+C stops the server)`));
}
