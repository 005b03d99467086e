#!/usr/bin/env bash
# The programs in a hostile environment: no screen, no audio device, a damaged soundtrack,
# capture outputs that cannot be written, ffmpeg missing or failing. Each must end with a
# clear message and the right status, never with a crash, and never leave a half-written
# file behind while reporting success.
#
#   environment.sh ORVANTA ORVANTA_WINDOWED CAPTURE MAKER GOOD_DATA
set -u
orvanta=$1 windowed=$2 capture=$3 maker=$4 good=$5
for f in progress.tga pro2.mp3 bcube.3ds; do
  [ -e "$good/$f" ] || { echo "skipped: no data set at $good"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/orvanta_environment.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
show_log() { sed 's/^/    /' "$1" | head -n 30; }

# A crash or a sanitizer report on standard error.
crashed() { [ "$1" -ge 128 ] || grep -qE 'Sanitizer|runtime error:|Segmentation|Aborted|core dumped' "$2"; }

# --- No screen: one clear line, status 1, and no data read (a data folder holding only an
# empty soundtrack would show it: it passes for a data set, but every loader would complain).
mkdir -p "$work/no_data/data"
: >"$work/no_data/data/pro2.mp3"
for program in "$orvanta" "$windowed"; do
  name=$(basename "$program")
  for how in "no display server" "an unknown video driver"; do
    if [ "$how" = "no display server" ]; then
      (cd "$work/no_data" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
        timeout 60 "$program" </dev/null >"$work/out" 2>"$work/err")
    else
      (cd "$work/no_data" && SDL_VIDEODRIVER=no-such-driver SDL_AUDIODRIVER=dummy \
        timeout 60 "$program" </dev/null >"$work/out" 2>"$work/err")
    fi
    status=$?
    # The display libraries may say why they failed first; the program's own line is last.
    if [ $status -ne 1 ] || [ -s "$work/out" ] || ! tail -n 1 "$work/err" | grep -q '^orvanta: cannot open the display: ' ||
        grep -qE '^(ERROR!|hore): ' "$work/err"; then
      fail "$name with $how: status $status (expected 1, the reason on standard error, and no data read)"
      show_log "$work/err"
    else
      echo "ok: $name with $how: $(tail -n 1 "$work/err")"
    fi
  done
done

# --- The show on SDL's dummy screen for a few seconds, then interrupted (SIGINT is SDL's
# quit): status 0 whatever the sound; no message but, when the sound cannot play, one line
# saying why the show is silent. Run from a folder holding `data`.
run_briefly() {  # label, audio driver, silent lines expected (0, 1 or "0-1"), then FILE:VARIANT damages
  local label=$1 audio=$2 silent=$3 status lines
  shift 3
  "$maker" make "$good" "$work/show/data" "$@" || { fail "$label: cannot make the data folder"; return; }
  (cd "$work/show" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=$audio \
    timeout --preserve-status -k 20 -s INT "${HOSTILE_SHOW_SECONDS:-8}" "$windowed" </dev/null >"$work/out" 2>"$work/err")
  status=$?
  # The decoder may warn about a damaged file on standard error; the show itself says nothing.
  lines=$(grep -c '^orvanta: the show is silent: ' "$work/err")
  if [ $status -ne 0 ] || [ -s "$work/out" ] || crashed "$status" "$work/err" ||
      grep -v '^orvanta: the show is silent: ' "$work/err" | grep -qE '^(ERROR!|hore|orvanta): ' ||
      { [ "$silent" != 0-1 ] && [ "$lines" -ne "$silent" ]; } || [ "$lines" -gt 1 ]; then
    fail "$label: status $status, expected 0 and no message of the show's own but $silent line(s) on silence"
    show_log "$work/err"
  else
    echo "ok: $label"
  fi
}
run_briefly "no audio device" no-such-audio-driver 1
# Some damaged soundtracks still decode in part.
while read -r name variant _; do
  [ "$name" = pro2.mp3 ] && run_briefly "soundtrack $variant" dummy 0-1 "pro2.mp3:$variant"
done < <("$maker" list)

# --- Capture outputs that cannot be written. Every run still renders the whole show, so
# they run side by side, at one frame per second.
"$maker" make "$good" "$work/data" || exit 1
capture_case() {  # label, then the capture's arguments; writes label.status, label.err
  local label=$1
  shift
  ( ulimit -f "${FILE_LIMIT_KB:-unlimited}"
    timeout -k 10 600 env PATH="${CAPTURE_PATH:-$PATH}" "$capture" --data "$work/data" --fps 1 "$@" </dev/null >"$work/$label.out" 2>"$work/$label.err"
    echo $? >"$work/$label.status" ) &
}
expect_failure() {  # label, a word the message must hold, then files that must not exist
  local label=$1 word=$2 status
  shift 2
  status=$(cat "$work/$label.status")
  if [ "$status" -eq 0 ] || crashed "$status" "$work/$label.err" || ! grep -qi "$word" "$work/$label.err"; then
    fail "$label: status $status; expected a failure that names '$word'"
    show_log "$work/$label.err"
    return
  fi
  for file in "$@"; do [ ! -e "$file" ] || fail "$label: left $file behind"; done
  echo "ok: $label: $(head -n 1 "$work/$label.err")"
}
# A PNG is whole when its last chunk, IEND, is there.
png_whole() { [ "$(tail -c 12 "$1" | od -An -tx1 | tr -d ' \n')" = 0000000049454e44ae426082 ]; }

: >"$work/a_file"
mkdir -p "$work/taken/frame_000001.png"
capture_case png_under_a_file --to 3 --png "$work/a_file/png"
capture_case png_name_taken --to 3 --png "$work/taken"
FILE_LIMIT_KB=40 capture_case png_disk_full --to 3 --png "$work/full"
capture_case hashes_device_full --hashes /dev/full
capture_case hashes_no_folder --hashes "$work/no/such/folder/hashes"
FILE_LIMIT_KB=2 capture_case hashes_disk_full --hashes "$work/hashes_full"

# --- Video without ffmpeg, with an ffmpeg that fails or dies, into a folder ffmpeg cannot
# write: an error, a failure status, and neither the video nor its partial file left.
mkdir -p "$work/bin_fails" "$work/bin_dies"
printf '#!/bin/sh\necho "ffmpeg: refusing" >&2\nexit 1\n' >"$work/bin_fails/ffmpeg"
# Takes a little input, writes half a file to its output (the last argument), then dies.
printf '#!/bin/bash\nhead -c 100000 >/dev/null\nfor last; do :; done\nhead -c 5000 /dev/zero >"$last"\nkill -9 $$\n' \
  >"$work/bin_dies/ffmpeg"
chmod +x "$work/bin_fails/ffmpeg" "$work/bin_dies/ffmpeg"
CAPTURE_PATH=/nonexistent capture_case video_no_ffmpeg --to 2 --video "$work/v_none.mp4"
CAPTURE_PATH=$work/bin_fails:$PATH capture_case video_ffmpeg_fails --to 2 --video "$work/v_fails.mp4"
CAPTURE_PATH=$work/bin_dies:$PATH capture_case video_ffmpeg_dies --to 2 --video "$work/v_dies.mp4"
have_ffmpeg=0
command -v ffmpeg >/dev/null && have_ffmpeg=1
if [ $have_ffmpeg -eq 1 ]; then
  capture_case video_unwritable --to 2 --video "$work/a_file/v.mp4"
  "$maker" make "$good" "$work/bad_music" pro2.mp3:random || exit 1
  ( timeout -k 10 600 "$capture" --data "$work/bad_music" --fps 1 --to 2 --video "$work/v_music.mp4" \
      </dev/null >"$work/video_bad_music.out" 2>"$work/video_bad_music.err"
    echo $? >"$work/video_bad_music.status" ) &
fi
wait

expect_failure png_under_a_file "cannot create"
expect_failure png_name_taken "cannot write"
expect_failure png_disk_full "cannot write"
for png in "$work/full"/*.png; do
  [ -e "$png" ] || continue
  png_whole "$png" || fail "png_disk_full: $png is cut short"
done
expect_failure hashes_device_full "hashes"
expect_failure hashes_no_folder "cannot write"
expect_failure hashes_disk_full "hashes"
expect_failure video_no_ffmpeg "ffmpeg" "$work/v_none.mp4" "$work/v_none.partial.mp4"
expect_failure video_ffmpeg_fails "ffmpeg" "$work/v_fails.mp4" "$work/v_fails.partial.mp4"
expect_failure video_ffmpeg_dies "ffmpeg" "$work/v_dies.mp4" "$work/v_dies.partial.mp4"
if [ $have_ffmpeg -eq 1 ]; then
  expect_failure video_unwritable "ffmpeg" "$work/a_file/v.mp4"
  # A soundtrack ffmpeg cannot read: a video without it, or a clear failure and no file.
  status=$(cat "$work/video_bad_music.status")
  if crashed "$status" "$work/video_bad_music.err"; then
    fail "video with a damaged soundtrack crashed (status $status)"
    show_log "$work/video_bad_music.err"
  elif [ "$status" -eq 0 ] && [ ! -s "$work/v_music.mp4" ]; then
    fail "video with a damaged soundtrack reported success without a video"
  elif [ "$status" -ne 0 ] && [ -e "$work/v_music.mp4" -o -e "$work/v_music.partial.mp4" ]; then
    fail "video with a damaged soundtrack failed but left a file"
  else
    echo "ok: video with a damaged soundtrack: status $status $(head -n 1 "$work/video_bad_music.err")"
  fi
else
  echo "note: ffmpeg not installed; the runs that need it are left out"
fi

[ "$failures" -eq 0 ] && echo "ok: hostile environment"
[ "$failures" -eq 0 ]
