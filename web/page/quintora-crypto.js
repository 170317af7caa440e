// SPDX-License-Identifier: GPL-3.0-or-later
// The page's signatures and sealed boxes for rooms: TweetNaCl (nacl.min.js,
// bundled with the site, loaded only when a room is about to be made), and
// what the program's adapter (web_crypto.cpp) calls of it. Bytes come and go
// as Uint8Array; anything of the wrong size gives null or false, never an
// exception, as the desktop's libsodium adapter does.
"use strict";

var QuintoraCrypto = (function () {
  const c = {};
  let loading = null;

  // Resolves true once nacl is there (and can draw random bytes from the
  // browser's crypto.getRandomValues), false when it cannot be loaded.
  c.load = function () {
    if (self.nacl) return Promise.resolve(true);
    if (!loading) {
      loading = new Promise(function (resolve) {
        const s = document.createElement("script");
        s.src = "nacl.min.js";
        s.onload = function () { resolve(!!self.nacl); };
        s.onerror = function () { loading = null; resolve(false); };
        document.head.appendChild(s);
      });
    }
    return loading;
  };
  c.ready = function () { return !!self.nacl; };

  function sized(b, n) { return b instanceof Uint8Array && b.length === n; }
  // TweetNaCl throws on what it cannot take (a size, no source of randomness).
  function guarded(f) {
    return function () {
      if (!self.nacl) return null;
      try { return f.apply(null, arguments); } catch (e) { return null; }
    };
  }

  // The public key (32 bytes), then libsodium's secret key (64: the seed,
  // then the public key); a fresh pair without a seed.
  c.keys = guarded(function (seed) {
    if (seed !== null && !sized(seed, 32)) return null;
    const k = seed === null ? nacl.sign.keyPair() : nacl.sign.keyPair.fromSeed(seed);
    const both = new Uint8Array(96);
    both.set(k.publicKey, 0);
    both.set(k.secretKey, 32);
    return both;
  });
  c.sign = guarded(function (message, secretKey) {
    return sized(secretKey, 64) ? nacl.sign.detached(message, secretKey) : null;
  });
  // TweetNaCl takes some signatures that libsodium refuses: S not reduced
  // (a second signature for the same message, S + L), and any signature under
  // a key of small order (the neutral point's key takes R = neutral, S = 0
  // for every message). A desktop and a page of one room must agree on every
  // message, so the page refuses them too, by libsodium's own rules: S below
  // L, R and the key not of small order, the key's y below p.
  const P = (1n << 255n) - 19n;
  const L = (1n << 252n) + 27742317777372353535851937790883648493n;
  const D = (P - 121665n) * inverse(121666n) % P;
  function power(b, e) {
    let r = 1n;
    for (b %= P; e > 0n; e >>= 1n, b = b * b % P) if (e & 1n) r = r * b % P;
    return r;
  }
  function inverse(x) { return power(x, P - 2n); }
  function number(bytes, bits) {
    let n = 0n;
    for (let i = bytes.length - 1; i >= 0; i--) n = (n << 8n) | BigInt(bytes[i]);
    return n & ((1n << BigInt(bits)) - 1n);
  }
  // Whether eight times the point whose y the encoding gives is the neutral
  // point. Doubling needs only x², which y gives (-x² + y² = 1 + d x² y²),
  // so no square root is taken; y is kept as a fraction Y/Z, so no division
  // either. An encoding of no point may be called small too, and is refused
  // anyway.
  function smallOrder(encoded) {
    let y = number(encoded, 255) % P, z = 1n;
    for (let i = 0; i < 3; i++) {
      // x² = (Y² - Z²) / (d Y² + Z²); y' = (y² + x²) / (2 + x² - y²).
      const yy = y * y % P, zz = z * z % P;
      const n = (yy - zz + P) % P, m = (D * yy + zz) % P;
      y = (yy * m + n * zz) % P;
      z = ((2n * zz * m + n * zz - yy * m) % P + P) % P;
    }
    return z !== 0n && y === z;
  }
  c.verify = function (message, signature, publicKey) {
    if (!self.nacl || !sized(signature, 64) || !sized(publicKey, 32)) return false;
    if (number(signature.subarray(32), 256) >= L || smallOrder(signature.subarray(0, 32))) return false;
    if (number(publicKey, 255) >= P || smallOrder(publicKey)) return false;
    try { return nacl.sign.detached.verify(message, signature, publicKey); } catch (e) { return false; }
  };
  c.random = guarded(function (n) { return nacl.randomBytes(n); });
  c.sha512 = guarded(function (data) { return nacl.hash(data); });
  // nacl.secretbox gives what crypto_secretbox_easy gives: the tag, then the text.
  c.seal = guarded(function (plain, nonce, key) {
    return sized(nonce, 24) && sized(key, 32) ? nacl.secretbox(plain, nonce, key) : null;
  });
  c.open = guarded(function (sealed, nonce, key) {
    if (!sized(nonce, 24) || !sized(key, 32) || sealed.length < 16) return null;
    return nacl.secretbox.open(sealed, nonce, key);
  });
  return c;
})();
