// Writes a page script or style sheet into the site without what only its readers need: a script through
// terser (comments and spaces gone, local names shortened), a style sheet without its comments. With
// --whole-program (the runtime, torvale.js) every top-level name is shortened too but Module, its one name
// that the page's scripts share.
// Usage: node web/tools/minify.js [--whole-program] SOURCE DESTINATION   (the web build runs it)
'use strict';
const fs = require('fs');
const {minify} = require('terser');

async function main([source, destination], wholeProgram) {
  const text = fs.readFileSync(source, 'utf8');
  let out;
  if (source.endsWith('.css')) {
    out = text.replace(/\/\*[\s\S]*?\*\//g, '').replace(/\n\s*\n/g, '\n').trimStart();
  } else {
    const options = {compress: {passes: 2}, format: {comments: false}};
    if (wholeProgram) Object.assign(options, {toplevel: true, mangle: {reserved: ['Module']}});
    out = (await minify(text, options)).code + '\n';
  }
  fs.writeFileSync(destination, out);
}

const args = process.argv.slice(2);
const wholeProgram = args[0] === '--whole-program';
if (args.length - wholeProgram !== 2) {
  console.error('usage: node web/tools/minify.js [--whole-program] SOURCE DESTINATION');
  process.exit(2);
}
main(args.slice(wholeProgram), wholeProgram).catch((error) => {
  console.error(error);
  process.exit(1);
});
