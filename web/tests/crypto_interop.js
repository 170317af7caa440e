// SPDX-License-Identifier: GPL-3.0-or-later
// The page's cryptography, as the site ships it (nacl.min.js through
// quintora-crypto.js), against the desktop's libsodium (sodium_vectors):
// from the same seeds, messages, nonces and keys both give the same public
// and secret keys, signatures, SHA-512 digests and sealed boxes, byte for
// byte and for every byte value; each verifies and opens what the other
// made, and both refuse a box or a signature with one bit changed. The
// program's own adapter (web_crypto.cpp, built by emcc as PAGE_VECTORS) is
// asked every question the desktop is and must answer alike, so that the
// bytes cross between the program and the script exactly.
//
//   node crypto_interop.js SITE_FOLDER SODIUM_VECTORS [PAGE_VECTORS]
"use strict";
const fs = require("fs");
const path = require("path");
const vm = require("vm");
const { execFileSync } = require("child_process");

const [site, tool, pageTool] = process.argv.slice(2);
if (!site || !tool) {
  console.error("usage: crypto_interop.js SITE_FOLDER SODIUM_VECTORS");
  process.exit(2);
}
// As in the page: the scripts see the global object as `self`, and Node's
// crypto.getRandomValues as the browser's.
globalThis.self = globalThis;
// Node 18 (Debian 12's) keeps the Web Crypto object out of the globals.
if (!globalThis.crypto) globalThis.crypto = require("crypto").webcrypto;
const pageScripts = ["nacl.min.js", "quintora-crypto.js"].map((f) => path.join(site, f));
for (const f of pageScripts) vm.runInThisContext(fs.readFileSync(f, "utf8"), { filename: f });
const C = globalThis.QuintoraCrypto;

let failures = 0, checks = 0;
function check(ok, what) {
  checks++;
  if (!ok) {
    failures++;
    console.error("FAIL: " + what);
  }
}
const hex = (b) => (b && b.length ? Buffer.from(b).toString("hex") : ".");
const bytes = (h) => new Uint8Array(h === "." ? [] : Buffer.from(h, "hex"));
const run = (f) => Uint8Array.from({ length: 256 }, (_, i) => f(i));
function flipped(b, at) {
  const c = Uint8Array.from(b);
  c[at] ^= 1;
  return c;
}

// Every byte value in each kind of input.
const seeds = [
  bytes("9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60"),  // RFC 8032, test 1
  run((i) => i).slice(0, 32),
  run((i) => 255 - i).slice(0, 32),
  run((i) => 0xff).slice(0, 32),
];
const messages = [
  new Uint8Array(0),
  run((i) => i),  // 0..255
  run((i) => (i * 37 + 11) & 255).slice(0, 100),
  new TextEncoder().encode("step 12 0123456789abcdef p0123456789abcd p0123456789abcd\npress 9 9\n黒"),
];
const boxes = [  // [nonce, key]
  [bytes("69696ee955b62b73cd62bda875fc73d68219e0036b7a0b37"),  // NaCl's secretbox test
   bytes("1b27556473e985d462cd51197a9a46c76009549eac6474f206c4ee0844f68389")],
  [run((i) => i + 200).slice(0, 24), run((i) => 255 - i).slice(0, 32)],
  [run((i) => 0).slice(0, 24), run((i) => i * 8).slice(0, 32)],
];

// What the page makes, and what the desktop is asked.
const ops = [];
const expect = [];
function ask(line, f) { ops.push(line); expect.push(f); }

