// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the whole site in the browser's cache from the first visit on, so
// that the game opens with no network afterwards. The build writes the
// version (made of every file's contents) and the list of files in.
"use strict";

const VERSION = "@VERSION@";
const FILES = @FILES@;
// One cache per place the site is served from: two copies on one host keep
// their own.
const PREFIX = "quintora:" + self.registration.scope + ":";
const CACHE = PREFIX + VERSION;

self.addEventListener("install", function (event) {
  // Asked anew of the server (a file it has not changed comes back as "not
  // modified"), never taken from an older copy in the browser's cache.
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    return cache.addAll(FILES.map(function (f) { return new Request(f, { cache: "no-cache" }); }));
  }).then(function () { return self.skipWaiting(); }));
});

// A new version takes over at once and drops the caches of the ones before.
// A page of the old version still open checks every wave it gets against
// what it expects, so a newer wave is never mixed into it.
self.addEventListener("activate", function (event) {
  event.waitUntil(caches.keys().then(function (keys) {
    return Promise.all(keys.filter(function (k) { return k.startsWith(PREFIX) && k !== CACHE; })
      .map(function (k) { return caches.delete(k); }));
  }).then(function () { return self.clients.claim(); }));
});

self.addEventListener("fetch", function (event) {
  const request = event.request;
  if (request.method !== "GET") return;
  event.respondWith(caches.open(CACHE).then(function (cache) {
    // The page's queries (?log and the like) do not change the file.
    return cache.match(request, { ignoreSearch: true }).then(function (hit) {
      if (hit) return hit;
      if (request.mode === "navigate") {
        return fetch(request).catch(function () { return cache.match("./"); });
      }
      return fetch(request);
    });
  }));
});
