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
  // Where the page itself last scrolled the view to. Its scroll event comes a frame later, when more text may
  // have made the console longer: a view still there has not been moved by the player.
  let ownTop = 0;
  view.addEventListener('scroll', () => {
    following = view.scrollTop === ownTop || view.scrollTop + view.clientHeight >= view.scrollHeight - 2;
    if (!following) ownTop = -1;
  });
  // A block out of view keeps the height it had when last laid out. One that grew meanwhile (lines written
  // while the player had scrolled up) takes its true height only a frame or two after it is back in view:
  // the view then follows the end again.
  const heights = new ResizeObserver(() => following && followEnd());

  function followEnd() {
    view.scrollTop = view.scrollHeight;
    ownTop = view.scrollTop;
  }

  function show() {
    if (!pendingBytes.length) return;
    const text = decoder.decode(new Uint8Array(pendingBytes), {stream: true});
    pendingBytes = [];
    for (let start = 0; start < text.length;) {
      if (!block || linesInBlock === LINES_PER_BLOCK) {
        block = view.appendChild(document.createElement('span'));
        heights.observe(block);
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
    // At once, not left to the observer alone: with the observer alone, Firefox's view stayed short of the
    // end after a long write.
    if (following) followEnd();
  }

  // Bytes written within one task show together, once it is done.
  function write(byte) {
    if (!pendingBytes.length) queueMicrotask(show);
    pendingBytes.push(byte & 0xff);
  }

  return {write, show};
})();
