#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the measuring programs of bench/ after `make bench` has built them.
#
#   bench/run_probes.sh [pairs=15]
#
# Start-up and peak memory are whole-process figures: the game's probe and the
# bare window run in turn (A B A B ...), each run timed from outside with the
# shell's microsecond clock and its peak resident set taken by /usr/bin/time;
# the ratio is taken pair by pair and its median printed, which holds when the
# machine's speed drifts. Without DISPLAY the probes draw off-screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bench/bin
pairs=${1:-15}
for p in quintora_turn_cpu quintora_press_latency quintora_startup_probe bare_window_probe quintora_rss_probe; do
    [ -x "$bin/$p" ] || { echo "missing $bin/$p: run 'make bench' first" >&2; exit 1; }
done

median() { sort -g | awk '{v[NR]=$1} END {if (NR == 0) exit 1; print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
spread() { sort -g | awk 'NR==1{lo=$1} {hi=$1} END {printf "%s..%s", lo, hi}'; }

# One run of a command: wall seconds and peak resident KiB on one line.
run_once() {
    local out t0 t1
    out=$(mktemp)
    t0=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$out" "$@" >/dev/null 2>&1 || true
    t1=$EPOCHREALTIME
    echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.6f", b-a}') $(tail -n1 "$out")"
    rm -f "$out"
}

# Paired runs of A and B after one warm-up each; prints medians and ratios.
paired() {
    local label=$1 a=$2 b=$3 i ra rb
    local tmp
    tmp=$(mktemp -d)
    run_once $a >/dev/null
    run_once $b >/dev/null
    for ((i = 0; i < pairs; i++)); do
        ra=$(run_once $a)
        rb=$(run_once $b)
        echo "$ra" >>"$tmp/a"
        echo "$rb" >>"$tmp/b"
        awk -v x="$ra" -v y="$rb" 'BEGIN{split(x,p," "); split(y,q," "); print p[1]/q[1], p[2]/q[2]}' >>"$tmp/r"
    done
    echo "== $label ($pairs pairs)"
    printf "  A %-26s wall median %.1f ms (%s s), peak rss median %s KiB\n" "$(basename ${a%% *})" \
        "$(cut -d' ' -f1 "$tmp/a" | median | awk '{print $1*1000}')" "$(cut -d' ' -f1 "$tmp/a" | spread)" \
        "$(cut -d' ' -f2 "$tmp/a" | median)"
    printf "  B %-26s wall median %.1f ms (%s s), peak rss median %s KiB\n" "$(basename ${b%% *})" \
        "$(cut -d' ' -f1 "$tmp/b" | median | awk '{print $1*1000}')" "$(cut -d' ' -f1 "$tmp/b" | spread)" \
        "$(cut -d' ' -f2 "$tmp/b" | median)"
    printf "  A/B wall: median %.3f (%s)   A/B peak rss: median %.3f (%s)\n" \
        "$(cut -d' ' -f1 "$tmp/r" | median)" "$(cut -d' ' -f1 "$tmp/r" | spread)" \
        "$(cut -d' ' -f2 "$tmp/r" | median)" "$(cut -d' ' -f2 "$tmp/r" | spread)"
    rm -rf "$tmp"
}

echo "== computer turn, real pauses"
"$bin/quintora_turn_cpu" 10 100 2>/dev/null | tail -n 4
echo "== computer turn, real pauses, real sound library"
"$bin/quintora_turn_cpu" 10 100 --sound 2>/dev/null | tail -n 4
echo "== a person's press"
"$bin/quintora_press_latency" 600 2>/dev/null
paired "start-up to first complete paint (budget: A/B wall <= 1.5)" "$bin/quintora_startup_probe" "$bin/bare_window_probe"
paired "peak memory after a 200-stone game with move numbers (budget: A/B rss <= 1.3)" "$bin/quintora_rss_probe" "$bin/bare_window_probe"
