#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Serves the site `make web` builds on 127.0.0.1 until interrupted, with
the headers a host of the game should send: the file types the browser
needs (the program compiles as it arrives only as application/wasm) and a
strict Content-Security-Policy, under which the page runs as it is.

    serve.py SITE_FOLDER PORT [ADDRESS]

ADDRESS is 127.0.0.1 unless given (0.0.0.0 for the local network).

With QUINTORA_ROOM_WS_PORT set (make serve sets it to its room broker's
WebSocket port), room-broker.txt tells the page's room form where that broker
is, on the host the page was reached by (wss:// when QUINTORA_ROOM_WS_TLS is
1); it is empty otherwise, and the form asks the player.
"""

import functools
import http.server
import os
import sys

# Scripts from the site only, no eval of any text; the program's compiled
# code is let in by 'wasm-unsafe-eval', which allows WebAssembly alone. A
# networked game talks to a room broker over WebSocket, on whatever host and
# port its link names: connections of those two schemes only. Its client
# keeps its keep-alive timer in a worker it makes from a blob, so that a tab
# in the background is not dropped by the broker for a throttled timer.
POLICY = ("default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; connect-src 'self' ws: wss:; worker-src 'self' blob:; "
          "object-src 'none'; base-uri 'none'; frame-ancestors 'none'")

TYPES = {".wasm": "application/wasm", ".js": "text/javascript", ".woff": "font/woff",
         ".webmanifest": "application/manifest+json"}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES)

    def end_headers(self):
        self.send_header("Content-Security-Policy", POLICY)
        super().end_headers()

    def do_GET(self):
        if self.path.split("?")[0] != "/room-broker.txt":
            return super().do_GET()
        port = os.environ.get("QUINTORA_ROOM_WS_PORT", "")
        host = (self.headers.get("Host") or "127.0.0.1").rsplit(":", 1)[0]
        scheme = "wss" if os.environ.get("QUINTORA_ROOM_WS_TLS") == "1" else "ws"
        body = ("%s://%s:%s/\n" % (scheme, host, port) if port.isdigit() else "").encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Cache-Control", "no-store")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    folder, port = sys.argv[1], int(sys.argv[2])
    address = sys.argv[3] if len(sys.argv) == 4 else "127.0.0.1"
    server = http.server.ThreadingHTTPServer((address, port), functools.partial(Handler, directory=folder))
    print("Quintora on http://%s:%d/ (Ctrl-C ends)" % (address, server.server_address[1]), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    server.server_close()


if __name__ == "__main__":
    main()
