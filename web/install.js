// install.js -- makes the pages an installable web app that plays offline: the service worker
// (sw.js) keeps every file the games need.
'use strict';
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(function (error) {
    console.warn('korvel: no offline copy: ' + error);
  });
}
