// Writes beside each text and WebAssembly file of the built site its gzip (.gz) and Brotli (.br) copy, at the
// best compression, for a server that sends a copy as it is (serve.js; nginx's gzip_static and brotli_static).
// Usage: node web/tools/compress.js SITE_DIR   (the web build runs it once the service worker is written)
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

// PNG is compressed already.
const COMPRESSIBLE = /\.(html|css|js|wasm|webmanifest|txt)$/;
const COPY = /\.(gz|br)$/;

function compress(name, data) {
  const mode = name.endsWith('.wasm') ? zlib.constants.BROTLI_MODE_GENERIC : zlib.constants.BROTLI_MODE_TEXT;
  return {
    gz: zlib.gzipSync(data, {level: zlib.constants.Z_BEST_COMPRESSION}),
    br: zlib.brotliCompressSync(data, {params: {
      [zlib.constants.BROTLI_PARAM_QUALITY]: zlib.constants.BROTLI_MAX_QUALITY,
      [zlib.constants.BROTLI_PARAM_MODE]: mode,
      [zlib.constants.BROTLI_PARAM_SIZE_HINT]: data.length,
    }}),
  };
}

function main(site) {
  const names = fs.readdirSync(site, {recursive: true}).map(String);
  const totals = {files: 0, bytes: 0, gz: 0, br: 0};
  for (const name of names) {
    const file = path.join(site, name);
    // A copy whose file has left the site would still be served by a host that looks for the copy alone.
    if (COPY.test(name) && !fs.existsSync(file.slice(0, -3))) fs.rmSync(file);
    if (!COMPRESSIBLE.test(name) || !fs.statSync(file).isFile()) continue;
    const data = fs.readFileSync(file);
    const copies = compress(name, data);
    for (const [suffix, copy] of Object.entries(copies)) {
      fs.writeFileSync(`${file}.${suffix}`, copy);
      totals[suffix] += copy.length;
    }
    totals.files++;
    totals.bytes += data.length;
  }
  console.log(`compress: ${totals.files} files, ${totals.bytes} bytes: ${totals.gz} as gzip, ${totals.br} as Brotli`);
}

if (process.argv.length !== 3) {
  console.error('usage: node web/tools/compress.js SITE_DIR');
  process.exit(2);
}
main(path.resolve(process.argv[2]));
