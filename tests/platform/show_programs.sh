#!/usr/bin/env bash
# The show programs as a user meets them: options, a data folder that is not there, the window
# size, the frame on the screen and what the program costs while it plays.
#   show_programs.sh ORVANTA ORVANTA_WINDOWED VERSION SHOW_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" != "--inside" ]; then
  full=$1 windowed=$2 version=$3 show_dir=$4
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  failures=0
  fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
  run() { "$@" >"$work/out" 2>"$work/err"; echo $? >"$work/status"; }
  status() { cat "$work/status"; }
  lines() { if [ -s "$work/$1" ]; then wc -l <"$work/$1"; else echo 0; fi; }

  # Without a display server: every answer must come on the terminal.
  unset DISPLAY WAYLAND_DISPLAY
  for program in "$full" "$windowed"; do
    name=$(basename "$program")
    run "$program" --help
    [ "$(status)" = 0 ] && grep -q "^usage: $name " "$work/out" && [ ! -s "$work/err" ] ||
      fail "$name --help: status $(status), expected the usage on standard output"
    run "$program" --version
    [ "$(status)" = 0 ] && [ "$(cat "$work/out")" = "orvanta $version" ] ||
      fail "$name --version: status $(status), printed '$(cat "$work/out")', expected 'orvanta $version'"
    run "$program" --bogus
    [ "$(status)" = 2 ] && grep -q "unknown option '--bogus'" "$work/err" && grep -q "^usage: $name " "$work/err" &&
      [ ! -s "$work/out" ] || fail "$name --bogus: status $(status), expected 2 and the usage on standard error"
    start=$(date +%s%N)
    run "$program" --data /nonexistent
    elapsed=$((($(date +%s%N) - start) / 1000000))
    [ "$(status)" = 1 ] && [ "$(lines err)" = 1 ] && grep -q "'/nonexistent'.*datagen /nonexistent" "$work/err" &&
      [ "$elapsed" -lt 1000 ] ||
      fail "$name --data /nonexistent: status $(status) after $elapsed ms, stderr: $(cat "$work/err")"
    # From a folder without data/ (and no installed data set beside a build): the default is named.
    mkdir -p "$work/empty/data"
    (cd "$work/empty" && run "$program")
    [ "$(status)" = 1 ] && [ "$(lines err)" = 1 ] && grep -q "no show data in the folder 'data'" "$work/err" ||
      fail "$name in a folder with an empty data/: status $(status), stderr: $(cat "$work/err")"
  done
  [ "$failures" -eq 0 ] && echo "ok: options and missing data, without a display"

  command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null && command -v xwd >/dev/null &&
    command -v xdotool >/dev/null && command -v python3 >/dev/null ||
    { echo "SKIP: needs xvfb-run, xwininfo, xwd, xdotool and python3 for the rest"; [ "$failures" -eq 0 ] && exit 77; exit 1; }
  [ -r "$show_dir/data/l33t.tga" ] || { echo "FAIL: no data set in $show_dir/data"; exit 1; }
  xvfb-run -a -s "-screen 0 1280x960x24 -noreset" bash "$0" --inside "$full" "$windowed" "$show_dir" "$work" ||
    failures=$((failures + 1))
  [ "$failures" -eq 0 ]
  exit
fi

