// korvel-runs.js -- the page and the score server it came from, run before the game after
// korvel-input.js: once a run has entered the game's score table, the offer to send it there (only
// when that server answers, and nothing sent without the player's choice), the name's secret kept in
// the browser, and the run's state followed; and a verified run watched in the game (?watch=).
(function () {
  'use strict';
  var byId = function (id) { return document.getElementById(id); };
  // The server's own limit on a replay; a longer answer is not read further.
  var MAX_REPLAY_BYTES = 256 * 1024;
  // A sent run's state is asked this often (ms), at most this many times.
  var POLL_MS = 2000, MOST_POLLS = 150;
  // Where a kept name's secret is kept (localStorage), by name.
  var SECRET_KEY = 'korvel-secret:';
  // The server's API, beside the page wherever the server serves it.
  var API = 'api/';
  var WATCHED_FILE = '/tmp/korvel-watched.korvel-replay';

  var offer = byId('run-offer'), sendButton = byId('send-run'), runState = byId('run-state');
  // The run on offer: { name, score, path }, or null.
  var offered = null;

  // The run's line on the page: its text, and a link after it when given ([address, text]). Names
  // and reasons only ever go in as text.
  var tell = function (text, link) {
    runState.textContent = text;
    if (!link) return;
    var a = document.createElement('a');
    a.href = link[0];
    a.textContent = link[1];
    runState.append(' ', a);
  };
  var say = function (text) { console.log('korvel: ' + text); };

  // An answer's bytes, reading no more than the most a replay may have.
  var boundedBytes = function (response) {
    var reader = response.body.getReader(), parts = [], size = 0;
    var more = function () {
      return reader.read().then(function (chunk) {
        if (chunk.done) {
          var bytes = new Uint8Array(size), at = 0;
          parts.forEach(function (p) { bytes.set(p, at); at += p.length; });
          return bytes;
        }
        size += chunk.value.length;
        if (size > MAX_REPLAY_BYTES) {
          reader.cancel();
          throw new Error('the answer is over 256 KB');
        }
        parts.push(chunk.value);
        return more();
      });
    };
    return more();
  };

  // The server's JSON answer (status and value), read within the bound; a page that is not the
  // server's (a static host's) gives a null value.
  var ask = function (address, options) {
    return fetch(address, Object.assign({ cache: 'no-store' }, options)).then(function (response) {
      return boundedBytes(response).then(function (bytes) {
        var value = null;
        try { value = JSON.parse(new TextDecoder().decode(bytes)); } catch (e) { /* not the server's */ }
        return { status: response.status, value: value };
      });
    });
  };

  var secretOf = function (name) {
    try { return localStorage.getItem(SECRET_KEY + name); } catch (e) { return null; }
  };
  var keepSecret = function (name, secret) {
    try { localStorage.setItem(SECRET_KEY + name, secret); } catch (e) { say('the browser keeps no secret'); }
  };

  // The game's name entry has put a run in the table: offered once the server answers. The promise
  // is settled once the page knows.
  Module.runEnteredTable = function (name, score, path) {
    offered = null;
    offer.hidden = true;
    return ask(API + 'status').then(function (answer) {
      if (!answer.value || answer.value.server !== 'korvel-scores') return;
      offered = { name: name, score: score, path: path };
      sendButton.textContent = 'send ' + name + "'s " + score + ' to the world scores';
      offer.hidden = false;
      runState.textContent = '';
      say('a run may be sent to the score server');
    }, function () { /* no server here: nothing is offered */ });
  };

  // Follows a sent run until it is checked, asking at most MOST_POLLS times.
  var follow = function (id, polls) {
    var page = ['runs/' + id, 'its page'];
    var again = function () {
      if (polls + 1 >= MOST_POLLS) return tell('Run ' + id + ' still waits to be checked.', page);
      tell('Run ' + id + ' waits to be checked...');
      setTimeout(follow, POLL_MS, id, polls + 1);
    };
    ask(API + 'runs/' + id).then(function (answer) {
      var run = answer.value;
      if (!run || run.state === 'waiting') return again();
      if (run.state === 'verified') {
        tell('Run ' + id + ' verified: ' + run.score + ' points.', page);
        say('run ' + id + ' verified: ' + run.score);
      } else {
        tell('Run ' + id + ' refused: ' + run.reason + '.', page);
        say('run ' + id + ' refused: ' + run.reason);
      }
    }, again);
  };

  var send = function () {
    var run = offered;
    offered = null;
    offer.hidden = true;
    Module.canvas.focus();
    if (!run) return;
    var bytes;
    try { bytes = FS.readFile(run.path); } catch (e) { return tell('The run\'s replay cannot be read.'); }
    if (bytes.length > MAX_REPLAY_BYTES) return tell('The run\'s replay is over 256 KB, more than the server takes.');
    var form = new FormData();
    form.append('replay', new Blob([bytes]), 'run.korvel-replay');
    form.append('name', run.name);
    var secret = secretOf(run.name);
    form.append(secret ? 'secret' : 'keep', secret || '1');
    tell('Sending the run...');
    ask(API + 'runs', { method: 'POST', body: form }).then(function (answer) {
      var taken = answer.value || {};
      if (answer.status !== 202) {
        tell('The score server did not take the run: ' + (taken.error || 'it answered ' + answer.status) + '.');
        say('run not taken: ' + taken.error);
        return;
      }
      if (taken.secret) keepSecret(run.name, taken.secret);
      say('run ' + taken.id + ' sent');
      follow(taken.id, 0);
    }, function (error) { tell('The score server cannot be reached: ' + error.message); });
  };
  sendButton.addEventListener('click', send);
  // Enter and Space on the button are the button's: the game (listening on the document) never
  // sees them, nor cancels them (the browser presses a button at Enter's keypress, Space's keyup).
  ['keydown', 'keypress', 'keyup'].forEach(function (type) {
    sendButton.addEventListener(type, function (event) {
      if (event.key === 'Enter' || event.key === ' ') event.stopPropagation();
    });
  });

  // ?watch=ADDRESS: a verified run from this page's own server, played in the game as soon as both
  // its replay and the game are there, then back to the title menu.
  var watchAddress = new URLSearchParams(location.search).get('watch');
  var watched = null, gameRunning = false;
  // The game's last word on standard error: why a replay cannot be played.
  var lastProblem = '';
  var printErr = Module.printErr;
  Module.printErr = function (text) { lastProblem = text; printErr(text); };

  var startWatch = function () {
    if (!watched || !gameRunning) return;
    var bytes = watched;
    watched = null;
    FS.writeFile(WATCHED_FILE, bytes);
    if (!ccall('korvel_watch', 'number', ['string'], [WATCHED_FILE])) {
      lastProblem = lastProblem.replace(WATCHED_FILE + ': ', '');
      tell('Korvel cannot play this run: ' + lastProblem + '.');
      say('cannot watch: ' + lastProblem);
      return;
    }
    tell('Watching a run from the score server; Escape leaves it.');
    say('watching ' + watchAddress);
  };
  Module.watchEnded = function () {
    tell('The run you watched has ended.', ['scores', 'the scores']);
    say('watched run ended');
  };

  if (watchAddress !== null) {
    var url = null;
    try { url = new URL(watchAddress, location.href); } catch (e) { /* said below */ }
    if (!url || url.origin !== location.origin) {
      tell('Korvel plays runs from its own server only.');
    } else {
      tell('Fetching the run...');
      fetch(url.href, { cache: 'no-store' }).then(function (response) {
        return boundedBytes(response).then(function (bytes) {
          if (response.ok) return bytes;
          var reason = 'the server answered ' + response.status;
          try { reason = JSON.parse(new TextDecoder().decode(bytes)).error || reason; } catch (e) { /* not JSON */ }
          throw new Error(reason);
        });
      }).then(function (bytes) {
        watched = bytes;
        tell('The run will play once the game is there.');
        startWatch();
      }, function (error) {
        tell('Korvel cannot fetch the run to watch: ' + error.message + '.');
        say('cannot fetch the run: ' + error.message);
      });
    }
  }

  var started = Module.gameStarted;
  Module.gameStarted = function () {
    started();
    gameRunning = !Module.benchRequested && !Module.pictureFrames;
    // After the game's start-up, outside it.
    setTimeout(startWatch, 0);
  };
  var ended = Module.gameEnded;
  Module.gameEnded = function () {
    gameRunning = false;
    ended();
  };
})();
