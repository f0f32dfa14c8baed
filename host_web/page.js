// The page: a canvas that fills the window, the scene set up once for its
// size in device pixels and told of every new size, 100 animation steps a
// second whatever the display's rate, drawn at a smaller size and stretched
// where the full size cannot keep that rate, full screen on request and left
// again on input, as a screen saver ends. Served from a web site, it keeps
// itself for visits without a network (service-worker.js).
//
//   index.html               the flame
//   index.html?fps           with frames and steps per second, and the
//                            drawing scale below 1, in the bottom-left corner
//   index.html?awake         the display kept on while the page is shown
//   index.html?frames=N      test mode: N steps at once, the last one drawn;
//                            with fps, steps per second in that corner
//   index.html?frames=N&state  and the scene's state as JSON in <pre id="state">
(function() {
  'use strict';

  var kMouseThreshold = 50;   // pixels on either axis, as the Windows saver's default
  var kStepsPerTask = 20000;  // test mode: steps run before the page may respond again
  var kQuietRunMs = 1000;     // test mode: a run shows its progress once it has taken this long

  var canvas = document.getElementById('flame');
  var message = document.getElementById('message');

  // Text made fit to show, by the rules of the Linux programs' messages
  // (cli/printable.h): the backslash doubled; line feed, tab and carriage
  // return as \n, \t, \r; the other C0 controls and DEL as \xHH; C1 controls,
  // the bidirectional controls, the line and paragraph separators and lone
  // surrogates (a string's stand-in for what is not UTF-8) as \u{HEX}; beyond
  // 200 characters the first and last 100, with the cut marked.
  function printable(text) {
    var named = {'\\': '\\\\', '\n': '\\n', '\t': '\\t', '\r': '\\r'};
    var shown = Array.from(String(text), function(c) {
      var code = c.codePointAt(0);
      if (named[c]) {
        return named[c];
      }
      if (code < 0x20 || code === 0x7f) {
        return '\\x' + ('0' + code.toString(16)).slice(-2);
      }
      if ((code >= 0x80 && code <= 0x9f) || code === 0x61c || code === 0x200e || code === 0x200f ||
          (code >= 0x202a && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069) ||
          code === 0x2028 || code === 0x2029 || (code >= 0xd800 && code <= 0xdfff)) {
        return '\\u{' + code.toString(16) + '}';
      }
      return c;
    });
    if (shown.length > 200) {
      var cut = shown.length - 200;
      shown.splice(100, cut, '\\[' + cut + (cut === 1 ? ' character cut]' : ' characters cut]'));
    }
    return shown.join('');
  }

  // Shows a line of text; returns it as shown.
  function say(text) {
    message.textContent = printable(text);
    message.hidden = false;
    return message.textContent;
  }

  // The query's options, or an error text for one that cannot be used.
  function readOptions(search) {
    var query = new URLSearchParams(search);
    var options = {frames: null, state: query.has('state'), fps: query.has('fps'), awake: query.has('awake'),
                   error: null};
    if (query.has('frames')) {
      var text = query.get('frames');
      var n = Number(text);
      if (!/^[0-9]+$/.test(text)) {
        options.error = 'frames=' + text + ' is not a whole number of frames (0 or more).';
      } else if (!Number.isSafeInteger(n)) {
        // Above 2^53 - 1 a JavaScript number no longer counts every step.
        options.error = 'frames=' + text + ' is too large: at most ' + Number.MAX_SAFE_INTEGER + '.';
      }
      options.frames = n;
    } else if (options.state) {
      options.error = 'state needs frames=N: the state is written after N steps of the test mode.';
    }
    return options;
  }

  // The canvas's size in device pixels: exact where the browser reports it,
  // else its size in CSS pixels times the device pixel ratio.
  function deviceSize(entry) {
    if (entry && entry.devicePixelContentBoxSize) {
      var box = entry.devicePixelContentBoxSize[0];
      return [box.inlineSize, box.blockSize];
    }
    var rect = canvas.getBoundingClientRect();
    var ratio = window.devicePixelRatio || 1;
    return [Math.round(rect.width * ratio), Math.round(rect.height * ratio)];
  }

  function isFullScreen() {
    return !!(document.fullscreenElement || document.webkitFullscreenElement);
  }

  function callQuietly(owner, names) {
    for (var i = 0; i < names.length; ++i) {
      if (typeof owner[names[i]] === 'function') {
        var result = owner[names[i]]();
        // A refusal (no user gesture, or not allowed here) changes nothing.
        if (result && typeof result.catch === 'function') {
          result.catch(function() {});
        }
        return;
      }
    }
  }

  // A click or a key asks for full screen; in full screen a key, a click or
  // a mouse movement of more than kMouseThreshold pixels on either axis from
  // where the pointer was first seen leaves it.
  function watchInput() {
    var origin = null;
    function toggle() {
      if (isFullScreen()) {
        callQuietly(document, ['exitFullscreen', 'webkitExitFullscreen']);
      } else {
        callQuietly(document.documentElement, ['requestFullscreen', 'webkitRequestFullscreen']);
      }
    }
    ['fullscreenchange', 'webkitfullscreenchange'].forEach(function(name) {
      document.addEventListener(name, function() { origin = null; });
    });
    window.addEventListener('keydown', function(event) {
      if (event.repeat) {
        return;
      }
      // While the page is in a window, modifier keys and shortcuts held with
      // them, Escape, Tab and the function keys belong to the browser; in
      // full screen every key leaves.
      var browserKey = event.ctrlKey || event.altKey || event.metaKey || /^F[0-9]+$/.test(event.key) ||
          ['Control', 'Alt', 'Meta', 'Shift', 'AltGraph', 'OS', 'Escape', 'Tab'].indexOf(event.key) >= 0;
      if (isFullScreen() || !browserKey) {
        toggle();
      }
    });
    window.addEventListener('click', toggle);
    window.addEventListener('mousemove', function(event) {
      if (!isFullScreen()) {
        return;
      }
      if (origin === null) {
        origin = [event.screenX, event.screenY];
        return;
      }
      if (Math.abs(event.screenX - origin[0]) > kMouseThreshold ||
          Math.abs(event.screenY - origin[1]) > kMouseThreshold) {
        callQuietly(document, ['exitFullscreen', 'webkitExitFullscreen']);
      }
    });
  }

  // ?awake: the screen wake lock, asked for whenever the page is shown, as
  // the browser releases it each time the page is hidden. A refusal is said
  // in one line, and the flame goes on; a lock taken later clears the line.
  function keepAwake() {
    if (window.isSecureContext === false) {
      say('?awake: browsers keep the display on only for a page served over HTTPS, or from this machine.');
      return;
    }
    if (!navigator.wakeLock || typeof navigator.wakeLock.request !== 'function') {
      say('?awake: this browser cannot keep the display on (it has no screen wake lock).');
      return;
    }
    var held = false;
    var asking = false;
    var refusal = null;  // the line said, while it is shown
    function ask() {
      if (held || asking || document.visibilityState !== 'visible') {
        return;
      }
      asking = true;
      navigator.wakeLock.request('screen').then(function(lock) {
        asking = false;
        held = !lock.released;
        lock.addEventListener('release', function() {
          held = false;
        });
        if (message.textContent === refusal) {
          message.hidden = true;
        }
        refusal = null;
      }, function(error) {
        asking = false;
        refusal = say('?awake: the browser would not keep the display on: ' + error.message);
      });
    }
    document.addEventListener('visibilitychange', ask);
    ask();
  }

  // Served over HTTP(S), the page registers its service worker once it has
  // loaded, so that the worker's fetches do not compete with the page's own.
  // Opened from a file, where no worker can run, it is as it was.
  function keepForOffline() {
    if (!('serviceWorker' in navigator) || !/^https?:$/.test(window.location.protocol)) {
      return;
    }
    function register() {
      navigator.serviceWorker.register('service-worker.js').catch(function(error) {
        console.warn('Cindral: the page is not kept for visits without a network: ' + error);
      });
    }
    if (document.readyState === 'complete') {
      register();
    } else {
      window.addEventListener('load', register);
    }
  }

  function start(module, gl, options) {
    var ready = true;  // false while the context is lost
    var device = deviceSize(null);
    // The share of the device pixels, per axis, that the drawing buffer has;
    // the canvas's style stretches it to fill the view. A still picture is
    // drawn at full size.
    var scale = 1;

    // Gives the canvas its share of the device pixels and returns the
    // drawing buffer's size, which the browser may make smaller than asked
    // for.
    function fit() {
      var width = Math.max(1, Math.round(device[0] * scale));
      var height = Math.max(1, Math.round(device[1] * scale));
      if (canvas.width !== width || canvas.height !== height) {
        canvas.width = width;
        canvas.height = height;
        // Without a GPU the browser's compositor stretches the canvas on the
        // processor, and a smoothed stretch to 3840x2160 costs as much as a
        // frame at 60 a second may take; the nearest pixel costs half that.
        canvas.style.imageRendering = scale < 1 ? 'pixelated' : '';
      }
      return [gl.drawingBufferWidth, gl.drawingBufferHeight];
    }

    module.attachWebGl(gl);
    var size = fit();
    module._cindral_start(size[0], size[1]);

    // A new size clears the canvas; a still picture is drawn again.
    var still = options.frames !== null;
    function refit() {
      var width = canvas.width;
      var height = canvas.height;
      var buffer = fit();
      if (canvas.width === width && canvas.height === height) {
        return;
      }
      module._cindral_resize(buffer[0], buffer[1]);
      if (still) {
        module._cindral_redraw();
      }
    }
    function resized(entry) {
      var size = deviceSize(entry);
      if (size[0] === device[0] && size[1] === device[1]) {
        return;
      }
      device = size;
      module._cindral_view_changed();
      refit();
    }
    if (typeof ResizeObserver === 'function') {
      var observer = new ResizeObserver(function(entries) { resized(entries[entries.length - 1]); });
      try {
        observer.observe(canvas, {box: 'device-pixel-content-box'});
      } catch (e) {
        observer.observe(canvas);
      }
    } else {
      window.addEventListener('resize', function() { resized(null); });
    }

    canvas.addEventListener('webglcontextlost', function(event) {
      event.preventDefault();  // asks for the context back
      ready = false;
    });
    canvas.addEventListener('webglcontextrestored', function() {
      module.attachWebGl(gl);
      module._cindral_context_restored();
      ready = true;
      if (still) {
        module._cindral_redraw();
      }
    });

    function reportUnsupported() {
      var call = module.UTF8ToString(module._cindral_unsupported_gl_call());
      if (call) {
        console.warn('Cindral: the scene called ' + call + ', which this page does not draw.');
      }
    }

    if (options.frames !== null) {
      runTestMode(module, options, reportUnsupported);
      return;
    }

    var fps = document.getElementById('fps');
    fps.hidden = !options.fps;
    var firstFrame = true;
    var shown = [0, 0, 1];  // frames and steps a second, and the scale, as the corner shows them
    function showRates() {
      var rate = module._cindral_frames_per_second();
      var steps = module._cindral_steps_per_second();
      if (rate === shown[0] && steps === shown[1] && scale === shown[2]) {
        return;
      }
      shown = [rate, steps, scale];
      fps.textContent = rate.toFixed(1) + ' fps, ' + Math.round(steps) + ' steps/s' +
          (scale < 1 ? ', scale ' + scale.toFixed(2) : '');
    }
    function tick(now) {
      window.requestAnimationFrame(tick);
      // The module runs 10 ms steps as the time since the last frame calls
      // for; a frame with none due keeps the picture it has.
      var steps = ready ? module._cindral_steps_due(now) : 0;
      if (steps === 0) {
        return;
      }
      var wanted = module._cindral_draw_scale();
      if (wanted !== scale) {
        scale = wanted;
        refit();
      }
      module._cindral_steps(steps, 1);
      if (firstFrame) {
        firstFrame = false;
        reportUnsupported();
      }
      if (options.fps) {
        showRates();
      }
    }
    window.requestAnimationFrame(tick);
  }

  // N steps without pacing, a few thousand per task so that the page stays
  // responsive; the last one is drawn. A run that takes longer than
  // kQuietRunMs shows its progress in the title. With fps the corner shows
  // the steps computed per second, the one speed this mode has: it draws a
  // single frame.
  function runTestMode(module, options, reportUnsupported) {
    var done = 0;
    var started = window.performance.now();
    var rate = document.getElementById('fps');
    rate.hidden = !options.fps;
    function showRate(now) {
      if (options.fps && now > started) {
        rate.textContent = Math.round(done * 1000 / (now - started)) + ' steps/s';
      }
    }
    document.title = 'Cindral: running ' + options.frames + ' steps';
    function runSome() {
      var count = Math.min(kStepsPerTask, options.frames - done);
      done += count;
      module._cindral_steps(count, done === options.frames ? 1 : 0);
      var now = window.performance.now();
      showRate(now);
      if (done < options.frames) {
        if (now - started >= kQuietRunMs) {
          document.title = 'Cindral: ' + done + ' of ' + options.frames + ' steps';
        }
        window.setTimeout(runSome, 0);
        return;
      }
      reportUnsupported();
      if (options.state) {
        var state = document.getElementById('state');
        state.textContent = module.UTF8ToString(module._cindral_state_json());
        state.hidden = false;
      }
      document.title = 'Cindral: ' + options.frames + ' steps';
    }
    runSome();
  }

  keepForOffline();
  var options = readOptions(window.location.search);
  if (options.error) {
    say(options.error);
    return;
  }
  if (typeof WebAssembly !== 'object' || typeof createCindralModule !== 'function') {
    say('Cindral cannot run here: this browser has no WebAssembly, or the page could not load its ' +
        'program (cindral.js).');
    return;
  }
  var attributes = {alpha: false, depth: false, stencil: false, antialias: false,
                    preserveDrawingBuffer: false};
  var gl = canvas.getContext('webgl', attributes) || canvas.getContext('experimental-webgl', attributes);
  if (!gl) {
    say('Cindral draws its flame with WebGL, which this browser does not offer or has turned off.');
    return;
  }
  // Full screen needs nothing of the module, and a click made while it still
  // loads must count too.
  if (options.frames === null) {
    watchInput();
    if (options.awake) {
      keepAwake();
    }
  }
  createCindralModule().then(function(module) {
    start(module, gl, options);
  }).catch(function(error) {
    say('Cindral could not start: ' + error);
  });
})();
