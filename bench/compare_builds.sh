#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two builds of the game side by side, against the bare window, in one
# interleaved run: start-up, peak memory and idle wake-ups.
#
#   bench/compare_builds.sh BEFORE AFTER [rounds=12] [idle-seconds=10]
#
# BEFORE and AFTER are program folders as `make bench` leaves them
# (build/bench/bin, or a copy of it made before a change): quintora,
# quintora_startup_probe, bare_window_probe, libQuintora.so and the waves.
# The bare window is AFTER's, once with Latin menu captions (the yardstick of
# bench/README.md) and once with the game's Japanese ones ("bare_jp"), which
# need a Japanese face just as the game's menu bar does.
#
# Each round runs, in an order that turns from round to round:
#  * start-up, three times: the start-up probe of each build and the bare
#    window, each a whole process timed from outside with the shell's
#    microsecond clock and its peak resident set taken by /usr/bin/time; the
#    game/bare ratios are taken triple by triple;
#  * memory at 2 s: the real program of each build in a scratch folder with
#    the waves, its VmHWM read from /proc after two seconds;
#  * idle wake-ups, music on and music off (the settings file saying
#    BGM=OK or BGM=NG): the real program, left alone for 3 s, then its
#    threads' context switches (voluntary + involuntary, /proc/PID/task/*/
#    status) and processor time counted over idle-seconds. Every wake-up of
#    a thread that slept is one switch. "audio" is SDL's audio thread
#    (named SDLAudio*), "all" the whole process; the processor time is the
#    audio thread's, from /proc/PID/task/TID/schedstat.
#
# SDL plays on its dummy device (SDL_AUDIODRIVER=dummy unless set), which
# keeps the timing of a real one. Without DISPLAY the window is off-screen;
# for the figures that matter run it under Xvfb:
#   Xvfb :98 & DISPLAY=:98 bench/compare_builds.sh /tmp/before build/bench/bin
set -euo pipefail
before=$(cd "${1:?before folder}" && pwd)
after=$(cd "${2:?after folder}" && pwd)
rounds=${3:-12}
idle=${4:-10}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
for d in "$before" "$after"; do
    for f in quintora quintora_startup_probe bare_window_probe libQuintora.so BGM.wav; do
        [ -e "$d/$f" ] || { echo "missing $d/$f" >&2; exit 1; }
    done
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