for (const seed of seeds) {
  const k = C.keys(seed);
  const pk = k.slice(0, 32), sk = k.slice(32);
  ask("keys " + hex(seed), (a) => check(a === hex(pk) + " " + hex(sk), "keys from seed " + hex(seed)));
  for (const m of messages) {
    const sig = C.sign(m, sk);
    check(C.verify(m, sig, pk), "the page verifies its own signature");
    ask(["sign", hex(m), hex(sk)].join(" "), (a) => {
      check(a === hex(sig), "signature of " + m.length + " bytes with seed " + hex(seed).slice(0, 8));
      check(C.verify(m, bytes(a), pk), "the page verifies the desktop's signature");
      check(!C.verify(m, flipped(bytes(a), 63), pk), "the page refuses a changed signature");
    });
    ask(["verify", hex(m), hex(sig), hex(pk)].join(" "), (a) => check(a === "1", "the desktop verifies the page's signature"));
    ask(["verify", hex(m), hex(flipped(sig, 0)), hex(pk)].join(" "),
        (a) => check(a === "0", "the desktop refuses a changed signature"));
  }
}
for (const m of messages) {
  ask("sha512 " + hex(m), (a) => check(a === hex(C.sha512(m)), "sha512 of " + m.length + " bytes"));
  for (const [nonce, key] of boxes) {
    const sealed = C.seal(m, nonce, key);
    check(sealed.length === m.length + 16, "a box is 16 bytes longer");
    check(hex(C.open(sealed, nonce, key)) === hex(m), "the page opens its own box");
    ask(["seal", hex(m), hex(nonce), hex(key)].join(" "), (a) => {
      check(a === hex(sealed), "box of " + m.length + " bytes under nonce " + hex(nonce).slice(0, 8));
      const opened = C.open(bytes(a), nonce, key);
      check(opened !== null && hex(opened) === hex(m), "the page opens the desktop's box");
      check(C.open(flipped(bytes(a), bytes(a).length - 1), nonce, key) === null, "the page refuses a changed box");
      check(C.open(bytes(a), flipped(nonce, 0), key) === null, "the page refuses a box under another nonce");
    });
    ask(["open", hex(sealed), hex(nonce), hex(key)].join(" "),
        (a) => check(a === hex(m), "the desktop opens the page's box"));
    ask(["open", hex(flipped(sealed, 0)), hex(nonce), hex(key)].join(" "),
        (a) => check(a === "refused", "the desktop refuses a changed box"));
  }
}
// Wrong sizes: refused alike by both sides (and by the program's adapter).
const [n0, k0] = boxes[0];
ask("keys " + hex(seeds[0].slice(1)), (a) => check(a === ". .", "a short seed gives no keys"));
ask(["sign", hex(messages[2]), hex(new Uint8Array(63))].join(" "), (a) => check(a === ".", "a short secret key signs nothing"));
ask(["verify", hex(messages[2]), hex(new Uint8Array(65)), hex(seeds[0])].join(" "), (a) => check(a === "0", "a long signature is refused"));
ask(["seal", hex(messages[2]), hex(n0.slice(1)), hex(k0)].join(" "), (a) => check(a === ".", "a short nonce seals nothing"));
ask(["open", hex(new Uint8Array(15)), hex(n0), hex(k0)].join(" "), (a) => check(a === "refused", "a box shorter than its tag is refused"));
ask(["open", ".", hex(n0), hex(k0)].join(" "), (a) => check(a === "refused", "no box is refused"));

// Signatures TweetNaCl alone would take and libsodium refuses: both sides
// refuse them. A key of small order with R = that point and S = 0 (under the
// neutral point's key that "signs" every message), with the sign bit set too;
// and a real signature with L added to its S.
const smallOrder = ["0000000000000000000000000000000000000000000000000000000000000000",  // order 4
  "0100000000000000000000000000000000000000000000000000000000000000",  // neutral
  "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // order 2 (y = p - 1)
  "26e8958fc2b227b045c3f489f2ef98f0d5dfac05d3c63339b13802886d53fc05"]; // order 8
for (const h of smallOrder) {
  for (const top of [0, 0x80]) {
    const point = bytes(h);
    point[31] |= top;
    const forged = new Uint8Array(64);
    forged.set(point);
    check(!C.verify(messages[3], forged, point), "the page refuses a signature under the small-order key " + hex(point));
    ask(["verify", hex(messages[3]), hex(forged), hex(point)].join(" "),
        (a) => check(a === "0", "the desktop refuses a signature under the small-order key " + hex(point)));
  }
}
// Scalars of this test's own: little-endian numbers modulo L.
const order = (1n << 252n) + 27742317777372353535851937790883648493n;
const scalar = (b) => b.reduceRight((n, x) => (n << 8n) | BigInt(x), 0n) % order;
const secretScalar = (seed) => {  // a, the key's secret: its public key is aB
  const h = C.sha512(seed).slice(0, 32);
  h[0] &= 248;
  h[31] = (h[31] & 127) | 64;
  return scalar(h);
};
const withS = (r, s) => {
  const sig = new Uint8Array(64);
  sig.set(r);
  for (let i = 0; i < 32; i++, s >>= 8n) sig[32 + i] = Number(s & 255n);
  return sig;
};
// Under the neutral key even an R of full order passes TweetNaCl: R = aB, S = a.
{
  const forged = withS(C.keys(seeds[2]).slice(0, 32), secretScalar(seeds[2]));
  for (const top of [0, 0x80]) {
    const neutral = new Uint8Array(32);
    neutral[0] = 1;
    neutral[31] = top;
    check(!C.verify(messages[1], forged, neutral), "the page refuses R of full order under the neutral key");
    ask(["verify", hex(messages[1]), hex(forged), hex(neutral)].join(" "),
        (a) => check(a === "0", "the desktop refuses R of full order under the neutral key"));
  }
}
// With a real key, R = neutral and S = h a (h the hash of R, the key and the
// message) passes TweetNaCl too: only R's small order refuses it.
{
  const pk = C.keys(seeds[3]).slice(0, 32);
  const neutral = new Uint8Array(32);
  neutral[0] = 1;
  const hashed = new Uint8Array(64 + messages[3].length);
  hashed.set(neutral);
  hashed.set(pk, 32);
  hashed.set(messages[3], 64);
  const forged = withS(neutral, scalar(C.sha512(hashed)) * secretScalar(seeds[3]) % order);
  check(!C.verify(messages[3], forged, pk), "the page refuses R of small order under a real key");
  ask(["verify", hex(messages[3]), hex(forged), hex(pk)].join(" "),
      (a) => check(a === "0", "the desktop refuses R of small order under a real key"));
}
{
  const k = C.keys(seeds[1]);
  const good = C.sign(messages[3], k.slice(32));
  const raised = Uint8Array.from(good);
  const order = bytes("edd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010");
  for (let i = 0, carry = 0; i < 32; i++) {
    const v = raised[32 + i] + order[i] + carry;
    raised[32 + i] = v & 255;
    carry = v >> 8;
  }
  check(!C.verify(messages[3], raised, k.slice(0, 32)), "the page refuses S + L");
  ask(["verify", hex(messages[3]), hex(raised), hex(k.slice(0, 32))].join(" "), (a) => check(a === "0", "the desktop refuses S + L"));
}

