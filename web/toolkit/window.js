// The web toolkit's window, timer and lifecycle: the state every part of the toolkit shares, glutInit,
// the timer and redraws as GLUT schedules them, standard output, and an exit that ends the game for good.
// Linked with --js-library after Emscripten's own libraries, so the GLUT entries here replace theirs.
var TorvaleWindow = {
  $Torvale: {
    ended: false,
    timers: [],
    timerDue: null,  // while a timer callback runs: when it was due
    tasks: null,
    frameRequested: false,
    keyboardFunc: 0,
    mouseFunc: 0,
    pointer: {x: 0, y: 0},
    menu: {callback: 0, button: -1, element: null, items: [], swallowed: [false, false, false]},
    // The one finger on the field that the game follows, and whether it is a click still.
    touch: null,
    // The raster position in window pixels, valid or not, and the colour and viewport current when it was set.
    raster: {valid: false, x: 0, y: 0, colour: [1, 1, 1, 1], viewport: [0, 0, 0, 0]},
    viewport: null,
    fonts: null,

    // Every call into the game goes through here: nothing runs after the end, and the end itself
    // (exit inside a key, menu or timer callback) stops there instead of surfacing as a page error.
    call: function(run) {
      if (Torvale.ended) return;
      try {
        run();
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
      }
    },

    // As freeglut takes its menus down with the window, the end closes the menu; nothing reopens it.
    end: function(status) {
      if (Torvale.ended) return;
      Torvale.ended = true;
      Torvale.timers.forEach(clearTimeout);
      Torvale.timers = [];
      if (Torvale.tasks) Torvale.tasks.abort();
      if (Torvale.menu.element) Torvale.menu.element.hidden = true;
      document.body.dataset.exitStatus = String(status);
      if (Module['onExit']) Module['onExit'](status);
    },
  },

  // The game's connection to the page: every listener of the toolkit, once, on the canvas and the page.
  glutInit__deps: ['$Torvale', '$TorvaleInput'],
  glutInit__sig: 'vii',
  glutInit: function(argcp, argv) {
    TorvaleInput.listen();
  },

  // exit() inside the game: no more ticks, frames or input, and the page is told the status.
  exit__deps: ['$Torvale'],
  exit__sig: 'vi',
  exit: function(status) {
    Torvale.end(status);
    throw new ExitStatus(status);
  },

  // Standard output byte by byte to Module.stdout as it is written, so that a line without its newline
  // (the step prompt, the positions) shows at once; standard error to the browser's console.
  fd_write__sig: 'iiiii',
  fd_write: function(fd, iov, iovcnt, pnum) {
    var written = 0;
    for (var i = 0; i < iovcnt; i++) {
      var at = HEAPU32[(iov + 8 * i) >> 2], length = HEAPU32[(iov + 8 * i + 4) >> 2];
      var bytes = HEAPU8.subarray(at, at + length);
      if (fd == 1 && Module['stdout']) bytes.forEach(function(byte) { Module['stdout'](byte); });
      else if (length) (fd == 1 ? out : err)(UTF8ArrayToString(bytes, 0, length).replace(/\n$/, ''));
      written += length;
    }
    HEAPU32[pnum >> 2] = written;
    return 0;
  },

  // Armed as a task of the highest priority where the browser has a scheduler: it wakes closer to its
  // deadline than a plain timer, as freeglut's does. A timer armed from a callback that the page woke
  // late (busy drawing or laying out, or a slow phone) or early (whole milliseconds) is due msec after
  // the time that callback was due, not after now, so the page's error is not added to every tick; but
  // never before now, so a page back after a long while gets one callback, not a burst of them. The end
  // aborts whatever is pending.
  glutTimerFunc__deps: ['$Torvale'],
  glutTimerFunc__sig: 'viii',
  glutTimerFunc: function(msec, func, value) {
    if (Torvale.ended) return;
    var now = performance.now();
    var due = (Torvale.timerDue === null ? now : Math.max(Torvale.timerDue, now - msec)) + msec;
    var run = function() {
      Torvale.timerDue = due;
      try {
        Torvale.call(function() { {{{ makeDynCall('vi', 'func') }}}(value); });
      } finally {
        Torvale.timerDue = null;
      }
    };
    var delay = Math.round(due - now);  // the browser takes whole milliseconds
    if (typeof scheduler != 'undefined' && scheduler.postTask) {
      Torvale.tasks = Torvale.tasks || new TaskController({priority: 'user-blocking'});
      scheduler.postTask(run, {delay: delay, signal: Torvale.tasks.signal}).catch(function() {});
    } else {
      var timer = setTimeout(function() {
        Torvale.timers.splice(Torvale.timers.indexOf(timer), 1);
        run();
      }, delay);
      Torvale.timers.push(timer);
    }
  },

  // As GLUT does, the frame is drawn once the current callback is done (however many redraws it asked
  // for), not at the next animation frame: so the tick's 20 ms, armed at its end, take in the drawing
  // and never wait for a frame drawn in between; the browser shows the canvas at its next refresh.
  glutPostRedisplay__deps: ['$Torvale', '$GLUT'],
  glutPostRedisplay__sig: 'v',
  glutPostRedisplay: function() {
    if (Torvale.ended || Torvale.frameRequested || !GLUT.displayFunc) return;
    Torvale.frameRequested = true;
    queueMicrotask(function() {
      Torvale.frameRequested = false;
      Torvale.call(function() { {{{ makeDynCall('v', 'GLUT.displayFunc') }}}(); });
    });
  },
};

autoAddDeps(TorvaleWindow, '$Torvale');
mergeInto(LibraryManager.library, TorvaleWindow);
