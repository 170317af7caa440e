// SPDX-License-Identifier: GPL-3.0-or-later
// The game's files: the settings file kept in the page's local storage, and
// the waves, each standing in blank until it has arrived.
(function (ui, page) {
  "use strict";
  const FOLDER = page.FOLDER, STORAGE_PREFIX = page.STORAGE_PREFIX;
  const lateHandles = page.lateHandles, pendingLoops = page.pendingLoops;
  // The settings file is kept, byte for byte, in the page's local storage.
  // A browser may refuse the page its storage (site data blocked) or have
  // no room left in it: the game then plays on with the file in its folder
  // for this visit, and says once that its options will not be kept.
  function bytesToString(bytes) {
    let s = "";
    for (let i = 0; i < bytes.length; i++) s += String.fromCharCode(bytes[i]);
    return s;
  }
  function readKept(name) {
    try {
      return localStorage.getItem(STORAGE_PREFIX + name);
    } catch (e) {
      return null;  // no storage: nothing kept
    }
  }
  // The settings file kept is read while the program loads (the first look
  // into the page's storage waits for the browser), not in its start-up.
  const keptEarly = new Map();
  keptEarly.set("Quintora.ini", readKept("Quintora.ini"));
  // What the storage holds of each file as far as this page knows: what it
  // read, wrote or heard from another tab. Only a file the game has changed
  // since is written back, so a page that merely plays on never puts back
  // an older copy over another tab's change.
  const stored = new Map();
  function putFile(name, kept) {
    const bytes = new Uint8Array(kept.length);
    for (let i = 0; i < kept.length; i++) bytes[i] = kept.charCodeAt(i);
    Module.FS.writeFile(name, bytes);
  }
  ui.restoreFile = function (name) {
    const kept = keptEarly.has(name) ? keptEarly.get(name) : readKept(name);
    keptEarly.delete(name);
    stored.set(name, kept);
    if (kept !== null) putFile(name, kept);
  };
  // 1 when the storage holds the file as the game last wrote it, 0 when it
  // could not be written there.
  ui.saveFile = function (name) {
    let bytes;
    try {
      bytes = Module.FS.readFile(name);
    } catch (e) {
      return 1;  // not written yet
    }
    const s = bytesToString(bytes);
    if (stored.get(name) === s) return 1;
    try {
      localStorage.setItem(STORAGE_PREFIX + name, s);
    } catch (e) {
      return 0;  // blocked, or no room left
    }
    stored.set(name, s);
    return 1;
  };
  // Another tab of the game changed a kept file: it goes into this game's
  // folder between two commands, and is read at the next reset, as a file
  // changed on the desktop would be.
  const changedElsewhere = new Map();
  window.addEventListener("storage", function (e) {
    if (e.key === null || !e.key.startsWith(STORAGE_PREFIX) || e.newValue === null) return;
    changedElsewhere.set(e.key.slice(STORAGE_PREFIX.length), e.newValue);
  });
  function takeInSettings() {
    changedElsewhere.forEach(function (kept, name) {
      if (!stored.has(name)) return;  // not one of the game's files
      putFile(name, kept);
      stored.set(name, kept);
    });
    changedElsewhere.clear();
  }

  const LATE_MARK = "QuintoraLateWave";
  const lateWaves = new Map();  // number -> { wave, handle, bytes }
  function base64Bytes(text) {
    const s = atob(text);
    const out = new Uint8Array(s.length);
    for (let i = 0; i < s.length; i++) out[i] = s.charCodeAt(i);
    return out;
  }
  function waveUrl(name) { return "waves/" + encodeURIComponent(name); }
  function fetchBytes(url) {
    return fetch(url).then(function (r) {
      return r.ok ? r.arrayBuffer().then(function (b) { return new Uint8Array(b); }) : null;
    }).catch(function () { return null; });
  }
  // A stand-in has the wave's own bytes but for its samples, which are
  // blank but for a mark and the wave's number at their start: here its
  // bytes up to the end of that mark.
  function standInHead(wave, number) {
    const bytes = new Uint8Array(wave.dataAt + LATE_MARK.length + 4);
    bytes.set(base64Bytes(wave.head), 0);
    for (let i = 0; i < LATE_MARK.length; i++) bytes[wave.dataAt + i] = LATE_MARK.charCodeAt(i);
    new DataView(bytes.buffer).setUint32(wave.dataAt + LATE_MARK.length, number, true);
    return bytes;
  }
  // The file that came is the one the stand-in was made from: the same size
  // and the same bytes around the samples (an older page open beside a
  // newer version of the site keeps its silence rather than a wrong wave).
  function sameFrame(wave, bytes) {
    if (bytes.length !== wave.size) return false;
    const head = base64Bytes(wave.head), tail = base64Bytes(wave.tail);
    for (let i = 0; i < head.length; i++) if (bytes[i] !== head[i]) return false;
    const at = wave.dataAt + wave.dataSize;
    for (let i = 0; i < tail.length; i++) if (bytes[at + i] !== tail[i]) return false;
    return true;
  }
  // The stand-in's blanks are not kept: its bytes are made as the game
  // reads them (4.4 MB of blanks neither made nor copied before the first
  // paint); to the game it is a file like any other, of the wave's size.
  function putStandIn(path, wave, number) {
    const around = standInHead(wave, number);
    const tail = base64Bytes(wave.tail), tailAt = wave.dataAt + wave.dataSize;
    Module.FS.writeFile(path, around, { canOwn: true });
    Module.FS.chmod(path, 292);  // 0444: never written
    const node = Module.FS.lookupPath(path).node;
    node.usedBytes = wave.size;
    node.stream_ops = Object.assign({}, node.stream_ops, {
      read: function (stream, buffer, offset, length, position) {
        const n = Math.max(0, Math.min(length, wave.size - position));
        const end = position + n;
        buffer.fill(0, offset, offset + n);
        function put(bytes, at) {
          const from = Math.max(position, at), to = Math.min(end, at + bytes.length);
          if (from < to) buffer.set(bytes.subarray(from - at, to - at), offset + from - position);
        }
        put(around, 0);
        put(tail, tailAt);
        return n;
      },
      mmap: undefined,
    });
  }
  ui.putStandIn = putStandIn;  // for the tests: a wave of their own
  function putWaves() {
    const early = [];
    QuintoraWaves.forEach(function (wave, number) {
      const path = FOLDER + "/" + wave.name;
      if (wave.dataAt !== undefined && wave.dataSize >= LATE_MARK.length + 4) {
        putStandIn(path, wave, number);
        lateWaves.set(number, { wave: wave, handle: 0, bytes: null });
        lateLeft++;
      } else {
        // Not one whose samples can wait: fetched before the start.
        early.push(fetchBytes(waveUrl(wave.name)).then(function (b) { if (b) Module.FS.writeFile(path, b); }));
      }
    });
    return Promise.all(early);
  }
  let lateLeft = 0;
  function fetchLateWaves() {
    // The small ones (the stone's click) first, the music last.
    const order = Array.from(lateWaves.keys()).sort(function (a, b) {
      return lateWaves.get(a).wave.size - lateWaves.get(b).wave.size;
    });
    return order.reduce(function (before, number) {
      return before.then(function () {
        const w = lateWaves.get(number);
        return fetchBytes(waveUrl(w.wave.name)).then(function (bytes) {
          lateLeft--;
          // Only for a buffer the game made (and has not freed). A wave
          // that did not come, or came damaged, is handed over too, for the
          // game to say so; one whole but of another version of the site is
          // not (an older page open beside a newer site keeps its silence).
          if (!lateHandles.has(number)) return;
          w.bytes = bytes;
          w.missing = !bytes;
          w.same = !!bytes && sameFrame(w.wave, bytes);
          if (!w.same) {
            // Its buffer stays silent: nothing comes to fill it.
            pendingLoops.delete(lateHandles.get(number));
            lateHandles.delete(number);
          }
          page.arrive(number);
        });
      });
    }, Promise.resolve());
  }
  // -1 when the wave has not come; its size when it has.
  ui.lateSize = function (number) {
    const w = lateWaves.get(number);
    return !w || w.missing ? -1 : w.bytes ? w.bytes.length : 0;
  };
  ui.lateSame = function (number) { return lateWaves.get(number).same; };
  ui.lateName = function (number) { return lateWaves.get(number).wave.name; };
  ui.lateCopy = function (number, heap, to) {
    const w = lateWaves.get(number);
    heap.set(w.bytes, to);
    w.bytes = null;  // the game keeps its own copy now
  };
  ui.wavesPending = function () { return lateLeft + page.arrivedCount(); };

  // After the first paint: the waves, then the keeper of the site for use
  // offline (it fetches every file once more, so it waits for the waves).

  page.takeInSettings = takeInSettings;
  page.lateWaves = lateWaves;
  page.putWaves = putWaves;
  page.fetchLateWaves = fetchLateWaves;
})(QuintoraUI, QuintoraPage);
