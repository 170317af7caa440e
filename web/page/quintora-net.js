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
  // The broker's WebSocket address and the room in a join address; null for
  // anything else. The room is checked again, strictly, by the program.
  function split(join) {
    let url;
    try { url = new URL(join); } catch (e) { return null; }
    if (url.protocol !== "ws:" && url.protocol !== "wss:") return null;
    if (url.search || url.hash || url.username || url.password) return null;
    const cut = url.pathname.lastIndexOf("/");
    return { endpoint: url.protocol + "//" + url.host + url.pathname.slice(0, cut + 1),
             room: url.pathname.slice(cut + 1) };
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
    // make serve's room broker: plain on this machine, over TLS for the others.
    const here = !location.hostname || location.hostname === "127.0.0.1" || location.hostname === "localhost";
    broker.value = (here ? "ws://" : "wss://") + (location.hostname || "127.0.0.1") + ":9001/";
    if (wanted) {
      const parts = split(wanted.join);
      if (parts) {
        broker.value = parts.endpoint;
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
        net.say(net.phrase("部屋の場所は ws:// か wss:// で始めてください。"));
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
        net.say(net.phrase("まず部屋を作るか、部屋のリンクを貼ってください。"));
        return;
      }
      location.hash = "join=" + join + "&seats=" + chosenSeats();
      location.reload();
    });
  }

  // The form's own words, in the player's language (the program hands them over).
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
  // (in the inbox), 4 the wait for a room's journal is over.
  net.CONNECTED = 1; net.LOST = 2; net.MESSAGE = 3; net.PATIENCE = 4;

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

  // Connects as `id` to the broker's WebSocket `endpoint` for `room`; the
  // broker publishes `will` on `willTopic` should the page vanish. Reconnects
  // with back-off, from one second to eight.
  net.start = function (endpoint, room, id, willTopic, will) {
    net.state = "loading";
    loadClient().then(function (mqtt) {
      let wait = 1000;
      client = mqtt.connect(endpoint, {
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
        will: { topic: willTopic, payload: will, qos: 1, retain: false },
      });
      client.on("connect", function () {
        wait = 1000;
        client.options.reconnectPeriod = wait;
        net.state = "connected";
        event(net.CONNECTED);
      });
      client.on("close", function () {
        if (net.state === "connected") event(net.LOST);
        net.state = "lost";
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
  net.patience = function (ms) { setTimeout(function () { event(net.PATIENCE); }, ms); };
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
