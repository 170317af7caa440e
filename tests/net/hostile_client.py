#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A hostile machine in a room: it listens to the room's commands, copies
one of another machine's, then sends malformed, oversized, replayed, forged
and out-of-turn messages. Only to the loopback broker it is given.

    hostile_client.py PORT ROOM VICTIM

Prints "ready" once it listens, waits for a command of VICTIM, sends its
messages (each acknowledged by the broker), prints "sent" and ends."""
import secrets
import signal
import sys
import threading

import paho.mqtt.client as mqtt

port, room, victim = int(sys.argv[1]), sys.argv[2], sys.argv[3]
signal.alarm(60)  # never outlives a stuck broker

cmd_topic = f"quintora/{room}/cmd"
captured = []
got = threading.Event()
subscribed = threading.Event()


def on_message(client, userdata, message):
    if message.topic == cmd_topic and message.payload.startswith(f"cmd {victim} ".encode()):
        captured.append(message.payload)
        got.set()


client = mqtt.Client(client_id="intruder", protocol=mqtt.MQTTv311)
client.on_message = on_message
client.on_subscribe = lambda *args: subscribed.set()
client.connect("127.0.0.1", port)
client.loop_start()
client.subscribe(cmd_topic, qos=1)
if not subscribed.wait(20):
    sys.exit("no subscription")
print("ready", flush=True)
if not got.wait(30):
    sys.exit("no command of the victim heard")


def send(topic, payload):
    client.publish(topic, payload, qos=1).wait_for_publish()


fields = captured[0].decode().split(" ")
n = int(fields[2])
mine = secrets.token_hex(16)
step_topic = f"quintora/{room}/step"
for payload in [
    b"\xff\xfe garbage\x00",
    b"cmd " + b"a" * 300000,
    captured[0],  # the victim's command again
    f"cmd {victim} {n + 1} {secrets.token_hex(16)} press 10 10".encode(),  # its seat, a token made up
    f"join {victim} {secrets.token_hex(16)} 0123".encode(),
    f"leave {victim} {secrets.token_hex(16)}".encode(),
    f"join intruder {mine} 3".encode(),  # a machine of its own: no seat is free
    f"cmd intruder 1 {mine} press 10 10".encode(),
    f"cmd intruder 2 {mine} esc".encode(),
    f"cmd intruder 3 {mine} press 0 0".encode(),
    f"cmd intruder 4 {mine} SYURYOU".encode(),
]:
    send(cmd_topic, payload)
send(f"quintora/another-{room}/cmd", f"cmd intruder 5 {mine} PLAY_4".encode())
for payload in [
    b"step 1 2 3",
    b"step 0 0000000000000000 intruder\nPLAY_4\n",
    b"step 99999 0000000000000000 intruder\nPLAY_4\n",
    b"step 1 0000000000000000 intruder\n" + b"SAISYO\n" * 1000,
]:
    send(step_topic, payload)
send(f"quintora/{room}/journal", b"journal zz\nPLAY_4\n")
send(f"quintora/{room}/seats", b"seats intruder intruder")
send(f"quintora/{room}/orderer", b"orderer intruder 0123456789abcdef")
send(f"quintora/{room}/gone", f"leave maker {secrets.token_hex(16)}".encode())  # the orderer's will, forged
print("sent", flush=True)
client.loop_stop()
client.disconnect()
