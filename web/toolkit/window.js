// The web toolkit's window, timer and lifecycle: the state every part of the toolkit shares, the window
// (the page's canvas, its frames drawn by canvas_gl.js), the timer and redraws as GLUT schedules them,
// standard output, and an exit that ends the game for good.
// Linked with --js-library after Emscripten's own libraries, so the GLUT entries here replace theirs. Entries
// stay function expressions: Emscripten names each by rewriting its 'function('.
const TorvaleWindow = {
  $Torvale: {
    ended: false,
    timers: [],
    tasks: null,
    frameRequested: false,
    displayFunc: 0,
    keyboardFunc: 0,
    specialFunc: 0,
    specialUpFunc: 0,
    mouseFunc: 0,
    pointer: {x: 0, y: 0},
    menu: {callback: 0, button: -1, element: null, items: [], swallowed: [false, false, false]},
    // The one finger on the field that the game follows, and whether it is a click still.
    touch: null,
    window: {width: 300, height: 300},  // GLUT's size for a window that asks for none
    fonts: null,

    // Every call into the game goes through here: nothing runs after the end, and the end itself
    // (exit inside a key, menu or timer callback) stops there instead of surfacing as a page error.
    call: (run) => {
      if (Torvale.ended) return;
      try {
        run();
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
      }
    },

    // Runs run after delay whole milliseconds: as a task of the highest priority where the browser has a
    // scheduler, which wakes closer to its deadline than a plain timer, as freeglut's does; else a timer.
    // The end aborts whatever is pending.
    after: (delay, run) => {
      if (typeof scheduler != 'undefined' && scheduler.postTask) {
        Torvale.tasks = Torvale.tasks || new TaskController({priority: 'user-blocking'});
        scheduler.postTask(run, {delay, signal: Torvale.tasks.signal}).catch(() => {});
      } else {
        const timer = setTimeout(() => {
          Torvale.timers.splice(Torvale.timers.indexOf(timer), 1);
          run();
        }, delay);
        Torvale.timers.push(timer);
      }
    },

    // As freeglut takes its menus down with the window, the end closes the menu; nothing reopens it.
    end: (status) => {
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
  glutInit: function(argcp, argv) {
    TorvaleInput.listen();
  },

  // Always a double-buffered RGB window: the frame is drawn out of sight and shown whole at the swap.
  glutInitDisplayMode: function(mode) {},

  // The page places the window.
  glutInitWindowPosition: function(x, y) {},

  glutInitWindowSize: function(width, height) {
    Torvale.window = {width, height};
  },

  // The page's canvas is the window, and the page's title and heading are its title. Where the browser gives
  // no 2D canvas, the page says so in place of the field, and the game goes on in the console alone.
  glutCreateWindow__deps: ['$Torvale', '$CanvasGL'],
  glutCreateWindow: function(title) {
    document.title = document.getElementById('title').textContent = UTF8ToString(title);
    CanvasGL.attach(Module['canvas'], Torvale.window.width, Torvale.window.height);
    if (!CanvasGL.context) document.getElementById('no-canvas').hidden = false;
    return 1;
  },

  glutDisplayFunc: function(func) {
    Torvale.displayFunc = func;
  },

  glutSwapBuffers__deps: ['$CanvasGL'],
  glutSwapBuffers: function() {
    CanvasGL.present();
  },

  // As GLUT does for a game without a reshape callback, the viewport is the whole window; then the first
  // frame. The page's own event loop runs the game from here, so main never returns.
  glutMainLoop__deps: ['$Torvale', 'glViewport', 'glutPostRedisplay'],
  glutMainLoop: function() {
    _glViewport(0, 0, Torvale.window.width, Torvale.window.height);
    _glutPostRedisplay();
    throw 'unwind';
  },

  // exit() inside the game: no more ticks, frames or input, and the page is told the status.
  exit__deps: ['$Torvale'],
  exit: function(status) {
    Torvale.end(status);
    throw new ExitStatus(status);
  },

  // Standard output byte by byte to Module.stdout as it is written, so that a line without its newline
  // (the step prompt, the positions) shows at once; standard error to the browser's console.
  fd_write: function(fd, iov, iovcnt, pnum) {
    let written = 0;
    for (let i = 0; i < iovcnt; i++) {
      const at = HEAPU32[(iov + 8 * i) >> 2], length = HEAPU32[(iov + 8 * i + 4) >> 2];
      const bytes = HEAPU8.subarray(at, at + length);
      if (fd == 1 && Module['stdout']) bytes.forEach((byte) => Module['stdout'](byte));
      else if (length) (fd == 1 ? out : err)(UTF8ArrayToString(bytes, 0, length).replace(/\n$/, ''));
      written += length;
    }
    HEAPU32[pnum >> 2] = written;
    return 0;
  },

  // As GLUT's, the callback comes no sooner than msec after this call, and one that the page woke late
  // (busy drawing or laying out, or a slow phone) is not made up for: the game runs slower, as it does on
  // a slow machine, and a page back after a long while gets one callback. Browsers may wake a timer up to
  // a millisecond early by the page's own clock (Firefox's whole milliseconds): it then waits out the rest.
  glutTimerFunc__deps: ['$Torvale'],
  glutTimerFunc: function(msec, func, value) {
    if (Torvale.ended) return;
    const armed = performance.now();
    const wake = () => {
      // A microsecond is below every engine's clock resolution: a shortfall within it is rounding.
      const left = msec - (performance.now() - armed);
      if (left > 0.001) Torvale.after(Math.ceil(left), wake);
      else Torvale.call(() => {{{ makeDynCall('vi', 'func') }}}(value));
    };
    Torvale.after(msec, wake);
  },

  // As GLUT does, the frame is drawn once the current callback is done (however many redraws it asked
  // for), not at the next animation frame: so the tick's 20 ms, armed at its end, take in the drawing
  // and never wait for a frame drawn in between; the browser shows the canvas at its next refresh.
  glutPostRedisplay: function() {
    if (Torvale.ended || Torvale.frameRequested || !Torvale.displayFunc) return;
    Torvale.frameRequested = true;
    queueMicrotask(() => {
      Torvale.frameRequested = false;
      Torvale.call(() => {{{ makeDynCall('v', 'Torvale.displayFunc') }}}());
    });
  },
};

autoAddDeps(TorvaleWindow, '$Torvale');
mergeInto(LibraryManager.library, TorvaleWindow);
