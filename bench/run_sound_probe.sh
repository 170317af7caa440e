#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The sound library against a real PulseAudio server of its own: starts a
# private server (a null sink, suspended after 1 s of idleness) in a
# temporary runtime folder, measures the server's wake-ups with no client at
# all, then runs quintora_sound_probe against it, and reads the sink's state
# while the probe idles with the music off. Then the real program, idle in
# its window (off-screen) with the music switched off and on: the server's
# wake-ups, the sink's state and the wake-ups of the program's audio
# threads, over 10 s from its 5th second. The server is stopped at the end.
#
#   bench/run_sound_probe.sh [rounds=20]
#
# Run `make bench` first (it builds the probe and the program into build/bench/bin).
set -eu

rounds=${1:-20}
here=$(cd "$(dirname "$0")" && pwd)
bin="$here/../build/bench/bin"
[ -x "$bin/quintora_sound_probe" ] || { echo "build the probe first: make bench" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed (scripts/install-deps test)" >&2; exit 1; }

runtime=$(mktemp -d)
server=
game=
cleanup() {
    [ -z "$game" ] || kill "$game" 2>/dev/null || true
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
# The same for the audio threads of SDL in process $1.
audio_switches() {
    for task in /proc/"$1"/task/*; do
        case $(cat "$task/comm" 2>/dev/null) in
            SDLAudio*) awk '/^voluntary_ctxt_switches:/ { print $2 }' "$task/status" ;;
        esac
    done | awk '{ n += $1 } END { print n + 0 }'
}
per_second() { awk "BEGIN { printf \"%.1f\", ($2 - $1) / 10 }"; }
sink_state() { pactl list short sinks | awk '$2 == "quintora_probe" { print $NF }'; }

sleep 3
before=$(server_switches)
sleep 10
after=$(server_switches)
echo "no client: server $(awk "BEGIN { printf \"%.1f\", ($after - $before) / 10 }")/s; sink $(sink_state)"

# The probe idles with the music off from its 5th to its 15th second.
(sleep 10 && echo "sink while the probe idles, music off: $(sink_state)") &
sampler=$!
cd "$bin"
SDL_AUDIODRIVER=pulseaudio ./quintora_sound_probe quintora_probe.monitor "$server" "$rounds"
wait "$sampler"

[ -x ./quintora ] || { echo "no program in $bin: the real program was not measured"; exit 0; }
mkdir "$runtime/game"
for wave in *.wav; do ln -s "$bin/$wave" "$runtime/game/$wave"; done
cd "$runtime/game"
for music in NG OK; do
    printf 'BGM=%s\r\n' "$music" >Quintora.ini
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=pulseaudio "$bin/quintora" >/dev/null 2>&1 &
    game=$!
    sleep 5
    s0=$(server_switches) a0=$(audio_switches "$game")
    sleep 10
    s1=$(server_switches) a1=$(audio_switches "$game")
    echo "the program idle, BGM=$music: server $(per_second "$s0" "$s1")/s; sink $(sink_state);" \
        "its audio threads $(per_second "$a0" "$a1")/s"
    kill "$game"
    wait "$game" 2>/dev/null || true
    game=
done
