#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The room lock of a RabbitMQ cluster: the service its HTTP auth backend asks.

A room's name is its secret: 128 random bits, carried in the room's link.
A client logs in with the room's name as its MQTT user name (and any
password that is not empty: RabbitMQ takes no user name without one), and
may then publish and subscribe under quintora/<user name>/ only: never
`#`, never another room's topics. The same rule as mosquitto's
`pattern readwrite quintora/%u/#`.

RabbitMQ's MQTT plugin turns topics into routing keys of amq.topic ('/'
becomes '.', '+' becomes '*'), so the rule is checked on the routing key.
Queues of MQTT subscriptions (mqtt-subscription-CLIENTqos0/1) may be
declared; nothing else.

    room_auth.py PORT [PID_FILE]

Listens on 127.0.0.1 only: the cluster's nodes ask it on this machine.
"""

import http.server
import os
import re
import socketserver
import sys
import urllib.parse

ROOM = re.compile(r"[A-Za-z0-9_-]{1,64}")


def allowed(path, form):
    user = form.get("username", "")
    if not ROOM.fullmatch(user):
        return False
    if path == "/auth/user":
        return form.get("password", "") != ""
    if form.get("vhost") != "/":
        return False
    if path == "/auth/vhost":
        return True
    resource, name, permission = form.get("resource"), form.get("name", ""), form.get("permission")
    if path == "/auth/resource":
        if resource == "exchange":
            return name == "amq.topic" and permission in ("read", "write")
        if resource == "queue":
            return name.startswith("mqtt-subscription-")
        return False
    if path == "/auth/topic":
        if resource != "topic" or name != "amq.topic" or permission not in ("read", "write"):
            return False
        return form.get("routing_key", "").startswith("quintora." + user + ".")
    return False


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def answer(self, form):
        path = urllib.parse.urlsplit(self.path).path
        body = b"allow" if allowed(path, form) else b"deny"
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        data = self.rfile.read(min(length, 65536)).decode("utf-8", "replace")
        self.answer({k: v[0] for k, v in urllib.parse.parse_qs(data, keep_blank_values=True).items()})

    def do_GET(self):
        query = urllib.parse.urlsplit(self.path).query
        self.answer({k: v[0] for k, v in urllib.parse.parse_qs(query, keep_blank_values=True).items()})

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    request_queue_size = 1024


def main():
    port = int(sys.argv[1])
    server = Server(("127.0.0.1", port), Handler)
    if len(sys.argv) > 2:
        with open(sys.argv[2], "w") as f:
            f.write(str(os.getpid()))
    server.serve_forever()


if __name__ == "__main__":
    main()
