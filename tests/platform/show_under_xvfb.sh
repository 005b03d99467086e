#!/usr/bin/env bash
# The real programs on a virtual X screen: the window's title, size and place, and the end of
# the show within moments of Escape or of a close request.
set -u
if [ "${1:-}" != "--inside" ]; then
  command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not installed"; exit 77; }
  # On a screen, a missing data file means a message box that waits for an answer.
  [ -r "$4/data/pro2.mp3" ] || { echo "SKIP: no data set in $4/data"; exit 77; }
  exec xvfb-run -a -s "-screen 0 800x600x24" bash "$0" --inside "$@"
fi
shift
windowed=$1 fullscreen=$2 probe=$3 show_dir=$4
cd "$show_dir" || exit 1
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits up to $2 seconds for process $1 to end; sets exit_status to its status, or "running".
wait_for_exit() {
  local pid=$1 limit=$2 waited=0
  while kill -0 "$pid" 2>/dev/null; do
    if [ "$waited" -ge $((limit * 10)) ]; then exit_status=running; return; fi
    sleep 0.1; waited=$((waited + 1))
  done
  wait "$pid"; exit_status=$?
}

run_case() {  # program, action (escape|close), check geometry (yes|no)
  local program=$1 action=$2 check=$3
  "$program" </dev/null & local pid=$!
  local geometry
  if ! geometry=$("$probe" geometry veltrane 60); then
    fail "$(basename "$program"): no window titled veltrane"; kill "$pid"; wait "$pid"; return
  fi
  echo "$(basename "$program"): window at x y w h (screen w h): $geometry"
  if [ "$check" = yes ] && [ "$geometry" != "240 180 320 240 800 600" ]; then
    fail "$(basename "$program"): expected a centred 320x240 window, got $geometry"
  fi
  sleep 1  # let the show run a few frames
  "$probe" "$action" veltrane 5 || fail "could not send $action"
  wait_for_exit "$pid" 3
  local status=$exit_status
  if [ "$status" = running ]; then
    fail "$(basename "$program") still running 3 s after $action"; kill "$pid"; wait "$pid"
  elif [ "$status" != 0 ]; then
    fail "$(basename "$program") ended with status $status after $action"
  else
    echo "ok: $(basename "$program") ended with status 0 after $action"
  fi
}

run_case "$windowed" escape yes
run_case "$windowed" close yes
# Without a window manager the full-screen window cannot take the screen; only its end is checked.
run_case "$fullscreen" escape no
[ "$failures" -eq 0 ]
