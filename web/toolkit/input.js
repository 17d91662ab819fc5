// The web toolkit's input: keys from the whole page, clicks and touches from the canvas alone, the right-button
// menu as an HTML pop-up, and the pause when the page is put away. GLUT's setters here only store a function.
var TorvaleInputLibrary = {
  $TorvaleInput__deps: ['$Torvale'],
  $TorvaleInput: {
    // GLUT numbers the left, middle and right buttons 0, 1 and 2, as the DOM does.
    GLUT_DOWN: 0,
    GLUT_UP: 1,
    LAST_BUTTON: 2,
    LONG_PRESS_MS: 500,
    STILL_PX: 10,
    // What takes keys for itself: the menu, and the page's buttons, links and fields.
    CONTROLS: '[role="menu"], button, a[href], input, select, textarea, [contenteditable]',

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

    mouseEvent: function(button, state) {
      if (button > TorvaleInput.LAST_BUTTON || !Torvale.mouseFunc) return;
      Torvale.call(function() {
        {{{ makeDynCall('viiii', 'Torvale.mouseFunc') }}}(button, state, Torvale.pointer.x, Torvale.pointer.y);
      });
    },

    click: function() {
      TorvaleInput.mouseEvent(0, TorvaleInput.GLUT_DOWN);
      TorvaleInput.mouseEvent(0, TorvaleInput.GLUT_UP);
    },

    closeMenu: function() {
      var menu = Torvale.menu;
      if (menu.element.hidden) return;
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
      TorvaleInput.closeMenu();
      Torvale.call(function() { {{{ makeDynCall('vi', 'Torvale.menu.callback') }}}(value); });
    },

    // The menu's element, empty and hidden until the game adds its entries and the right button opens it.
    listenToMenu: function() {
      var menu = Torvale.menu;
      var element = menu.element = document.createElement('div');
      element.className = 'glut-menu';
      element.setAttribute('role', 'menu');
      element.hidden = true;
      Module['canvas'].insertAdjacentElement('afterend', element);
      element.addEventListener('contextmenu', function(event) { event.preventDefault(); });
      // Picks happen on release; pressing must neither move the focus nor count as a click elsewhere.
      element.addEventListener('mousedown', function(event) { event.preventDefault(); });
      element.addEventListener('mouseup', function(event) {
        var item = event.target.closest('[role="menuitem"]');
        if (item) TorvaleInput.pick(item);
      });
      // A tap on an entry picks it; the touch makes no mouse events, so nothing else sees it.
      element.addEventListener('touchstart', function(event) { event.preventDefault(); }, {passive: false});
      element.addEventListener('touchend', function(event) {
        var touch = event.changedTouches[0];
        var under = document.elementFromPoint(touch.clientX, touch.clientY);
        var item = under && element.contains(under) && under.closest('[role="menuitem"]');
        if (item) TorvaleInput.pick(item);
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
        else if ((event.key == 'Enter' || event.key == ' ') && at >= 0) TorvaleInput.pick(menu.items[at]);
        else if (event.key == 'Escape' || event.key == 'Tab') TorvaleInput.closeMenu();
        else return;
        event.preventDefault();
      });
      element.addEventListener('focusout', function(event) {
        if (!element.contains(event.relatedTarget)) TorvaleInput.closeMenu();
      });
      // A press anywhere else closes the menu, and neither it nor its release reaches the game.
      document.addEventListener('mousedown', function(event) {
        if (element.hidden || element.contains(event.target)) return;
        TorvaleInput.closeMenu();
        if (event.target == Module['canvas']) {
          menu.swallowed[event.button] = true;
          event.stopPropagation();
          event.preventDefault();
        }
      }, true);
      // So does a touch elsewhere; one on the canvas is dealt with there, as no click.
      document.addEventListener('touchstart', function(event) {
        if (!element.hidden && !element.contains(event.target) && event.target != Module['canvas']) {
          TorvaleInput.closeMenu();
        }
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
        TorvaleInput.closeMenu();
        touch.click = false;
      } else if (Torvale.menu.button >= 0) {
        touch.timer = setTimeout(function() {
          touch.click = false;
          TorvaleInput.openMenu(touch.x, touch.y);
        }, TorvaleInput.LONG_PRESS_MS);
      }
    },

    touchMove: function(event) {
      var touch = Torvale.touch;
      Array.prototype.forEach.call(event.changedTouches, function(moved) {
        if (!touch || moved.identifier != touch.id) return;
        if (Math.hypot(moved.clientX - touch.x, moved.clientY - touch.y) <= TorvaleInput.STILL_PX) return;
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
        TorvaleInput.track(lifted);
        TorvaleInput.click();
      });
    },

    // Presses and releases on the canvas only: a release elsewhere on the page is not the game's.
    listenToCanvas: function() {
      var canvas = Module['canvas'];
      canvas.addEventListener('contextmenu', function(event) { event.preventDefault(); });
      canvas.addEventListener('mousemove', TorvaleInput.track);
      canvas.addEventListener('touchstart', TorvaleInput.touchStart, {passive: false});
      canvas.addEventListener('touchmove', TorvaleInput.touchMove);
      canvas.addEventListener('touchend', TorvaleInput.touchEnd);
      canvas.addEventListener('touchcancel', TorvaleInput.touchEnd);
      canvas.addEventListener('mousedown', function(event) {
        TorvaleInput.track(event);
        canvas.focus();
        event.preventDefault();
        if (event.button == Torvale.menu.button) {
          TorvaleInput.openMenu(event.clientX, event.clientY);
        } else {
          TorvaleInput.mouseEvent(event.button, TorvaleInput.GLUT_DOWN);
        }
      });
      canvas.addEventListener('mouseup', function(event) {
        TorvaleInput.track(event);
        if (Torvale.menu.swallowed[event.button]) {
          Torvale.menu.swallowed[event.button] = false;
        } else if (event.button != Torvale.menu.button) {
          TorvaleInput.mouseEvent(event.button, TorvaleInput.GLUT_UP);
        }
      });
      document.addEventListener('mouseup', function(event) {
        if (event.target != canvas) Torvale.menu.swallowed[event.button] = false;
      });
      canvas.addEventListener('keydown', function(event) {
        if (event.key != 'ContextMenu' && !(event.key == 'F10' && event.shiftKey)) return;
        var box = canvas.getBoundingClientRect();
        TorvaleInput.openMenu(box.left + box.width / 2, box.top + box.height / 2);
        event.preventDefault();
      });
    },

    // The page is the game's window: its keys count wherever the player last clicked (the field, the
    // console, the page around them), once each, unless a control of the page has them.
    listenToKeys: function() {
      document.addEventListener('keydown', function(event) {
        if (event.target.closest && event.target.closest(TorvaleInput.CONTROLS)) return;
        // Characters only, as GLUT's keyboard callback has them; browser shortcuts stay the browser's.
        if (event.ctrlKey || event.altKey || event.metaKey || event.key.length != 1) return;
        if (event.key.charCodeAt(0) > 255 || !Torvale.keyboardFunc) return;
        event.preventDefault();
        TorvaleInput.key(event.key);
      });
    },

    // Every listener of the game's input, attached once, from glutInit. The page's own controls (touch)
    // send keys through Module.pressKey, as typed keys do.
    listen: function() {
      TorvaleInput.listenToMenu();
      TorvaleInput.listenToCanvas();
      TorvaleInput.listenToKeys();
      Module['pressKey'] = TorvaleInput.key;
      // A hidden page gets few ticks or none, so when the page goes out of sight while the game runs freely
      // (not paused, no single step under way), it pauses as P would, until the player continues.
      document.addEventListener('visibilitychange', function() {
        if (document.hidden && !Torvale.ended && Module['_torvaleRunsFreely']()) TorvaleInput.key('p');
      });
    },
  },

  glutKeyboardFunc__sig: 'vi',
  glutKeyboardFunc: function(func) {
    Torvale.keyboardFunc = func;
  },

  glutMouseFunc__sig: 'vi',
  glutMouseFunc: function(func) {
    Torvale.mouseFunc = func;
  },

  // One menu, as the game has: its entries go into the pop-up that glutInit made.
  glutCreateMenu__sig: 'ii',
  glutCreateMenu: function(callback) {
    Torvale.menu.callback = callback;
    return 1;
  },

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

  glutAttachMenu__sig: 'vi',
  glutAttachMenu: function(button) {
    Torvale.menu.button = button;
  },
};

autoAddDeps(TorvaleInputLibrary, '$Torvale');
mergeInto(LibraryManager.library, TorvaleInputLibrary);
