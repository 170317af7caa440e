#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Serves the site `make web` builds on 127.0.0.1 until interrupted, with
the headers a host of the game should send: the file types the browser
needs (the program compiles as it arrives only as application/wasm) and a
strict Content-Security-Policy, under which the page runs as it is.

    serve.py SITE_FOLDER PORT [ADDRESS]

ADDRESS is 127.0.0.1 unless given (0.0.0.0 for the local network).
"""

import functools
import http.server
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
