#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a libFuzzer target of build/fuzz (`make fuzz` builds them) in fork
# mode: each batch of inputs runs in a child process, so one slow or
# memory-hungry input does not end the run, and the run goes on for its
# whole time unless something is found.
#
#   fuzz/run.sh wave|settings|box|room [seconds=900] [forks=1] [extra libFuzzer flags...]
#
# Each run starts from a fresh working corpus (build/fuzz/work/NAME-DATE)
# seeded from fuzz/corpus/NAME and the inputs of fuzz/regressions/NAME, with
# a seed of its own that it prints. Findings land in build/fuzz/findings/;
# a finding worth keeping goes into fuzz/regressions/NAME/, where the tests
# replay it. One fork leaves a core of a two-core machine to everybody else.
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:?"usage: fuzz/run.sh wave|settings|box|room [seconds] [forks]"}
seconds=${2:-900}
forks=${3:-1}
shift $(($# < 3 ? $# : 3))
case $name in
    wave) target=wave_fuzz ;;
    settings) target=settings_reader_fuzz ;;
    box) target=box_open_fuzz ;;
    room) target=room_message_fuzz ;;
    *) echo "unknown target $name" >&2; exit 2 ;;
esac
bin=build/fuzz/bin/$target
[ -x "$bin" ] || { echo "missing $bin: run 'make fuzz' first" >&2; exit 1; }
work=build/fuzz/work/$name-$(date +%Y%m%d-%H%M%S)
mkdir -p "$work" build/fuzz/findings
dict=()
[ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
seeds=("fuzz/corpus/$name")
[ -d "fuzz/regressions/$name" ] && seeds+=("fuzz/regressions/$name")
seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
set -x
exec "$bin" -fork="$forks" -seed="$seed" "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix=build/fuzz/findings/ "$@" "$work" "${seeds[@]}"
