// The GLUT that Torvale calls, on the page: the window is the canvas (its frames drawn by canvas_gl.js),
// bitmap text, the right-button menu, keys, clicks and touches taken from the canvas alone, a pause when
// the page is put away, and an exit that ends the game for good.
// Linked with --js-library after Emscripten's own libraries, so the GLUT entries here replace theirs.
var TorvaleToolkit = {
  $Torvale__deps: ['$CanvasGL'],
  $Torvale: {
    ended: false,
    timers: [],
    timerDue: null,  // while a timer callback runs: when it was due
    tasks: null,
    frameRequested: false,
    displayFunc: 0,
    keyboardFunc: 0,
    mouseFunc: 0,
    pointer: {x: 0, y: 0},
    window: {width: 300, height: 300},  // GLUT's size for a window that asks for none
    fonts: null,
    menu: {callback: 0, button: -1, element: null, items: [], swallowed: [false, false, false]},
    // The one finger on the field that the game follows, and whether it is a click still.
    touch: null,
    LONG_PRESS_MS: 500,
    STILL_PX: 10,

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

    end: function(status) {
      if (Torvale.ended) return;
      Torvale.ended = true;
      Torvale.timers.forEach(clearTimeout);
      Torvale.timers = [];
      if (Torvale.tasks) Torvale.tasks.abort();
      Torvale.closeMenu();
      document.body.dataset.exitStatus = String(status);
      if (Module['onExit']) Module['onExit'](status);
    },

    // Window pixels, origin at the top left as GLUT gives them, from a mouse event or a touch on the
    // canvas, through whatever size the page shows the canvas at.
    track: function(event) {
      var canvas = Module['canvas'];
      var box = canvas.getBoundingClientRect();
      Torvale.pointer.x = Math.floor((event.clientX - box.left) * canvas.width / box.width);
      Torvale.pointer.y = Math.floor((event.clientY - box.top) * canvas.height / box.height);
    },

    // A key through the game's keyboard callback, as if typed on the canvas.
    key: function(character) {
      var code = character.charCodeAt(0);
      if (code > 255 || !Torvale.keyboardFunc) return;
      Torvale.call(function() {
        {{{ makeDynCall('viii', 'Torvale.keyboardFunc') }}}(code, Torvale.pointer.x, Torvale.pointer.y);
      });
    },

    // The glyphs of a font, decoded on first use: each one's width and where its bitmap starts in bytes.
    font: function(number) {
      if (!Torvale.fonts) Torvale.fonts = torvaleGlyphs.map(Torvale.decodeFont);
      return Torvale.fonts[number];
    },

    decodeFont: function(font) {
      var bytes = Uint8Array.from(atob(font.faces), function(c) { return c.charCodeAt(0); });
      var glyphs = [];
      for (var at = 0, character = 0; character < 256; character++) {
        var width = bytes[at++];
        glyphs.push({width: width, at: at});
        at += ((width + 7) >> 3) * font.height;
      }
      return {height: font.height, xorig: font.xorig, yorig: font.yorig, bytes: bytes, glyphs: glyphs};
    },

    closeMenu: function() {
      var menu = Torvale.menu;
      if (!menu.element || menu.element.hidden) return;
      menu.element.hidden = true;
      if (!Torvale.ended) Module['canvas'].focus();
    },

    // At the pointer or finger (page coordinates), just off it, so that releasing the button that opened
    // the menu picks nothing; moved back into view where it would stick out of the page.
    openMenu: function(clientX, clientY) {
      var element = Torvale.menu.element;
      element.hidden = false;
      var origin = element.offsetParent.getBoundingClientRect();
      var width = element.offsetWidth, height = element.offsetHeight;
      var right = document.documentElement.clientWidth, bottom = document.documentElement.clientHeight;
      var x = Math.max(0, Math.min(clientX + 2, right - width)), y = clientY + 2;
      if (y + height > bottom) y = Math.max(0, clientY - 2 - height);
      element.style.left = (x - origin.left) + 'px';
      element.style.top = (y - origin.top) + 'px';
      Torvale.menu.items[0].focus();
    },

    pick: function(item) {
      var value = Number(item.dataset.value);
      Torvale.closeMenu();
      Torvale.call(function() { {{{ makeDynCall('vi', 'Torvale.menu.callback') }}}(value); });
    },

    buildMenu: function() {
      var menu = Torvale.menu;
      var element = document.createElement('div');
      element.className = 'glut-menu';
      element.setAttribute('role', 'menu');
      element.hidden = true;
      Module['canvas'].insertAdjacentElement('afterend', element);
      menu.element = element;
      element.addEventListener('contextmenu', function(event) { event.preventDefault(); });
      // Picks happen on release; pressing must neither move the focus nor count as a click elsewhere.
      element.addEventListener('mousedown', function(event) { event.preventDefault(); });
      element.addEventListener('mouseup', function(event) {
        var item = event.target.closest('[role="menuitem"]');
        if (item) Torvale.pick(item);
      });
      // A tap on an entry picks it; the touch makes no mouse events, so nothing else sees it.
      element.addEventListener('touchstart', function(event) { event.preventDefault(); }, {passive: false});
      element.addEventListener('touchend', function(event) {
        var touch = event.changedTouches[0];
        var under = document.elementFromPoint(touch.clientX, touch.clientY);
        var item = under && element.contains(under) && under.closest('[role="menuitem"]');
        if (item) Torvale.pick(item);
      });
      element.addEventListener('mouseover', function(event) {
        var item = event.target.closest('[role="menuitem"]');
        if (item) item.focus();
      });
      element.addEventListener('keydown', function(event) {
        var at = menu.items.indexOf(document.activeElement);
        var count = menu.items.length;
        if (event.key == 'ArrowDown') menu.items[(at + 1) % count].focus();
        else if (event.key == 'ArrowUp') menu.items[(at - 1 + count) % count].focus();
        else if (event.key == 'Home') menu.items[0].focus();
        else if (event.key == 'End') menu.items[count - 1].focus();
        else if ((event.key == 'Enter' || event.key == ' ') && at >= 0) Torvale.pick(menu.items[at]);
        else if (event.key == 'Escape' || event.key == 'Tab') Torvale.closeMenu();
        else return;
        event.preventDefault();
      });
      element.addEventListener('focusout', function(event) {
        if (!element.contains(event.relatedTarget)) Torvale.closeMenu();
      });
      // A press anywhere else closes the menu, and neither it nor its release reaches the game.
      document.addEventListener('mousedown', function(event) {
        if (element.hidden || element.contains(event.target)) return;
        Torvale.closeMenu();
        if (event.target == Module['canvas']) {
          menu.swallowed[event.button] = true;
          event.stopPropagation();
          event.preventDefault();
        }
      }, true);
      // So does a touch elsewhere; one on the canvas is dealt with there, as no click.
      document.addEventListener('touchstart', function(event) {
        if (!element.hidden && !element.contains(event.target) && event.target != Module['canvas']) Torvale.closeMenu();
      }, true);
    },

    // A tap on the field is a left click, press and release; a finger held still for half a second opens
    // the menu at it instead, and a swipe does nothing. The page neither scrolls, zooms nor opens its menu.
    touchStart: function(event) {
      event.preventDefault();
      Module['canvas'].focus();
      var first = event.changedTouches[0];
      if (Torvale.touch || Torvale.ended) return;
      var touch = Torvale.touch = {id: first.identifier, x: first.clientX, y: first.clientY, click: true};
      if (!Torvale.menu.element.hidden) {
        Torvale.closeMenu();
        touch.click = false;
      } else if (Torvale.menu.button >= 0) {
        touch.timer = setTimeout(function() {
          touch.click = false;
          Torvale.openMenu(touch.x, touch.y);
        }, Torvale.LONG_PRESS_MS);
      }
    },

    touchMove: function(event) {
      var touch = Torvale.touch;
      Array.prototype.forEach.call(event.changedTouches, function(moved) {
        if (!touch || moved.identifier != touch.id) return;
        if (Math.hypot(moved.clientX - touch.x, moved.clientY - touch.y) <= Torvale.STILL_PX) return;
        clearTimeout(touch.timer);  // a swipe: neither a long press nor a tap
        touch.click = false;
      });
    },

    touchEnd: function(event) {
      var touch = Torvale.touch;
      Array.prototype.forEach.call(event.changedTouches, function(lifted) {
        if (!touch || lifted.identifier != touch.id) return;
        clearTimeout(touch.timer);
        Torvale.touch = null;
        var box = Module['canvas'].getBoundingClientRect();
        var inside = lifted.clientX >= box.left && lifted.clientX < box.right &&
                     lifted.clientY >= box.top && lifted.clientY < box.bottom;
        if (event.type != 'touchend' || !touch.click || !inside) return;
        Torvale.track(lifted);
        Torvale.mouseEvent(0, 0 /* GLUT_DOWN */);
        Torvale.mouseEvent(0, 1 /* GLUT_UP */);
      });
    },

    // A hidden page gets few ticks or none, so when the page goes out of sight while the game runs freely
    // (not paused, no single step under way), it pauses as P would, until the player continues.
    pauseWhenHidden: function() {
      document.addEventListener('visibilitychange', function() {
        if (document.hidden && !Torvale.ended && Module['_torvaleRunsFreely']()) Torvale.key('p');
      });
    },

    // Presses and releases on the canvas only: a release elsewhere on the page is not the game's.
    listenToCanvas: function() {
      var canvas = Module['canvas'];
      if (canvas.dataset.torvaleListening) return;
      canvas.dataset.torvaleListening = '1';
      canvas.addEventListener('contextmenu', function(event) { event.preventDefault(); });
      canvas.addEventListener('mousemove', Torvale.track);
      canvas.addEventListener('touchstart', Torvale.touchStart, {passive: false});
      canvas.addEventListener('touchmove', Torvale.touchMove);
      canvas.addEventListener('touchend', Torvale.touchEnd);
      canvas.addEventListener('touchcancel', Torvale.touchEnd);
      canvas.addEventListener('mousedown', function(event) {
        Torvale.track(event);
        canvas.focus();
        event.preventDefault();
        if (event.button == Torvale.menu.button && Torvale.menu.element) {
          Torvale.openMenu(event.clientX, event.clientY);
        } else {
          Torvale.mouseEvent(event.button, 0 /* GLUT_DOWN */);
        }
      });
      canvas.addEventListener('mouseup', function(event) {
        Torvale.track(event);
        if (Torvale.menu.swallowed[event.button]) {
          Torvale.menu.swallowed[event.button] = false;
        } else if (event.button != Torvale.menu.button) {
          Torvale.mouseEvent(event.button, 1 /* GLUT_UP */);
        }
      });
      document.addEventListener('mouseup', function(event) {
        if (event.target != canvas) Torvale.menu.swallowed[event.button] = false;
      });
      canvas.addEventListener('keydown', function(event) {
        if (event.key == 'ContextMenu' || (event.key == 'F10' && event.shiftKey)) {
          var box = canvas.getBoundingClientRect();
          if (Torvale.menu.element) Torvale.openMenu(box.left + box.width / 2, box.top + box.height / 2);
          event.preventDefault();
          return;
        }
        // Characters only, as GLUT's keyboard callback has them; browser shortcuts stay the browser's.
        if (event.ctrlKey || event.altKey || event.metaKey || event.key.length != 1) return;
        if (event.key.charCodeAt(0) > 255 || !Torvale.keyboardFunc) return;
        event.preventDefault();
        Torvale.key(event.key);
      });
    },

    // GLUT numbers the left, middle and right buttons 0, 1 and 2, as the DOM does.
    mouseEvent: function(button, state) {
      if (button > 2 || !Torvale.mouseFunc) return;
      Torvale.call(function() {
        {{{ makeDynCall('viiii', 'Torvale.mouseFunc') }}}(button, state, Torvale.pointer.x, Torvale.pointer.y);
      });
    },
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
  glutPostRedisplay__deps: ['$Torvale'],
  glutPostRedisplay__sig: 'v',
  glutPostRedisplay: function() {
    if (Torvale.ended || Torvale.frameRequested || !Torvale.displayFunc) return;
    Torvale.frameRequested = true;
    queueMicrotask(function() {
      Torvale.frameRequested = false;
      Torvale.call(function() { {{{ makeDynCall('v', 'Torvale.displayFunc') }}}(); });
    });
  },

  // The window ----------------------------------------------------------------------------------------
  // The page's canvas is the one window; input is taken from it once the game asks for keys or clicks.
  glutInit__sig: 'vii',
  glutInit: function(argcp, argv) {},

  // Always a double-buffered RGB window: the frame is drawn out of sight and shown whole at the swap.
  glutInitDisplayMode__sig: 'vi',
  glutInitDisplayMode: function(mode) {},

  // The page places the window.
  glutInitWindowPosition__sig: 'vii',
  glutInitWindowPosition: function(x, y) {},

  glutInitWindowSize__deps: ['$Torvale'],
  glutInitWindowSize__sig: 'vii',
  glutInitWindowSize: function(width, height) {
    Torvale.window = {width: width, height: height};
  },

  // The page's title is the window's.
  glutCreateWindow__deps: ['$Torvale', '$CanvasGL'],
  glutCreateWindow__sig: 'ii',
  glutCreateWindow: function(title) {
    CanvasGL.attach(Module['canvas'], Torvale.window.width, Torvale.window.height);
    return 1;
  },

  glutDisplayFunc__deps: ['$Torvale'],
  glutDisplayFunc__sig: 'vi',
  glutDisplayFunc: function(func) {
    Torvale.displayFunc = func;
  },

  glutSwapBuffers__deps: ['$CanvasGL'],
  glutSwapBuffers__sig: 'v',
  glutSwapBuffers: function() {
    CanvasGL.present();
  },

  // As GLUT does for a game without a reshape callback, the viewport is the whole window; then the first
  // frame. The page's own event loop runs the game from here, so main never returns.
  glutMainLoop__deps: ['$Torvale', 'glViewport', 'glutPostRedisplay'],
  glutMainLoop__sig: 'v',
  glutMainLoop: function() {
    _glViewport(0, 0, Torvale.window.width, Torvale.window.height);
    _glutPostRedisplay();
    throw 'unwind';
  },

  glutKeyboardFunc__deps: ['$Torvale'],
  glutKeyboardFunc__sig: 'vi',
  glutKeyboardFunc: function(func) {
    Torvale.keyboardFunc = func;
    Torvale.listenToCanvas();
    // The page's own controls (touch) send keys through here, and so does putting the page away.
    Module['pressKey'] = Torvale.key;
    Torvale.pauseWhenHidden();
  },

  glutMouseFunc__deps: ['$Torvale'],
  glutMouseFunc__sig: 'vi',
  glutMouseFunc: function(func) {
    Torvale.mouseFunc = func;
    Torvale.listenToCanvas();
  },

  // One menu, as the game has: an HTML pop-up beside the canvas, built from the game's own entries.
  glutCreateMenu__deps: ['$Torvale'],
  glutCreateMenu__sig: 'ii',
  glutCreateMenu: function(callback) {
    if (!Torvale.menu.element) Torvale.buildMenu();
    Torvale.menu.callback = callback;
    return 1;
  },

  glutAddMenuEntry__deps: ['$Torvale'],
  glutAddMenuEntry__sig: 'vii',
  glutAddMenuEntry: function(label, value) {
    var item = document.createElement('div');
    item.setAttribute('role', 'menuitem');
    item.tabIndex = -1;
    item.textContent = UTF8ToString(label);
    item.dataset.value = value;
    Torvale.menu.element.appendChild(item);
    Torvale.menu.items.push(item);
  },

  glutAttachMenu__deps: ['$Torvale'],
  glutAttachMenu__sig: 'vi',
  glutAttachMenu: function(button) {
    Torvale.menu.button = button;
    Torvale.listenToCanvas();
  },

  // freeglut's glBitmap of the glyph at the raster position, which moves on by the glyph's width.
  torvaleBitmapCharacter__deps: ['$Torvale', '$CanvasGL'],
  torvaleBitmapCharacter__sig: 'vii',
  torvaleBitmapCharacter: function(fontNumber, character) {
    if (character < 1 || character > 255) return;
    var font = Torvale.font(fontNumber), glyph = font.glyphs[character];
    CanvasGL.bitmap(glyph.width, font.height, font.xorig, font.yorig, glyph.width, 0, font.bytes, glyph.at);
  },
};

autoAddDeps(TorvaleToolkit, '$Torvale');
mergeInto(LibraryManager.library, TorvaleToolkit);
