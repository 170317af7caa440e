// SPDX-License-Identifier: GPL-3.0-or-later
// The page's side of bench/crypto_bench.cpp: signing and sealing a room's
// message of 100 bytes, and opening and verifying it, with the TweetNaCl the
// site ships through quintora-crypto.js. Node stands in for the browser
// (the same V8 engine as Chromium's). Ten rounds of a second each; prints
// each figure's median, min and max in microseconds per message, of
// time and of the processor's time (the machine may be busy with more).
//
//   node bench/page_crypto_bench.js SITE_FOLDER
"use strict";
const fs = require("fs");
const path = require("path");
const vm = require("vm");

globalThis.self = globalThis;
for (const f of ["nacl.min.js", "quintora-crypto.js"])
  vm.runInThisContext(fs.readFileSync(path.join(process.argv[2], f), "utf8"), { filename: f });
const C = globalThis.QuintoraCrypto;

const keys = C.keys(new Uint8Array(32).fill(7));
const sk = keys.slice(32), pk = keys.slice(0, 32);
const key = new Uint8Array(32).fill(42);
const message = new Uint8Array(100).fill(109);

function send() {
  const nonce = C.random(24);
  const signed = new Uint8Array(164);
  signed.set(message);
  signed.set(C.sign(message, sk), 100);
  const box = C.seal(signed, nonce, key);
  const out = new Uint8Array(24 + box.length);
  out.set(nonce);
  out.set(box, 24);
  return out;
}
function receive(wire) {
  const plain = C.open(wire.subarray(24), wire.slice(0, 24), key);
  return plain !== null && C.verify(plain.subarray(0, 100), plain.slice(100), pk);
}

function measure(name, f) {
  for (let i = 0; i < 200; i++) f();  // warm the compiler
  const wall = [], cpu = [];
  for (let r = 0; r < 10; r++) {
    let n = 0;
    const start = process.hrtime.bigint(), used = process.cpuUsage();
    let now = start;
    while (now - start < 1000000000n) {
      for (let i = 0; i < 5; i++) f();
      n += 5;
      now = process.hrtime.bigint();
    }
    const u = process.cpuUsage(used);
    wall.push(Number(now - start) / 1000 / n);
    cpu.push((u.user + u.system) / n);
  }
  const line = (v) => {
    v.sort((a, b) => a - b);
    return "median " + ((v[4] + v[5]) / 2).toFixed(1) + " us (min " + v[0].toFixed(1) + ", max " + v[9].toFixed(1) + ")";
  };
  console.log(name + ": time " + line(wall) + ", CPU " + line(cpu));
}

const wire = send();
if (!receive(wire)) throw new Error("the message did not open and verify");
console.log("added bytes per message: " + (wire.length - message.length));
measure("sign+seal/100_bytes", send);
measure("open+verify/100_bytes", function () { receive(wire); });
measure("sign/100_bytes", function () { C.sign(message, sk); });
measure("seal/100_bytes", function () { C.seal(message, wire.slice(0, 24), key); });
