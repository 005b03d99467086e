#!/usr/bin/env bash
# The real windowed program. Without a usable display: one clear line and status 1. On a
# virtual X screen: a 320x240 window titled veltrane in the middle, which Escape or a close
# request ends at once with status 0.
set -u
if [ "${1:-}" != "--inside" ]; then
  program=$1 probe=$2 show_dir=$3
  cd "$show_dir" || exit 1
  err=$(mktemp)
  out=$(SDL_VIDEODRIVER=no-such-driver SDL_AUDIODRIVER=dummy timeout 30 "$program" 2>"$err")
  status=$? message=$(cat "$err")
  rm -f "$err"
  [ "$status" -eq 1 ] || { echo "FAIL: status $status without a display, expected 1"; exit 1; }
  [ -z "$out" ] && [ "$(wc -l <<<"$message")" -eq 1 ] &&
    [[ "$message" == "orvanta: cannot open the display: "*no-such-driver* ]] ||
    { echo "FAIL: expected one clear line on stderr, got: $out$message"; exit 1; }
  echo "ok: $message"
  command -v xvfb-run >/dev/null && [ -x "$probe" ] || { echo "SKIP: no xvfb-run or no X11 probe"; exit 77; }
  # On a screen, a missing data file means a message box that waits for an answer.
  [ -r data/pro2.mp3 ] || { echo "SKIP: no data set in $show_dir/data"; exit 77; }
  exec xvfb-run -a -s "-screen 0 800x600x24 -noreset" bash "$0" --inside "$program" "$probe"
fi
program=$2 probe=$3
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for action in escape close; do
  "$program" </dev/null & pid=$!
  info=
  # The window counts once it is on screen: one that exists but is not shown yet may still
  # be replaced by another.
  for _ in $(seq 300); do
    info=$(xwininfo -name veltrane 2>/dev/null) && grep -q IsViewable <<<"$info" && break
    sleep 0.1
  done
  geometry=$(awk '/Absolute upper-left [XY]|Width|Height/ { printf "%s ", $NF }' <<<"$info")
  [ "$geometry" = "240 180 320 240 " ] || fail "expected a 320x240 window centred on 800x600, got '$geometry'"
  sleep 1  # a few frames
  window=$(xwininfo -name veltrane 2>/dev/null | awk '/Window id/ { print $4 }')
  [ "$window" = "$(awk '/Window id/ { print $4 }' <<<"$info")" ] || fail "the shown window was replaced"
  "$probe" "$action" "$window" || fail "could not send $action"
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "still running 3 s after $action"
    kill "$pid"
    wait "$pid"
  else
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] && echo "ok: ended with status 0 after $action" || fail "status $status after $action"
  fi
done
[ "$failures" -eq 0 ]
