#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The sound library against a real PulseAudio server of its own: starts a
# private server (a null sink, suspended after 1 s of idleness) in a
# temporary runtime folder, measures the server's wake-ups with no client at
# all, then runs quintora_sound_probe against it, and reads the sink's state
# while the probe idles with the music off. The server is stopped at the end.
#
#   bench/run_sound_probe.sh [rounds=20]
#
# Run `make bench` first (it builds the probe into build/bench/bin).
set -eu

rounds=${1:-20}
here=$(cd "$(dirname "$0")" && pwd)
bin="$here/../build/bench/bin"
[ -x "$bin/quintora_sound_probe" ] || { echo "build the probe first: make bench" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed (scripts/install-deps test)" >&2; exit 1; }

runtime=$(mktemp -d)
server=
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT INT TERM

export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse" HOME="$runtime"
mkdir -p "$runtime/.config/pulse"
echo "autospawn = no" >"$runtime/.config/pulse/client.conf"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr --log-level=error \
    --load="module-null-sink sink_name=quintora_probe" \
    --load=module-native-protocol-unix \
    --load="module-suspend-on-idle timeout=1" 2>"$runtime/server.log" &
server=$!
tries=0
until pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || { cat "$runtime/server.log" >&2; echo "the server did not start" >&2; exit 1; }
    sleep 0.1
done

# The server's voluntary context switches, summed over its threads.
server_switches() {
    cat /proc/"$server"/task/*/status | awk '/^voluntary_ctxt_switches:/ { n += $2 } END { print n }'
}
sink_state() { pactl list short sinks | awk '$2 == "quintora_probe" { print $NF }'; }

sleep 3
before=$(server_switches)
sleep 10
after=$(server_switches)
echo "no client: server $(awk "BEGIN { printf \"%.1f\", ($after - $before) / 10 }")/s; sink $(sink_state)"

# The probe idles with the music off from its 3rd to its 13th second.
(sleep 8 && echo "sink while the probe idles, music off: $(sink_state)") &
sampler=$!
cd "$bin"
SDL_AUDIODRIVER=pulseaudio ./quintora_sound_probe quintora_probe.monitor "$server" "$rounds"
wait "$sampler"
