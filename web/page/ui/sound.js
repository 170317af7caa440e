// SPDX-License-Identifier: GPL-3.0-or-later
// Sound through Web Audio: the library's buffers, plays and loops.
(function (ui, page) {
  "use strict";
  // The buffers are the library's own copies of the samples. Browsers let a
  // page sound only after a gesture: the context starts at the first one, and
  // a loop asked for before then starts with it.
  let audio = null;
  let audioClosed = false;
  const buffers = new Map();
  // handle -> { source, loop, until }: a single play sounds until the
  // context's clock passes `until`. Worked out when asked, rather than told
  // by the source's end event, which would cost the page a task of its own
  // for every stone.
  const playing = new Map();
  const pendingLoops = new Set();
  const starts = new Map();  // handle -> playbacks started, for the tests
  let lastHandle = 0;
  // A context that sounds nothing still runs its audio thread, about 4 % of
  // a core: once nothing has sounded for QUIET_MS it is suspended, and the
  // next sound resumes it, as the desktop closes its outputs when the game
  // is quiet. While the computers play, one click follows another within
  // that time, so their clicks are never held up by it.
  const QUIET_MS = 2000;
  let quietFrom = 0;    // performance.now() when the last single play will have ended
  let quietTimer = 0;
  function watchQuiet() {
    if (!audio || quietTimer) return;
    const now = performance.now();
    const wait = quietFrom + QUIET_MS - now;
    quietTimer = setTimeout(function () {
      quietTimer = 0;
      if (performance.now() < quietFrom + QUIET_MS) return watchQuiet();
      const loop = Array.from(playing.values()).some(function (p) { return p.loop; });
      if (!loop && audio.state === "running") audio.suspend();
    }, Math.max(0, wait));
  }

  ui.audioOpen = function () {
    audioClosed = false;
    return typeof AudioContext !== "undefined" && typeof AudioBuffer !== "undefined";
  };
  // A buffer of the samples (channels interleaved), or null for a format
  // the browser does not take.
  function makeBuffer(channels, frames, rate, samples) {
    let buffer;
    try {
      buffer = new AudioBuffer({ numberOfChannels: channels, length: frames, sampleRate: rate });
    } catch (e) {
      return null;
    }
    for (let c = 0; c < channels; c++) {
      const data = buffer.getChannelData(c);
      for (let i = 0; i < frames; i++) data[i] = samples[i * channels + c];
    }
    return buffer;
  }
  ui.audioBuffer = function (channels, frames, rate, samples) {
    const buffer = makeBuffer(channels, frames, rate, samples);
    if (!buffer) return 0;
    const handle = ++lastHandle;
    buffers.set(handle, buffer);
    return handle;
  };
  // A wave still on its way has a handle without a buffer: the game plays
  // it as any other; a loop asked for starts when the samples come, a single
  // play before then is not heard.
  const lateHandles = new Map();  // wave number -> handle
  ui.audioLate = function (number) {
    const w = page.lateWaves.get(number);
    if (!w || w.handle) return 0;
    w.handle = ++lastHandle;
    lateHandles.set(number, w.handle);
    return w.handle;
  };
  ui.audioFill = function (number, channels, frames, rate, samples) {
    const handle = lateHandles.get(number);
    if (!handle) return;  // freed meanwhile
    lateHandles.delete(number);
    const buffer = makeBuffer(channels, frames, rate, samples);
    if (!buffer) return;
    buffers.set(handle, buffer);
    if (audio && !audioClosed && pendingLoops.has(handle)) {
      pendingLoops.delete(handle);
      startSource(handle, true);
    }
  };
  function known(handle) {
    if (buffers.has(handle)) return true;
    for (const h of lateHandles.values()) if (h === handle) return true;
    return false;
  }
  function startSource(handle, loop) {
    const buffer = buffers.get(handle);
    if (!buffer || !audio) return;
    const source = audio.createBufferSource();
    source.buffer = buffer;
    source.loop = loop;
    source.connect(audio.destination);
    if (audio.state === "suspended") audio.resume();
    source.start();
    playing.set(handle, { source: source, loop: loop, until: loop ? Infinity : audio.currentTime + buffer.duration });
    starts.set(handle, (starts.get(handle) || 0) + 1);
    if (!loop) {
      quietFrom = Math.max(quietFrom, performance.now() + buffer.duration * 1000);
      watchQuiet();
    }
  }
  function sounding(handle) {
    const p = playing.get(handle);
    if (p && !p.loop && audio.currentTime >= p.until) {
      playing.delete(handle);
      return undefined;
    }
    return p;
  }
  ui.audioPlay = function (handle, loop) {
    if (!known(handle) || audioClosed) return;
    const now = sounding(handle);
    if (loop && (pendingLoops.has(handle) || (now && now.loop))) return;  // the loop goes on
    ui.audioStop(handle);
    if (audio && buffers.has(handle)) startSource(handle, loop);
    else if (loop) pendingLoops.add(handle);
  };
  ui.audioStop = function (handle) {
    pendingLoops.delete(handle);
    const p = playing.get(handle);
    if (p) {
      playing.delete(handle);
      try { p.source.stop(); } catch (e) { /* never started */ }
      watchQuiet();
    }
  };
  ui.audioFree = function (handle) {
    ui.audioStop(handle);
    buffers.delete(handle);
    lateHandles.forEach(function (h, n) { if (h === handle) lateHandles.delete(n); });
  };
  ui.audioClose = function () {
    Array.from(playing.keys()).forEach(ui.audioStop);
    pendingLoops.clear();
    audioClosed = true;
  };
  function firstGesture() {
    if (audio || audioClosed || typeof AudioContext === "undefined") return;
    audio = new AudioContext();
    // Loops whose samples are still on their way start when they come.
    pendingLoops.forEach(function (h) {
      if (buffers.has(h)) {
        pendingLoops.delete(h);
        startSource(h, true);
      }
    });
    // Quiet from now on, unless the gesture's own command sounds.
    quietFrom = Math.max(quietFrom, performance.now());
    watchQuiet();
  }
  ui.audioState = function () {
    return {
      context: audio ? audio.state : "none",
      buffers: Array.from(buffers.keys()).sort(function (a, b) { return a - b; }),
      playing: Array.from(playing.keys()).filter(sounding),
      looping: Array.from(playing.keys()).filter(function (h) { return sounding(h) && playing.get(h).loop; }),
      pending: Array.from(pendingLoops),
      starts: Object.fromEntries(starts),
    };
  };

  page.firstGesture = firstGesture;
  page.lateHandles = lateHandles;
  page.pendingLoops = pendingLoops;
})(QuintoraUI, QuintoraPage);
