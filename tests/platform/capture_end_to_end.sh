#!/usr/bin/env bash
# The capture tool end to end: hash lines, frame counts, time ranges, PNG files, video and
# the handling of bad options.
set -u
capture=$1 show_dir=$2
cd "$show_dir" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Two frames per second: show times 0.5 s ... 97.5 s are drawn; the frame at 98 s closes.
"$capture" --fps 2 --hashes - >"$work/h2" 2>"$work/err"
[ $? -eq 0 ] || fail "capture at 2 fps failed: $(cat "$work/err")"
[ "$(wc -l <"$work/h2")" -eq 195 ] || fail "expected 195 hash lines at 2 fps, got $(wc -l <"$work/h2")"
bad=$(grep -cvE '^[0-9]+ [0-9]+\.[0-9]{2} (intro|tunnel|blob|spike|plasma|cube|end) [0-9a-f]{16}$' "$work/h2")
[ "$bad" -eq 0 ] || fail "$bad malformed hash lines"
awk '$1 != NR - 1 { exit 1 }' "$work/h2" || fail "frame indices are not 0, 1, 2, ..."
[ "$(head -c 14 "$work/h2")" = "0 50.00 intro " ] || fail "first line: $(head -1 "$work/h2")"
[ "$(tail -1 "$work/h2" | cut -c1-15)" = "194 9750.00 end" ] || fail "last line: $(tail -1 "$work/h2")"
scenes=$(cut -d' ' -f3 "$work/h2" | uniq | tr '\n' ' ')
[ "$scenes" = "intro tunnel blob spike plasma cube end " ] || fail "scene order: $scenes"
line_at() { awk -v t="$1" '$2 == t { print $3 }' "$work/h2"; }
[ "$(line_at 1500.00) $(line_at 1550.00)" = "intro tunnel" ] || fail "tunnel does not start at 15.30 s"
[ "$(line_at 9350.00) $(line_at 9400.00)" = "cube end" ] || fail "end scene does not start at 94.00 s"

# The same run twice gives the same frames.
"$capture" --fps 2 --hashes "$work/h2b" 2>/dev/null
cmp -s "$work/h2" "$work/h2b" || fail "two runs at 2 fps differ"

# A range writes only its frames, with the whole run's indices and times.
"$capture" --fps 2 --from 10 --to 20 --hashes - >"$work/range" 2>/dev/null
[ "$(wc -l <"$work/range")" -eq 20 ] || fail "expected 20 lines in [10 s, 20 s), got $(wc -l <"$work/range")"
[ "$(head -1 "$work/range" | cut -d' ' -f1,2)" = "19 1000.00" ] || fail "range starts at $(head -1 "$work/range")"
grep -Fxq -f "$work/range" "$work/h2" || fail "range lines differ from the whole run's"

# Sixty frames per second: the sum of float steps reaches 98 s after 5879 drawn frames.
"$capture" --hashes - 2>/dev/null | wc -l >"$work/n60"
[ "$(cat "$work/n60")" -eq 5879 ] || fail "expected 5879 frames at 60 fps, got $(cat "$work/n60")"

# PNG files: frames at 1 s and 2 s.
"$capture" --fps 1 --to 3 --png "$work/png" 2>/dev/null || fail "PNG capture failed"
[ "$(ls "$work/png" | tr '\n' ' ')" = "frame_000000.png frame_000001.png " ] || fail "PNG files: $(ls "$work/png")"
header=$(od -An -tx1 -N24 "$work/png/frame_000001.png" | tr -d ' \n')
[ "$header" = "89504e470d0a1a0a0000000d4948445200000140000000f0" ] || fail "not a 320x240 PNG: $header"

# Bad options: a usage message and status 2.
for args in "--fps 0" "--fps abc" "--bogus" "--png" "--from 5 --to 5" "extra"; do
  # shellcheck disable=SC2086
  "$capture" $args >/dev/null 2>"$work/err"
  status=$?
  [ $status -eq 2 ] || fail "'$args' gave status $status, expected 2"
  grep -q '^usage: orvanta_capture' "$work/err" || fail "'$args' printed no usage"
done
"$capture" --help >"$work/help" 2>&1 || fail "--help failed"
grep -q '^usage: orvanta_capture' "$work/help" || fail "--help printed no usage"

# A video without ffmpeg: a clear error, a failure status and no file.
PATH=/nonexistent "$capture" --fps 2 --video "$work/none.mp4" >/dev/null 2>"$work/err"
status=$?
[ $status -ne 0 ] || fail "--video without ffmpeg reported success"
grep -q 'ffmpeg' "$work/err" || fail "--video without ffmpeg gave no clear error: $(cat "$work/err")"
[ ! -e "$work/none.mp4" ] || fail "--video without ffmpeg left a file"

if command -v ffmpeg >/dev/null; then
  "$capture" --fps 8 --from 1 --to 3 --video "$work/clip.mp4" 2>"$work/err" || fail "video capture failed: $(cat "$work/err")"
  [ -s "$work/clip.mp4" ] || fail "no video written"
  [ ! -e "$work/clip.partial.mp4" ] || fail "partial video left behind"
  if command -v ffprobe >/dev/null; then
    streams=$(ffprobe -v error -show_entries stream=codec_type,width,height -of csv=p=0 "$work/clip.mp4" | sort | tr '\n' ' ')
    frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$work/clip.mp4")
    echo "video streams: $streams; frames: $frames"
    [ "$frames" = 16 ] || fail "expected 16 video frames, got $frames"
    case "$streams" in *"video,320,240"*) ;; *) fail "video is not 320x240: $streams" ;; esac
    if [ -r data/pro2.mp3 ]; then
      case "$streams" in *audio*) ;; *) fail "video has no soundtrack: $streams" ;; esac
    fi
  fi
  "$capture" --fps 10 --to 1 --video "$work/missing_dir/clip.mp4" >/dev/null 2>"$work/err"
  [ $? -ne 0 ] || fail "a video that ffmpeg could not write was reported as written"
  [ -z "$(ls -A "$work/missing_dir" 2>/dev/null)" ] || fail "failed video left files"
else
  echo "note: ffmpeg not installed; the video output itself is not checked"
fi

[ "$failures" -eq 0 ] && echo "ok: capture end to end"
[ "$failures" -eq 0 ]