// Keys from no seed: each side's fresh pair signs what the other verifies.
const fresh = C.keys(null);
const freshMessage = messages[2];
ask(["verify", hex(freshMessage), hex(C.sign(freshMessage, fresh.slice(32))), hex(fresh.slice(0, 32))].join(" "),
    (a) => check(a === "1", "the desktop verifies a fresh page key's signature"));
ask("fresh", (a) => {
  const [pk, sk] = a.split(" ").map(bytes);
  check(pk.length === 32 && sk.length === 64, "a fresh desktop pair has its sizes");
  ask(["sign", hex(freshMessage), hex(sk)].join(" "),
      (s) => check(C.verify(freshMessage, bytes(s), pk), "the page verifies a fresh desktop key's signature"));
});

// The published vectors hold in the page too, and wrong sizes are refused there as on the desktop.
check(hex(C.sign(new Uint8Array(0), C.keys(seeds[0]).slice(32))) ===
      "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b",
      "RFC 8032 test 1 in the page");
check(hex(C.sha512(new TextEncoder().encode("abc"))).startsWith("ddaf35a193617aba"), "SHA-512 of abc in the page");
check(C.keys(seeds[0].slice(1)) === null, "a short seed is refused");
check(C.sign(messages[1], new Uint8Array(63)) === null, "a short secret key is refused");
check(C.verify(messages[1], new Uint8Array(63), new Uint8Array(32)) === false, "a short signature is refused");
check(C.seal(messages[1], boxes[0][0].slice(1), boxes[0][1]) === null, "a short nonce is refused");
check(C.open(new Uint8Array(15), boxes[0][0], boxes[0][1]) === null, "a box shorter than its tag is refused");
check(C.random(24).length === 24, "random bytes of the size asked");

// Answers may ask more (the fresh pair's signature): run until none is left.
const scratch = fs.mkdtempSync(path.join(require("os").tmpdir(), "quintora-crypto-"));
process.on("exit", () => fs.rmSync(scratch, { recursive: true, force: true }));
for (let round = 0; ops.length; round++) {
  const lines = ops.splice(0), answers = expect.splice(0);
  // Read from a file: the compiled program reads its standard input as a
  // blocking file, which a pipe filled meanwhile is not.
  const input = path.join(scratch, "lines" + round);
  fs.writeFileSync(input, lines.join("\n") + "\n");
  const fed = (program, args) => {
    const fd = fs.openSync(input, "r");
    try {
      return execFileSync(program, args, { stdio: [fd, "pipe", "inherit"], encoding: "utf8" }).split("\n");
    } finally {
      fs.closeSync(fd);
    }
  };
  const out = fed(tool, []);
  if (pageTool) {
    // The compiled program, with the page's scripts loaded first as the page
    // does; from a file, where no `module` of Node's is in the scripts' sight.
    const start = "globalThis.self = globalThis; const fs = require('fs'), vm = require('vm');" +
      JSON.stringify(pageScripts) + ".forEach((f) => vm.runInThisContext(fs.readFileSync(f, 'utf8'), { filename: f }));" +
      "require(" + JSON.stringify(path.resolve(pageTool)) + ");";
    const starter = path.join(scratch, "start.js");
    fs.writeFileSync(starter, start);
    const page = fed(process.execPath, [starter]);
    lines.forEach((line, i) => {
      if (!line.startsWith("fresh")) check(page[i] === out[i], "the program's adapter answers as libsodium to: " + line.slice(0, 60));
    });
  }
  answers.forEach((f, i) => f(out[i]));
}
console.log(checks + " checks, " + failures + " failed");
process.exit(failures ? 1 : 0);