# --- On a virtual 1280x960 X screen.
full=$2 windowed=$3 show_dir=$4 work=$5
here=$(cd "$(dirname "$0")" && pwd)
cd "$show_dir" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
window_of() {  # title, tries: prints xwininfo's answer once the window is on screen
  local info
  for _ in $(seq "$2"); do
    info=$(xwininfo -name "$1" 2>/dev/null) && grep -q IsViewable <<<"$info" && { echo "$info"; return 0; }
    sleep 0.1
  done
  return 1
}
stop() {  # SDL turns SIGTERM into a quit event, which a waiting message box never reads
  kill "$1" 2>/dev/null
  for _ in $(seq 30); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

# The missing data set is one box, answered with Enter, then status 1.
"$full" --data /nonexistent 2>"$work/box.err" & pid=$!
if info=$(window_of orvanta 50); then
  sleep 0.3
  xdotool key --window "$(awk '/Window id/ { print $4 }' <<<"$info")" Return 2>/dev/null
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "the box about the missing data did not go with Enter"
    stop "$pid"
  else
    wait "$pid"
    status=$?
    [ "$status" = 1 ] && [ "$(wc -l <"$work/box.err")" = 1 ] || fail "after the box: status $status, $(cat "$work/box.err")"
    echo "ok: one box about the missing data, then status 1"
  fi
else
  fail "no box about the missing data"
  stop "$pid"
fi

# Full screen, started near the end: the end picture fills the 1280x960 screen at scale 4,
# pixel for pixel. First without a window manager, then with one.
full_screen_check() {  # label
  SDL_AUDIODRIVER=dummy "$full" --data data --start 95 </dev/null 2>"$work/full.err" & pid=$!
  local shot matched=
  window_of veltrane 100 >/dev/null || fail "$1: no window"
  sleep 1.2
  # A busy machine (or a window manager) may take a little longer: a few more looks, a quarter
  # of a second apart, before the show ends at 98 s; the pictures are compared afterwards.
  for shot in 0 1 2 3 4 5 6; do
    xwd -root -silent >"$work/screen$shot.xwd"
    sleep 0.25
  done
  stop "$pid"
  for shot in 0 1 2 3 4 5 6; do
    if python3 "$here/screen_check.py" "$work/screen$shot.xwd" data/l33t.tga >"$work/check.txt"; then
      matched=$shot
      break
    fi
  done
  if [ -n "$matched" ]; then
    echo "ok: $1: $(cat "$work/check.txt")$([ "$matched" -gt 0 ] && echo " (look $matched)")"
  else
    fail "$1: $(cat "$work/check.txt"); $(cat "$work/full.err")"
  fi
}
full_screen_check "full screen without a window manager"
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 & wm=$!
  sleep 1
  full_screen_check "full screen under openbox"
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
else
  echo "note: openbox not installed; the check under a window manager is left out"
fi

# The windowed program at scale 2: a 640x480 window titled veltrane, centred. Ten seconds of it
# must cost at most 15 % of a core, and its sound (on the disk driver) must not be silent.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" "$windowed" --scale 2 </dev/null 2>"$work/windowed.err" & pid=$!
info=$(window_of veltrane 300)
geometry=$(awk '/Absolute upper-left [XY]|Width|Height/ { printf "%s ", $NF }' <<<"$info")
[ "$geometry" = "320 240 640 480 " ] || fail "expected a 640x480 window centred on 1280x960, got '$geometry'"
sleep 1
ticks=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
before=$(cpu) started=$(date +%s%N)
sleep 10
after=$(cpu) ended=$(date +%s%N)
# Space stands the picture still, and again lets it go on.
id=$(awk '/Window id/ { print $4 }' <<<"$info")
shot() { xwd -id "$id" -silent | md5sum; }
# The opening's grain changes every frame, so two equal looks mean a picture standing still.
still() {
  local first second
  for _ in 1 2 3 4 5 6; do
    sleep 0.3
    first=$(shot)
    sleep 0.3
    second=$(shot)
    [ "$first" = "$second" ] && return 0
  done
  return 1
}
xdotool key --window "$id" space 2>/dev/null
if still; then
  xdotool key --window "$id" space 2>/dev/null
  sleep 0.5
  first=$(shot)
  sleep 0.3
  [ "$first" != "$(shot)" ] && echo "ok: Space pauses and resumes the picture" || fail "Space: the picture stood still after resuming"
else
  fail "Space: the paused picture changed"
fi
stop "$pid"
percent=$(((after - before) * 100 * 1000000000 / ticks / (ended - started)))
echo "windowed program: ${percent} % of a core over 10 s"
# Sanitizer builds are several times slower: there the figure is only reported.
limit=${SHOW_CPU_LIMIT:-15}
[ "$percent" -le "$limit" ] || fail "the windowed program used ${percent} % of a core (at most $limit %)"
loud=$(python3 -c "
import array, sys
samples = array.array('h', open(sys.argv[1], 'rb').read())
print(sum(1 for s in samples if abs(s) > 1000))" "$work/sound.raw")
echo "windowed program: $loud loud samples written"
[ "${loud:-0}" -gt 44100 ] || fail "the sound written on the disk driver is silent"

[ "$failures" -eq 0 ]
