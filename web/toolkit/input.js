// The web toolkit's input: keys from the whole page, clicks and touches from the canvas alone, the right-button
// menu as an HTML pop-up, and the pause when the page is put away. GLUT's setters here only store a function.
const TorvaleInputLibrary = {
  $TorvaleInput__deps: ['$Torvale'],
  $TorvaleInput: {
    // GLUT numbers the left, middle and right buttons 0, 1 and 2, as the DOM does.
    GLUT_DOWN: 0,
    GLUT_UP: 1,
    LAST_BUTTON: 2,
    LONG_PRESS_MS: 500,
    STILL_PX: 10,
    // GLUT's codes for the keys without a character, as the page names them; the function keys stay the
    // browser's own shortcuts (reload, find, full screen).
    SPECIAL: {ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103, PageUp: 104, PageDown: 105,
              Home: 106, End: 107, Insert: 108},
    // The special keys pressed for the game and not yet released: each gets its release, wherever it happens.
    held: {},
    // What takes keys for itself: the menu, and the page's buttons, links and fields.
    CONTROLS: '[role="menu"], button, a[href], input, select, textarea, [contenteditable]',

    // Window pixels, origin at the top left as GLUT gives them, from a mouse event or a touch on the
    // canvas, through whatever size the page shows the canvas at.
    track: (event) => {
      const canvas = Module['canvas'];
      const box = canvas.getBoundingClientRect();
      Torvale.pointer.x = Math.floor((event.clientX - box.left) * canvas.width / box.width);
      Torvale.pointer.y = Math.floor((event.clientY - box.top) * canvas.height / box.height);
    },

    // A key through the game's keyboard callback, as if typed on the canvas.
    key: (character) => {
      const code = character.charCodeAt(0);
      if (code > 255 || !Torvale.keyboardFunc) return;
      Torvale.call(() => {
        {{{ makeDynCall('viii', 'Torvale.keyboardFunc') }}}(code, Torvale.pointer.x, Torvale.pointer.y);
      });
    },

    // A special key pressed (again while held, as freeglut repeats by default) or released, by its name.
    specialKey: (name, down) => {
      const func = down ? Torvale.specialFunc : Torvale.specialUpFunc;
      if (!func) return;
      Torvale.call(() => {
        {{{ makeDynCall('viii', 'func') }}}(TorvaleInput.SPECIAL[name], Torvale.pointer.x, Torvale.pointer.y);
      });
    },

    mouseEvent: (button, state) => {
      if (button > TorvaleInput.LAST_BUTTON || !Torvale.mouseFunc) return;
      Torvale.call(() => {
        {{{ makeDynCall('viiii', 'Torvale.mouseFunc') }}}(button, state, Torvale.pointer.x, Torvale.pointer.y);
      });
    },

    click: () => {
      TorvaleInput.mouseEvent(0, TorvaleInput.GLUT_DOWN);
      TorvaleInput.mouseEvent(0, TorvaleInput.GLUT_UP);
    },

    closeMenu: () => {
      const menu = Torvale.menu;
      if (menu.element.hidden) return;
      menu.element.hidden = true;
      if (!Torvale.ended) Module['canvas'].focus();
    },

    // At the pointer or finger (page coordinates), just off it, so that releasing the button that opened
    // the menu picks nothing; moved back into view where it would stick out of the page.
    openMenu: (clientX, clientY) => {
      const element = Torvale.menu.element;
      element.hidden = false;
      const origin = element.offsetParent.getBoundingClientRect();
      const width = element.offsetWidth, height = element.offsetHeight;
      const right = document.documentElement.clientWidth, bottom = document.documentElement.clientHeight;
      const x = Math.max(0, Math.min(clientX + 2, right - width));
      let y = clientY + 2;
      if (y + height > bottom) y = Math.max(0, clientY - 2 - height);
      element.style.left = (x - origin.left) + 'px';
      element.style.top = (y - origin.top) + 'px';
      Torvale.menu.items[0].focus();
    },

    pick: (item) => {
      const value = Number(item.dataset.value);
      TorvaleInput.closeMenu();
      Torvale.call(() => {{{ makeDynCall('vi', 'Torvale.menu.callback') }}}(value));
    },

    // The menu's element, empty and hidden until the game adds its entries and the right button opens it.
    listenToMenu: () => {
      const menu = Torvale.menu;
      const element = menu.element = document.createElement('div');
      element.className = 'glut-menu';
      element.setAttribute('role', 'menu');
      element.hidden = true;
      Module['canvas'].insertAdjacentElement('afterend', element);
      element.addEventListener('contextmenu', (event) => event.preventDefault());
      // Picks happen on release; pressing must neither move the focus nor count as a click elsewhere.
      element.addEventListener('mousedown', (event) => event.preventDefault());
      element.addEventListener('mouseup', (event) => {
        const item = event.target.closest('[role="menuitem"]');
        if (item) TorvaleInput.pick(item);
      });
      // A tap on an entry picks it; the touch makes no mouse events, so nothing else sees it.
      element.addEventListener('touchstart', (event) => event.preventDefault(), {passive: false});
      element.addEventListener('touchend', (event) => {
        const touch = event.changedTouches[0];
        const under = document.elementFromPoint(touch.clientX, touch.clientY);
        const item = under && element.contains(under) && under.closest('[role="menuitem"]');
        if (item) TorvaleInput.pick(item);
      });
      element.addEventListener('mouseover', (event) => {
        const item = event.target.closest('[role="menuitem"]');
        if (item) item.focus();
      });
      element.addEventListener('keydown', (event) => {
        const at = menu.items.indexOf(document.activeElement);
        const count = menu.items.length;
        if (event.key == 'ArrowDown') menu.items[(at + 1) % count].focus();
        else if (event.key == 'ArrowUp') menu.items[(at - 1 + count) % count].focus();
        else if (event.key == 'Home') menu.items[0].focus();
        else if (event.key == 'End') menu.items[count - 1].focus();
        else if ((event.key == 'Enter' || event.key == ' ') && at >= 0) TorvaleInput.pick(menu.items[at]);
        else if (event.key == 'Escape' || event.key == 'Tab') TorvaleInput.closeMenu();
        else return;
        event.preventDefault();
      });
      element.addEventListener('focusout', (event) => {
        if (!element.contains(event.relatedTarget)) TorvaleInput.closeMenu();
      });
      // A press anywhere else closes the menu, and neither it nor its release reaches the game.
      document.addEventListener('mousedown', (event) => {
        if (element.hidden || element.contains(event.target)) return;
        TorvaleInput.closeMenu();
        if (event.target == Module['canvas']) {
          menu.swallowed[event.button] = true;
          event.stopPropagation();
          event.preventDefault();
        }
      }, true);
      // So does a touch elsewhere; one on the canvas is dealt with there, as no click.
      document.addEventListener('touchstart', (event) => {
        if (!element.hidden && !element.contains(event.target) && event.target != Module['canvas']) {
          TorvaleInput.closeMenu();
        }
      }, true);
    },

    // A tap on the field is a left click, press and release; a finger held still for half a second opens
    // the menu at it instead, and a swipe does nothing. The page neither scrolls, zooms nor opens its menu.
    touchStart: (event) => {
      event.preventDefault();
      Module['canvas'].focus();
      const first = event.changedTouches[0];
      if (Torvale.touch || Torvale.ended) return;
      const touch = Torvale.touch = {id: first.identifier, x: first.clientX, y: first.clientY, click: true};
      if (!Torvale.menu.element.hidden) {
        TorvaleInput.closeMenu();
        touch.click = false;
      } else if (Torvale.menu.button >= 0) {
        touch.timer = setTimeout(() => {
          touch.click = false;
          TorvaleInput.openMenu(touch.x, touch.y);
        }, TorvaleInput.LONG_PRESS_MS);
      }
    },

    touchMove: (event) => {
      const touch = Torvale.touch;
      for (const moved of event.changedTouches) {
        if (!touch || moved.identifier != touch.id) continue;
        if (Math.hypot(moved.clientX - touch.x, moved.clientY - touch.y) <= TorvaleInput.STILL_PX) continue;
        clearTimeout(touch.timer);  // a swipe: neither a long press nor a tap
        touch.click = false;
      }
    },

    touchEnd: (event) => {
      const touch = Torvale.touch;
      for (const lifted of event.changedTouches) {
        if (!touch || lifted.identifier != touch.id) continue;
        clearTimeout(touch.timer);
        Torvale.touch = null;
        const box = Module['canvas'].getBoundingClientRect();
        const inside = lifted.clientX >= box.left && lifted.clientX < box.right &&
                       lifted.clientY >= box.top && lifted.clientY < box.bottom;
        if (event.type == 'touchend' && touch.click && inside) {
          TorvaleInput.track(lifted);
          TorvaleInput.click();
        }
      }
    },

    // Presses and releases on the canvas only: a release elsewhere on the page is not the game's.
    listenToCanvas: () => {
      const canvas = Module['canvas'];
      canvas.addEventListener('contextmenu', (event) => event.preventDefault());
      canvas.addEventListener('mousemove', TorvaleInput.track);
      canvas.addEventListener('touchstart', TorvaleInput.touchStart, {passive: false});
      canvas.addEventListener('touchmove', TorvaleInput.touchMove);
      canvas.addEventListener('touchend', TorvaleInput.touchEnd);
      canvas.addEventListener('touchcancel', TorvaleInput.touchEnd);
      canvas.addEventListener('mousedown', (event) => {
        TorvaleInput.track(event);
        canvas.focus();
        event.preventDefault();
        if (event.button == Torvale.menu.button) {
          TorvaleInput.openMenu(event.clientX, event.clientY);
        } else {
          TorvaleInput.mouseEvent(event.button, TorvaleInput.GLUT_DOWN);
        }
      });
      canvas.addEventListener('mouseup', (event) => {
        TorvaleInput.track(event);
        if (Torvale.menu.swallowed[event.button]) {
          Torvale.menu.swallowed[event.button] = false;
        } else if (event.button != Torvale.menu.button) {
          TorvaleInput.mouseEvent(event.button, TorvaleInput.GLUT_UP);
        }
      });
      document.addEventListener('mouseup', (event) => {
        if (event.target != canvas) Torvale.menu.swallowed[event.button] = false;
      });
      canvas.addEventListener('keydown', (event) => {
        if (event.key != 'ContextMenu' && !(event.key == 'F10' && event.shiftKey)) return;
        const box = canvas.getBoundingClientRect();
        TorvaleInput.openMenu(box.left + box.width / 2, box.top + box.height / 2);
        event.preventDefault();
      });
    },

    // The page is the game's window: its keys count wherever the player last clicked (the field, the
    // console, the page around them), once each, unless a control of the page has them.
    listenToKeys: () => {
      document.addEventListener('keydown', (event) => {
        if (event.target.closest && event.target.closest(TorvaleInput.CONTROLS)) return;
        // Browser shortcuts stay the browser's.
        if (event.ctrlKey || event.altKey || event.metaKey) return;
        if (TorvaleInput.SPECIAL[event.key] && Torvale.specialFunc) {
          event.preventDefault();  // nor do the arrows scroll the page
          TorvaleInput.held[event.key] = true;
          TorvaleInput.specialKey(event.key, true);
          return;
        }
        // Characters, as GLUT's keyboard callback has them.
        if (event.key.length != 1 || event.key.charCodeAt(0) > 255 || !Torvale.keyboardFunc) return;
        event.preventDefault();
        TorvaleInput.key(event.key);
      });
      document.addEventListener('keyup', (event) => {
        if (!TorvaleInput.held[event.key]) return;
        delete TorvaleInput.held[event.key];
        TorvaleInput.specialKey(event.key, false);
      });
    },

    // Every listener of the game's input, attached once, from glutInit. The page's own controls (touch,
    // gamepads) send keys through Module.pressKey and Module.specialKey, as typed keys do.
    listen: () => {
      TorvaleInput.listenToMenu();
      TorvaleInput.listenToCanvas();
      TorvaleInput.listenToKeys();
      Module['pressKey'] = TorvaleInput.key;
      Module['specialKey'] = TorvaleInput.specialKey;
      // A hidden page gets few ticks or none, so when the page goes out of sight while the game runs freely
      // (not paused, no single step under way), it pauses as P would, until the player continues.
      document.addEventListener('visibilitychange', () => {
        if (document.hidden && !Torvale.ended && Module['_torvaleRunsFreely']()) TorvaleInput.key('p');
      });
    },
  },

  // Emscripten names a library's entries by rewriting 'function(': they stay function expressions.
  glutKeyboardFunc: function(func) {
    Torvale.keyboardFunc = func;
  },

  glutSpecialFunc: function(func) {
    Torvale.specialFunc = func;
  },

  glutSpecialUpFunc: function(func) {
    Torvale.specialUpFunc = func;
  },

  glutMouseFunc: function(func) {
    Torvale.mouseFunc = func;
  },

  // One menu, as the game has: its entries go into the pop-up that glutInit made.
  glutCreateMenu: function(callback) {
    Torvale.menu.callback = callback;
    return 1;
  },

  glutAddMenuEntry: function(label, value) {
    const item = document.createElement('div');
    item.setAttribute('role', 'menuitem');
    item.tabIndex = -1;
    item.textContent = UTF8ToString(label);
    item.dataset.value = value;
    Torvale.menu.element.appendChild(item);
    Torvale.menu.items.push(item);
  },

  glutAttachMenu: function(button) {
    Torvale.menu.button = button;
  },
};

autoAddDeps(TorvaleInputLibrary, '$Torvale');
mergeInto(LibraryManager.library, TorvaleInputLibrary);