median() { sort -g | awk '{v[NR]=$1} END {if (NR == 0) exit 1; print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
spread() { sort -g | awk 'NR==1{lo=$1} {hi=$1} END {printf "%s..%s", lo, hi}'; }

# Wall seconds and peak KiB of one whole run.
run_once() {
    local out t0 t1
    out=$tmp/time.out
    t0=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$out" "$@" >/dev/null 2>&1 || true
    t1=$EPOCHREALTIME
    echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.6f", b-a}') $(tail -n1 "$out")"
}

# A scratch folder holding a build's waves and a settings file with the
# music on or off; the program reads both from its current folder.
folder() {
    local build=$1 music=$2 dir
    dir=$tmp/$(echo "$build" | md5sum | cut -c1-8)-$music
    if [ ! -d "$dir" ]; then
        mkdir -p "$dir"
        cp "$build"/*.wav "$dir"/
        # 手順番号表示=NG, ｱｲｺﾝ表示=OK, BGM=..., in Shift-JIS with CR LF
        printf '\x8e\xe8\x8f\x87\x94\xd4\x8d\x86\x95\x5c\x8e\xa6=NG\r\n\xb1\xb2\xba\xdd\x95\x5c\x8e\xa6=OK\r\nBGM=%s\r\n' \
            "$([ "$music" = on ] && echo OK || echo NG)" >"$dir/Quintora.ini"
    fi
    echo "$dir"
}

# Starts the real program of `build` in its scratch folder; prints its pid.
start_game() {
    local build=$1 music=$2
    (cd "$(folder "$build" "$music")" && exec "$build/quintora" >/dev/null 2>&1) &
    echo $!
}

# Ends a program and gives the machine a moment, so that the next timing
# does not share it with the exit.
stop_game() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
    sleep 0.5
}

memory_at_2s() {
    local pid
    pid=$(start_game "$1" on)
    sleep 2
    awk '/^VmHWM:/{print $2}' "/proc/$pid/status"
    stop_game "$pid"
}

# "audio-switches all-switches audio-cpu-ns" of every thread summed
# (audio: the threads named SDLAudio*).
thread_counts() {
    local pid=$1 t name sw cpu a=0 all=0 acpu=0
    for t in /proc/"$pid"/task/*; do
        name=$(cat "$t/comm" 2>/dev/null) || continue
        sw=$(awk '/ctxt_switches/{s+=$2} END{print s+0}' "$t/status" 2>/dev/null) || continue
        cpu=$(awk '{print $1}' "$t/schedstat" 2>/dev/null) || continue
        all=$((all + sw))
        if [[ $name == SDLAudio* ]]; then
            a=$((a + sw))
            acpu=$((acpu + cpu))
        fi
    done
    echo "$a $all $acpu"
}

# Wake-ups a second of the audio thread and of the whole process, and the
# audio thread's processor milliseconds a second, while the game sits idle.
idle_wakeups() {
    local pid c0 c1
    pid=$(start_game "$1" "$2")
    sleep 3
    c0=$(thread_counts "$pid")
    sleep "$idle"
    c1=$(thread_counts "$pid")
    stop_game "$pid"
    awk -v x="$c0" -v y="$c1" -v s="$idle" 'BEGIN{split(x,p," "); split(y,q," ");
        printf "%.2f %.2f %.3f\n", (q[1]-p[1])/s, (q[2]-p[2])/s, (q[3]-p[3])/1e6/s}'
}

# Warm-up: page cache, font cache.
run_once "$before/quintora_startup_probe" >/dev/null
run_once "$after/quintora_startup_probe" >/dev/null
run_once "$after/bare_window_probe" >/dev/null

for ((r = 0; r < rounds; r++)); do
    order=(before after bare bare_jp)
    case $((r % 4)) in
        1) order=(after bare bare_jp before) ;;
        2) order=(bare bare_jp before after) ;;
        3) order=(bare_jp before after bare) ;;
    esac
    for ((k = 0; k < 3; k++)); do
        for who in "${order[@]}"; do
            case $who in
                before) run_once "$before/quintora_startup_probe" >>"$tmp/start.before" ;;
                after) run_once "$after/quintora_startup_probe" >>"$tmp/start.after" ;;
                bare) run_once "$after/bare_window_probe" >>"$tmp/start.bare" ;;
                bare_jp) run_once "$after/bare_window_probe" --japanese >>"$tmp/start.bare_jp" ;;
            esac
        done
    done
    for who in "${order[@]}"; do
        case $who in
            before) memory_at_2s "$before" >>"$tmp/mem.before" ;;
            after) memory_at_2s "$after" >>"$tmp/mem.after" ;;
        esac
    done
    for music in on off; do
        for who in "${order[@]}"; do
            case $who in
                before) idle_wakeups "$before" "$music" >>"$tmp/idle.before.$music" ;;
                after) idle_wakeups "$after" "$music" >>"$tmp/idle.after.$music" ;;
            esac
        done
    done
    echo "round $((r + 1)) of $rounds done" >&2
done

col() { cut -d' ' -f"$1" "$2"; }
ratio() { paste -d' ' <(col "$1" "$2") <(col "$1" "$3") | awk '{print $1/$2}'; }

echo "== start-up to first complete paint, whole process ($rounds rounds of 3)"
for b in before after bare bare_jp; do
    printf "  %-7s wall median %6.1f ms (%s s)   peak rss median %s KiB\n" "$b" \
        "$(col 1 "$tmp/start.$b" | median | awk '{print $1*1000}')" "$(col 1 "$tmp/start.$b" | spread)" \
        "$(col 2 "$tmp/start.$b" | median)"
done
for b in before after; do
    for y in bare bare_jp; do
        printf "  %-6s / %-7s wall %.3f (%s)   peak rss %.3f (%s)\n" "$b" "$y" \
            "$(ratio 1 "$tmp/start.$b" "$tmp/start.$y" | median)" "$(ratio 1 "$tmp/start.$b" "$tmp/start.$y" | spread)" \
            "$(ratio 2 "$tmp/start.$b" "$tmp/start.$y" | median)" "$(ratio 2 "$tmp/start.$b" "$tmp/start.$y" | spread)"
    done
done
printf "  after / before: wall %.3f   peak rss %.3f\n" \
    "$(ratio 1 "$tmp/start.after" "$tmp/start.before" | median)" "$(ratio 2 "$tmp/start.after" "$tmp/start.before" | median)"

echo "== peak memory of the program 2 s after its start (VmHWM), against the bare window's median peak"
bare_peak=$(col 2 "$tmp/start.bare" | median)
for b in before after; do
    awk -v bare="$bare_peak" '{print $1/bare}' "$tmp/mem.$b" >"$tmp/memratio.$b"
    printf "  %-6s median %s KiB (%s)   / bare %.3f (%s)\n" "$b" "$(median <"$tmp/mem.$b")" "$(spread <"$tmp/mem.$b")" \
        "$(median <"$tmp/memratio.$b")" "$(spread <"$tmp/memratio.$b")"
done

echo "== idle, ${idle} s after 3 s of quiet: wake-ups a second (audio thread / whole process), audio thread cpu ms a second"
for music in on off; do
    for b in before after; do
        f=$tmp/idle.$b.$music
        printf "  music %-3s %-6s audio %6.2f (%s)   all %6.2f (%s)   audio cpu %.3f ms/s\n" "$music" "$b" \
            "$(col 1 "$f" | median)" "$(col 1 "$f" | spread)" "$(col 2 "$f" | median)" "$(col 2 "$f" | spread)" \
            "$(col 3 "$f" | median)"
    done
done
