#!/usr/bin/env bash
# The whole show in real time on SDL's dummy video and audio drivers: it must end by itself
# after 98 s of show time with status 0.
set -u
program=$1 show_dir=$2
cd "$show_dir" || exit 1
start=$(date +%s)
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 300 "$program" </dev/null
status=$?
elapsed=$(( $(date +%s) - start ))
echo "exit status $status after ${elapsed} s"
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; exit 1; }
[ "$elapsed" -ge 97 ] || { echo "FAIL: ended after ${elapsed} s, before the show's 98 s"; exit 1; }
