// The page's console: the game's standard output, byte by byte, so that a line without its newline shows
// at once. The text lives in blocks of whole lines, and only the newest block grows.
'use strict';
const torvaleConsole = (() => {
  const LINES_PER_BLOCK = 100;
  const view = document.getElementById('console');
  const decoder = new TextDecoder();
  let pendingBytes = [];
  let block = null;
  let linesInBlock = 0;
  let following = true;  // the view follows the newest text until the player scrolls up
  view.addEventListener('scroll', () => {
    following = view.scrollTop + view.clientHeight >= view.scrollHeight - 2;
  });

  function show() {
    if (!pendingBytes.length) return;
    const text = decoder.decode(new Uint8Array(pendingBytes), {stream: true});
    pendingBytes = [];
    for (let start = 0; start < text.length;) {
      if (!block || linesInBlock === LINES_PER_BLOCK) {
        block = view.appendChild(document.createElement('span'));
        block.appendChild(document.createTextNode(''));
        linesInBlock = 0;
      }
      let end = start;
      while (end < text.length && linesInBlock < LINES_PER_BLOCK) {
        const newline = text.indexOf('\n', end);
        if (newline < 0) {
          end = text.length;
        } else {
          end = newline + 1;
          linesInBlock++;
        }
      }
      block.firstChild.appendData(text.slice(start, end));
      start = end;
    }
    if (following) view.scrollTop = view.scrollHeight;
  }

  // Bytes written within one task show together, once it is done.
  function write(byte) {
    if (!pendingBytes.length) queueMicrotask(show);
    pendingBytes.push(byte & 0xff);
  }

  return {write, show};
})();
