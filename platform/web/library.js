// The page's side of the web backend (platform/web/backend.cpp): the arena
// canvas, the DOM events the program's message pump collects, the page turns
// the blocking program yields to, the report dialogs, and a few timings the
// page's checks read (StarquellWeb.stats).
var LibraryStarquellWeb = {
  $StarquellWeb__postset: 'StarquellWeb.init();',
  $StarquellWeb: {
    canvas: null,
    context: null,
    events: [],
    boxOpen: false,
    wakeups: [],
    channel: null,
    presentEnd: null,
    stats: {firstFrameMs: null, presents: [], putMs: [], workMs: []},
    LIMIT: 4000,

    init: function() {
      // A zero-delay turn of the page: a message to ourselves is not held back
      // the way nested timers are.
      var channel = new MessageChannel();
      channel.port1.onmessage = function() {
        var wakeUp = StarquellWeb.wakeups.shift();
        if (wakeUp) wakeUp();
      };
      StarquellWeb.channel = channel;
      Module['starquellStats'] = StarquellWeb.stats;
    },

    afterTask: function(wakeUp) {
      StarquellWeb.wakeups.push(wakeUp);
      StarquellWeb.channel.port2.postMessage(0);
    },

    keep: function(list, value) {
      list.push(value);
      if (list.length > StarquellWeb.LIMIT) list.splice(0, list.length - StarquellWeb.LIMIT);
    },

    modifiers: function(e) {
      return (e.altKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.shiftKey ? 4 : 0) | (e.metaKey ? 8 : 0);
    },

    listen: function(canvas) {
      var queue = StarquellWeb.events;
      var mouse = function(kind) {
        return function(e) {
          if (StarquellWeb.boxOpen) return;
          var rect = canvas.getBoundingClientRect();
          queue.push({kind: kind, button: e.button, x: Math.floor(e.clientX - rect.left),
                      y: Math.floor(e.clientY - rect.top), width: Math.round(rect.width),
                      height: Math.round(rect.height), modifiers: StarquellWeb.modifiers(e)});
          e.preventDefault();
        };
      };
      canvas.addEventListener('mousedown', mouse(3));
      canvas.addEventListener('mouseup', mouse(4));
      canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
      var key = function(kind) {
        return function(e) {
          if (StarquellWeb.boxOpen) return;
          queue.push({kind: kind, key: e.key || '', code: e.code || '', repeat: e.repeat ? 1 : 0,
                      modifiers: StarquellWeb.modifiers(e)});
          // The browser's own shortcuts (with Ctrl or Meta, and the function
          // keys) stay the browser's; other keys do not scroll the page.
          if (!e.ctrlKey && !e.metaKey && !/^F[0-9]+$/.test(e.key)) e.preventDefault();
        };
      };
      window.addEventListener('keydown', key(1));
      window.addEventListener('keyup', key(2));
    },
  },

  starquell_web_create_canvas__deps: ['$StarquellWeb'],
  starquell_web_create_canvas: function(title, width, height) {
    var canvas = document.getElementById('arena');
    if (!canvas) {
      canvas = document.createElement('canvas');
      canvas.id = 'arena';
      document.body.appendChild(canvas);
    }
    var context = canvas.getContext('2d', {alpha: false});
    if (!context) return 0;
    canvas.width = width;
    canvas.height = height;
    context.fillStyle = '#000';
    context.fillRect(0, 0, width, height);
    StarquellWeb.canvas = canvas;
    StarquellWeb.context = context;
    document.title = UTF8ToString(title);
    StarquellWeb.listen(canvas);
    return 1;
  },

  starquell_web_show__deps: ['$StarquellWeb'],
  starquell_web_show: function(visible) {
    if (StarquellWeb.canvas) StarquellWeb.canvas.style.visibility = visible ? 'visible' : 'hidden';
  },

  starquell_web_set_title: function(title) {
    document.title = UTF8ToString(title);
  },

  starquell_web_resize__deps: ['$StarquellWeb'],
  starquell_web_resize: function(width, height) {
    var canvas = StarquellWeb.canvas;
    if (!canvas) return;
    canvas.width = width;
    canvas.height = height;
    StarquellWeb.context.fillStyle = '#000';
    StarquellWeb.context.fillRect(0, 0, width, height);
  },

  starquell_web_yield__deps: ['$StarquellWeb', '$Asyncify'],
  starquell_web_yield: function() {
    if (StarquellWeb.presentEnd !== null) {
      StarquellWeb.keep(StarquellWeb.stats.workMs, performance.now() - StarquellWeb.presentEnd);
      StarquellWeb.presentEnd = null;
    }
    return Asyncify.handleSleep(function(wakeUp) { StarquellWeb.afterTask(wakeUp); });
  },

  starquell_web_next_event__deps: ['$StarquellWeb'],
  starquell_web_next_event: function(out) {
    var e = StarquellWeb.events.shift();
    if (!e) return 0;
    HEAPU8.fill(0, out, out + 96);
    var i = out >> 2;
    HEAP32[i] = e.kind;
    HEAP32[i + 1] = e.button || 0;
    HEAP32[i + 2] = e.x || 0;
    HEAP32[i + 3] = e.y || 0;
    HEAP32[i + 4] = e.width || 0;
    HEAP32[i + 5] = e.height || 0;
    HEAP32[i + 6] = e.modifiers || 0;
    HEAP32[i + 7] = e.repeat || 0;
    stringToUTF8(e.key || '', out + 32, 32);
    stringToUTF8(e.code || '', out + 64, 32);
    return 1;
  },

  starquell_web_put__deps: ['$StarquellWeb'],
  starquell_web_put: function(rgba, x, y, width, height) {
    var start = performance.now();
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    StarquellWeb.context.putImageData(new ImageData(pixels, width, height), x, y);
    var end = performance.now();
    var stats = StarquellWeb.stats;
    if (stats.firstFrameMs === null) stats.firstFrameMs = start;
    StarquellWeb.keep(stats.presents, start);
    StarquellWeb.keep(stats.putMs, end - start);
    StarquellWeb.presentEnd = end;
  },

  starquell_web_fill__deps: ['$StarquellWeb'],
  starquell_web_fill: function(x, y, width, height, rgb) {
    var context = StarquellWeb.context;
    if (!context) return;
    context.fillStyle = '#' + (rgb >>> 0).toString(16).padStart(6, '0');
    context.fillRect(x, y, width, height);
  },

  // A task-modal report: the program waits until a button answers it.
  starquell_web_message_box__deps: ['$StarquellWeb', '$Asyncify'],
  starquell_web_message_box: function(text, caption, icon, count, buttons, escapeId) {
    var captionText = UTF8ToString(caption);
    var bodyText = UTF8ToString(text);
    var iconName = UTF8ToString(icon);
    var choices = [];
    for (var i = 0; i < count; ++i) {
      choices.push({id: HEAP32[(buttons >> 2) + 2 * i],
                    label: UTF8ToString(HEAP32[(buttons >> 2) + 2 * i + 1])});
    }
    return Asyncify.handleSleep(function(wakeUp) {
      var box = document.createElement('dialog');
      box.className = 'report' + (iconName ? ' ' + iconName : '');
      var heading = document.createElement('h2');
      heading.className = 'caption';
      heading.textContent = captionText;
      var body = document.createElement('p');
      body.className = 'text';
      body.textContent = bodyText;
      var row = document.createElement('div');
      row.className = 'buttons';
      box.appendChild(heading);
      box.appendChild(body);
      box.appendChild(row);
      var answered = false;
      var answer = function(id) {
        answered = true;
        box.close();
        box.remove();
        StarquellWeb.boxOpen = false;
        wakeUp(id);
      };
      choices.forEach(function(choice, index) {
        var button = document.createElement('button');
        button.type = 'button';
        button.value = String(choice.id);
        button.textContent = choice.label;
        if (index === 0) button.autofocus = true;
        button.addEventListener('click', function() { answer(choice.id); });
        row.appendChild(button);
      });
      box.addEventListener('cancel', function(e) {
        e.preventDefault();
        if (escapeId !== 0) answer(escapeId);
      });
      // A browser may close a dialog on its own (Escape refused once too
      // often): that is the Escape answer, and a box without one stays until
      // a button answers it.
      box.addEventListener('close', function() {
        if (answered) return;
        if (escapeId !== 0) {
          answer(escapeId);
        } else {
          box.showModal();
        }
      });
      document.body.appendChild(box);
      StarquellWeb.boxOpen = true;
      box.showModal();
      var first = row.querySelector('button');
      if (first) first.focus();
    });
  },
};

autoAddDeps(LibraryStarquellWeb, '$StarquellWeb');
mergeInto(LibraryManager.library, LibraryStarquellWeb);
