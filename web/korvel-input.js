// korvel-input.js -- the page's side of playing, run before the game after korvel-pre.js: fingers
// handed to the game, the keys the game does not use left to the browser, fullscreen, a hidden
// page paused and silent, how to play with the input seen, the frame rate with ?fps, the game
// started again after Escape, and a level or controls file the game cannot use refused.
(function () {
  var byId = function (id) { return document.getElementById(id); };
  var canvas = byId('canvas'), stage = byId('stage');
  // Set while the game's loop runs (not before it starts, nor after Escape).
  var running = false;

  // How to play, for the input last seen.
  var HOW_TO_PLAY = {
    keys: 'Keys: arrows fly, / or Z fires, P pauses, Escape ends; Enter or Space chooses in the menu. ' +
          'Player 2: W A S D, B fires.',
    touch: 'Touch: slide a finger anywhere and the ship follows its movement; it fires while a finger is ' +
           'down. Tap a menu entry to choose it; the corner button pauses.',
    pad: 'Pad: stick or d-pad flies, A fires and chooses, Start pauses; a second pad flies player 2.',
  };
  var seen = '';
  var tellHowToPlay = function (input) {
    if (input === seen) return;
    seen = input;
    byId('how-to-play').textContent = HOW_TO_PLAY[input];
    document.body.classList.toggle('touch', input === 'touch');
  };
  tellHowToPlay(matchMedia('(pointer: coarse)').matches && !matchMedia('(pointer: fine)').matches ? 'touch' : 'keys');
  window.addEventListener('gamepadconnected', function () { tellHowToPlay('pad'); });

  // The sound may start at a tap too (a touch's end is the gesture browsers count).
  var startSound = function () {
    if (!document.hidden && SDL.audioContext && SDL.audioContext.state === 'suspended') SDL.audioContext.resume();
  };

  // Fullscreen: the browser grants it only inside a key or click handler.
  var toggleFullscreen = function () {
    if (document.fullscreenElement) document.exitFullscreen();
    else stage.requestFullscreen().catch(function (e) { console.warn('korvel: no fullscreen: ' + e); });
  };
  var fullscreenWanted = false;
  Module.fullscreenAtFirstGesture = function () { fullscreenWanted = true; };
  Module.toggleFullscreen = toggleFullscreen;
  var gesture = function () {
    if (fullscreenWanted) toggleFullscreen();
    fullscreenWanted = false;
  };
  document.addEventListener('fullscreenchange', function () {
    console.log('korvel: fullscreen ' + (document.fullscreenElement ? 'on' : 'off'));
    if (running) _korvel_fullscreen_changed(document.fullscreenElement ? 1 : 0);
  });
  byId('fullscreen').addEventListener('click', function (event) {
    event.preventDefault();
    toggleFullscreen();
  });

  // After Escape a key or a tap starts the game again, at the title menu.
  var restart = function () {
    if (running || !Module.gameEndedOnce) return false;
    _korvel_restart();
    return true;
  };

  // Keys: F11 and Alt+Enter switch fullscreen here; keys the game does not use never reach its
  // SDL, which would cancel them, so the browser keeps reload, zoom, tab, history and its tools.
  window.addEventListener('keydown', function (event) {
    gesture();
    if (event.key === 'F11' || (event.key === 'Enter' && event.altKey)) {
      event.preventDefault();
      event.stopPropagation();
      toggleFullscreen();
      return;
    }
    if (!running) {
      // The key that starts the game again is not the game's: the new title menu never sees it.
      if (!event.repeat && restart()) {
        event.preventDefault();
        event.stopPropagation();
      }
      return;
    }
    if (_korvel_game_key(SDL.lookupKeyCodeForEvent(event), event.ctrlKey, event.altKey, event.metaKey)) tellHowToPlay('keys');
    else event.stopPropagation();
  }, true);

  // Fingers, in the canvas's pixels. The canvas's element spans the stage and shows its picture
  // letterboxed (object-fit: contain): a finger on the bars counts too, beyond the picture's edge.
  var fingers = function (kind) {
    return function (event) {
      event.preventDefault();
      tellHowToPlay('touch');
      if (kind === 2) {
        gesture();
        startSound();
        if (restart()) return;
      }
      if (!running) return;
      var box = canvas.getBoundingClientRect();
      var scale = Math.min(box.width / canvas.width, box.height / canvas.height);
      var left = box.left + (box.width - canvas.width * scale) / 2;
      var top = box.top + (box.height - canvas.height * scale) / 2;
      for (var i = 0; i < event.changedTouches.length; i++) {
        var t = event.changedTouches[i];
        _korvel_touch(kind, t.identifier, (t.clientX - left) / scale, (t.clientY - top) / scale);
      }
    };
  };
  [['touchstart', 0], ['touchmove', 1], ['touchend', 2], ['touchcancel', 2]].forEach(function (e) {
    canvas.addEventListener(e[0], fingers(e[1]), { passive: false });
  });
  byId('pause-button').addEventListener('click', function () { if (running) _korvel_toggle_pause(); });

  // A hidden page pauses the game and its sound; shown again, the sound plays on and the game waits
  // for the player to resume it.
  var soundWasRunning = false;
  document.addEventListener('visibilitychange', function () {
    if (!running) return;
    var audio = SDL.audioContext;
    if (document.hidden) {
      _korvel_page_hidden();
      soundWasRunning = audio && audio.state === 'running';
      if (audio) audio.suspend();
      console.log('korvel: hidden, paused');
    } else if (audio && soundWasRunning) {
      audio.resume();
    }
  });

  // The tab's title stays "Korvel"; with ?fps the frame rate of the game's caption shows in a corner.
  var showFps = new URLSearchParams(location.search).has('fps');
  var fpsShown = '';
  Module.preRun.push(function () {
    setWindowTitle = function (caption) {
      var fps = showFps && /FPS: ([0-9.]+)/.exec(caption);
      if (!fps || fps[1] === fpsShown) return;
      fpsShown = fps[1];
      byId('fps').textContent = Math.round(Number(fps[1])) + ' fps';
    };
  });

  // The game runs: Emscripten's SDL polls the pads only when SDL_Init asked for the joystick (the
  // game asks in SDL_InitSubSystem, which it ignores).
  var started = Module.gameStarted, ended = Module.gameEnded;
  Module.gameStarted = function () {
    running = true;
    SDL.initFlags |= 0x200;
    started();
  };
  Module.gameEnded = function () {
    running = false;
    Module.gameEndedOnce = true;
    ended();
  };

  // What is wrong with a level.txt or controls.txt the player offers (bytes), or '' when the game
  // can use it.
  Module.fileProblem = function (name, bytes) {
    var offered = '/tmp/korvel-offered.txt';
    FS.writeFile(offered, bytes);
    var problem = ccall('korvel_file_problem', 'string', ['string', 'string'], [name, offered]);
    FS.unlink(offered);
    return problem;
  };
})();
