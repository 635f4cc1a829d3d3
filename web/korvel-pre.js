// korvel-pre.js -- the page's side of the browser shell, run before the game: the player's files kept
// in the browser's storage (IndexedDB), the lines on the page, the first key that starts the sound,
// and controllers that connect.
var Module = typeof Module != 'undefined' ? Module : {};

(function () {
  // The player's home in the page's file system: the game saves under it (files.h) and the
  // browser's storage keeps it between visits.
  var HOME = '/home/player';
  var CONFIG = HOME + '/.config/korvel';
  var byId = function (id) { return document.getElementById(id); };
  var say = function (text) { byId('status').textContent = text; };

  Module.canvas = byId('canvas');
  Module.print = function (text) { console.log(text); };
  Module.printErr = function (text) { console.warn(text); };
  Module.setStatus = function (text) { if (text) say(text); };
  Module.soundsStarted = 0;

  // One copy into the storage at a time; a request meanwhile makes one more afterwards. Each
  // request's done runs once the storage holds everything written before it.
  var syncing = false, again = false, next = [];
  Module.keepSaves = function (done) {
    if (done) next.push(done);
    if (syncing) { again = true; return; }
    syncing = true;
    again = false;
    var kept = next;
    next = [];
    FS.syncfs(false, function (error) {
      syncing = false;
      if (error) console.warn('korvel: the browser did not keep the saves: ' + error);
      kept.forEach(function (f) { f(); });
      if (again) Module.keepSaves();
    });
  };

  Module.preRun = Module.preRun || [];
  Module.preRun.push(function () {
    ENV.HOME = HOME;
    FS.mkdirTree(HOME);
    FS.mount(IDBFS, {}, HOME);
    addRunDependency('saves');
    FS.syncfs(true, function (error) {
      if (error) console.warn('korvel: the browser gave back no saves: ' + error);
      removeRunDependency('saves');
    });
    // Chromium numbers these keys (; = -) apart from the other browsers, whose numbers SDL knows.
    SDL.keyCodes[186] = 59;
    SDL.keyCodes[187] = 61;
    SDL.keyCodes[189] = 45;
    // Counts the sounds started, for the tests and the curious.
    var play = SDL.playWebAudio;
    SDL.playWebAudio = function (audio) { Module.soundsStarted++; return play.call(SDL, audio); };
  });

  // What the game does is also said on the console, where the tests follow it.
  // The sound's state is said once per page, though the game may start again after Escape.
  var soundFollowed = false;
  Module.gameStarted = function () {
    say('');
    Module.startedAt = performance.now();
    Module.canvas.focus();
    if (SDL.audioContext && !soundFollowed) SDL.audioContext.addEventListener('statechange', function () {
      console.log('korvel: sound ' + SDL.audioContext.state);
    });
    soundFollowed = true;
    console.log('korvel: started after ' + Math.round(Module.startedAt) + ' ms');
  };
  Module.gameEnded = function () {
    say('Korvel has ended. Press a key or tap to play again.');
    Module.keepSaves(function () { console.log('korvel: ended, saves kept'); });
  };

  // The bench's scenes in place of the game: ?bench times them, ?picture=K draws the compared picture.
  var query = new URLSearchParams(location.search);
  Module.benchRequested = query.has('bench');
  Module.pictureFrames = Number(query.get('picture')) || 0;
  Module.benchResults = [];
  Module.benchResult = function (name, fps) {
    Module.benchResults.push({ name: name, fps: fps });
    say(Module.benchResults.map(function (r) { return r.name + ': ' + r.fps.toFixed(1) + ' fps'; }).join(' | '));
  };
  Module.benchDone = function () { Module.benchFinished = true; };
  Module.pictureDrawn = function (rgba, width, height) {
    Module.picture = { rgba: rgba, width: width, height: height };
  };

  // The browser shows a controller only once a button is pressed: the game looks again then.
  var padsChanged = false;
  window.addEventListener('gamepadconnected', function () { padsChanged = true; });
  window.addEventListener('gamepaddisconnected', function () { padsChanged = true; });
  Module.takePadsChanged = function () { var was = padsChanged; padsChanged = false; return was; };

  // The browser lets sound start only after a key or a click; SDL resumes its audio then.
  Module.audioState = function () { return SDL.audioContext ? SDL.audioContext.state : 'none'; };
  var soundStarts = function () {
    byId('sound-line').remove();
    window.removeEventListener('keydown', soundStarts, true);
    window.removeEventListener('mousedown', soundStarts, true);
    window.removeEventListener('touchend', soundStarts, true);
  };
  window.addEventListener('keydown', soundStarts, true);
  window.addEventListener('mousedown', soundStarts, true);
  window.addEventListener('touchend', soundStarts, true);

  // A tuner's own file replaces the player's copy, which the game reads at start: kept, then the page
  // starts again with it.
  var install = function (input, name) {
    byId(input).addEventListener('change', function (event) {
      var file = event.target.files[0];
      event.target.value = '';
      if (!file) return;
      file.arrayBuffer().then(function (bytes) {
        var problem = Module.fileProblem(name, new Uint8Array(bytes));
        if (problem) {
          say('Korvel cannot use ' + file.name + ': ' + problem + '. Your ' + name + ' in force stays.');
          console.log('korvel: refused ' + name + ': ' + problem);
          return;
        }
        FS.mkdirTree(CONFIG);
        FS.writeFile(CONFIG + '/' + name, new Uint8Array(bytes));
        Module.keepSaves(function () { location.reload(); });
      }, function (error) { say('Korvel cannot read ' + file.name + ': ' + error); });
    });
  };
  install('level-file', 'level.txt');
  install('controls-file', 'controls.txt');
  byId('defaults').addEventListener('click', function (event) {
    event.preventDefault();
    ['level.txt', 'controls.txt'].forEach(function (name) {
      try { FS.unlink(CONFIG + '/' + name); } catch (e) { /* none of the player's own */ }
    });
    Module.keepSaves(function () { location.reload(); });
  });
})();
