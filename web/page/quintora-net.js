// SPDX-License-Identifier: GPL-3.0-or-later
// The page in a room of a message broker: the form that makes a room and
// its link, and the room's transport, MQTT over WebSocket through the mqtt
// package (mqtt.min.js, bundled with the site and loaded only when a
// networked game starts). What the broker says goes into the game's input
// queue, one event at a time, as a press or a menu command does; the room
// itself (whose game, whose turn, the journal) is the program's business.
"use strict";

var QuintoraNet = (function () {
  const net = {};

  // --- the link -----------------------------------------------------------------
  // index.html#join=ws://HOST:PORT/ROOM&seats=白: the room ROOM of the broker
  // whose WebSocket listener is ws://HOST:PORT/ (a path before ROOM is the
  // listener's: ws://HOST:15675/ws/ROOM), this page holding white. Without
  // seats the form opens with the room filled in, to choose them.
  function fromHash() {
    const h = new URLSearchParams(location.hash.slice(1));
    const join = h.get("join");
    if (!join) return null;
    return { join: join, seats: h.get("seats") };
  }
  // The brokers' WebSocket addresses and the room in a join address; null
  // for anything else. Several brokers (the nodes of a cluster) share the
  // scheme and the path: ws://HOST1:PORT1,HOST2:PORT2/ROOM. The room is
  // checked again, strictly, by the program.
  function split(join) {
    const m = /^(wss?):\/\/([^/?#]+)(\/[^?#]*)$/.exec(join);
    if (!m) return null;
    const cut = m[3].lastIndexOf("/");
    const path = m[3].slice(0, cut + 1);
    const endpoints = [];
    for (const host of m[2].split(",")) {
      let url;
      try { url = new URL(m[1] + "://" + host + path); } catch (e) { return null; }
      if (!url.hostname || url.username || url.password) return null;
      endpoints.push(m[1] + "://" + url.host + path);
    }
    return { endpoints: endpoints.join(" "), room: m[3].slice(cut + 1) };
  }
  net.split = split;
  function link(join, seats) {
    return location.origin + location.pathname + "#join=" + join + (seats ? "&seats=" + seats : "");
  }
  function newRoom() {
    const bytes = new Uint8Array(16);
    crypto.getRandomValues(bytes);
    return Array.from(bytes, function (b) { return b.toString(16).padStart(2, "0"); }).join("");
  }

  // --- the form -----------------------------------------------------------------
  const colours = ["黒", "青", "白", "赤"];
  function chosenSeats() {
    return colours.filter(function (c, i) { return document.getElementById("seat" + i).checked; }).join(",");
  }
  function setUpForm() {
    const form = document.getElementById("together");
    const broker = document.getElementById("room-broker");
    const room = document.getElementById("room-link");
    const wanted = fromHash();
    // The broker of the server that served the page (make serve's), when it
    // says where it is, asked once the form is opened; the player writes
    // one otherwise.
    let asked = false;
    form.addEventListener("toggle", function () {
      if (!form.open || asked) return;
      asked = true;
      fetch("room-broker.txt", { cache: "no-store" }).then(function (r) {
        return r.ok ? r.text() : "";
      }).then(function (text) {
        const found = text.trim();
        if (!broker.value && /^wss?:\/\/[^\s]+\/$/.test(found)) broker.value = found;
      }).catch(function () {});
    });
    if (wanted) {
      const parts = split(wanted.join);
      if (parts) {
        broker.value = wanted.join.slice(0, wanted.join.length - parts.room.length);
        room.value = link(wanted.join, "");
      }
      form.open = !wanted.seats;
      if (wanted.seats) {
        colours.forEach(function (c, i) {
          document.getElementById("seat" + i).checked = wanted.seats.split(",").includes(c);
        });
      }
    }
    document.getElementById("room-make").addEventListener("click", function () {
      const endpoint = broker.value.trim().replace(/\/*$/, "/");
      if (!split(endpoint + "x")) {
        net.say(net.phrase(spoken[0]));
        return;
      }
      room.value = link(endpoint + newRoom(), "");
    });
    document.getElementById("room-copy").addEventListener("click", function () {
      if (!room.value) return;
      room.select();
      if (navigator.clipboard) navigator.clipboard.writeText(room.value).catch(function () {});
    });
    document.getElementById("room-join").addEventListener("click", function () {
      const h = new URLSearchParams((room.value.split("#")[1]) || "");
      const join = h.get("join");
      if (!join) {
        net.say(net.phrase(spoken[1]));
        return;
      }
      location.hash = "join=" + join + "&seats=" + chosenSeats();
      location.reload();
    });
  }

  // The form's own words, in the player's language: the program looks up
  // each of these (the form's, and the two it says) in the catalog.
  const spoken = ["部屋の場所は ws:// か wss:// で始めてください。", "まず部屋を作るか、部屋のリンクを貼ってください。"];
  net.sources = function () {
    const all = new Set(spoken);
    document.querySelectorAll("[data-ja]").forEach(function (e) { all.add(e.dataset.ja); });
    return Array.from(all).join("\n");
  };
  const phrases = new Map();
  net.phrase = function (ja) { return phrases.get(ja) || ja; };
  net.translate = function (ja, text) {
    phrases.set(ja, text);
    document.querySelectorAll("[data-ja]").forEach(function (e) {
      if (e.dataset.ja === ja) e.textContent = text;
    });
  };
  // What the room says to the player: in the form's line and for screen readers.
  net.say = function (text) {
    const line = document.getElementById("room-note");
    line.textContent = text;
    line.hidden = false;
  };

  // --- the room's transport -----------------------------------------------------
  // The program asks: the room this page is to join, as "JOIN\nSEATS", or "".
  net.wanted = function () {
    const w = fromHash();
    return w && w.seats !== null ? w.join + "\n" + w.seats : "";
  };
  // A new room's name in the address bar, so that the link can be copied.
  net.named = function (join, seats) {
    history.replaceState(null, "", link(join, seats));
    document.getElementById("room-link").value = link(join, "");
  };

  let client = null;
  const inbox = [];
  const encoder = new TextEncoder();
  function event(kind) { QuintoraUI.network(kind); }
  // What the program is told: 1 connected, 2 connection lost, 3 a message
  // (in the inbox), 4 a quarter of a second has passed.
  net.CONNECTED = 1; net.LOST = 2; net.MESSAGE = 3; net.TICK = 4;

  function loadClient() {
    if (window.mqtt) return Promise.resolve(window.mqtt);
    return new Promise(function (resolve, reject) {
      const s = document.createElement("script");
      s.src = "mqtt.min.js";
      s.onload = function () { window.mqtt ? resolve(window.mqtt) : reject(new Error("no mqtt")); };
      s.onerror = function () { reject(new Error("mqtt.min.js did not load")); };
      document.head.appendChild(s);
    });
  }

  // Connects as `id` to the first of the brokers' WebSocket `endpoints`
  // (separated by spaces) for `room`; the broker publishes `will` on
  // `willTopic` should the page vanish. Reconnects with back-off, from one
  // second to eight; a broker that did not take the connection is left for
  // the next one, as the desktop does.
  net.start = function (endpoints, room, id, willTopic, will) {
    net.state = "loading";
    const brokers = endpoints.split(" ");
    let at = 0;
    let took = false;
    // The clock of the room's rules: the program hears the time pass.
    setInterval(function () { event(net.TICK); }, 250);
    loadClient().then(function (mqtt) {
      let wait = 1000;
      client = mqtt.connect(brokers[0], {
        clientId: id,
        // The room's name is its key: the broker lets a client into the
        // room it names as its user name, and into no other. RabbitMQ wants
        // a password with a user name; mosquitto does without.
        username: room,
        password: room,
        protocolVersion: 4,
        clean: true,
        keepalive: 10,
        connectTimeout: 5000,
        reconnectPeriod: wait,
        resubscribe: false,
        transformWsUrl: function () { return brokers[at]; },
        will: { topic: willTopic, payload: will, qos: 1, retain: false },
      });
      client.on("connect", function () {
        wait = 1000;
        took = true;
        client.options.reconnectPeriod = wait;
        net.state = "connected";
        event(net.CONNECTED);
      });
      client.on("close", function () {
        if (net.state === "connected") event(net.LOST);
        net.state = "lost";
        if (!took) at = (at + 1) % brokers.length;
        took = false;
        wait = Math.min(wait * 2, 8000);
        client.options.reconnectPeriod = wait;
      });
      client.on("error", function () {});
      client.on("message", function (topic, payload) {
        inbox.push({ topic: encoder.encode(topic), payload: new Uint8Array(payload) });
        event(net.MESSAGE);
      });
    }).catch(function () {
      net.state = "failed";
      event(net.LOST);
    });
  };
  net.publish = function (topic, payload, retain) {
    if (!client || !client.connected) return false;
    client.publish(topic, payload, { qos: 1, retain: retain });
    return true;
  };
  net.subscribe = function (topic) {
    if (client) client.subscribe(topic, { qos: 1 });
  };
  // The oldest message heard: its sizes, then its bytes.
  net.sizes = function () {
    return inbox.length ? [inbox[0].topic.length, inbox[0].payload.length] : [-1, -1];
  };
  net.take = function (heap, topicAt, payloadAt) {
    const m = inbox.shift();
    heap.set(m.topic, topicAt);
    heap.set(m.payload, payloadAt);
  };
  // Ends the connection without a word, as a closed tab does (for the tests).
  net.vanish = function () { if (client) client.end(true); };

  document.addEventListener("DOMContentLoaded", setUpForm);
  return net;
})();
