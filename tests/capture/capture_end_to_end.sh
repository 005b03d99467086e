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
lines() { wc -l <"$1"; }

# Two frames per second: show times 0.5 s ... 97.5 s are drawn; the frame at 98 s closes.
"$capture" --fps 2 --hashes - >"$work/h2" 2>"$work/err" || fail "capture at 2 fps failed: $(cat "$work/err")"
[ "$(lines "$work/h2")" -eq 195 ] || fail "expected 195 hash lines at 2 fps, got $(lines "$work/h2")"
bad=$(grep -cvE '^[0-9]+ [0-9]+\.[0-9]{2} (intro|tunnel|blob|spike|plasma|cube|end) [0-9a-f]{16}$' "$work/h2")
[ "$bad" -eq 0 ] || fail "$bad malformed hash lines"
awk '$1 != NR - 1 { exit 1 }' "$work/h2" || fail "frame indices are not 0, 1, 2, ..."
[ "$(cut -d' ' -f1-3 "$work/h2" | sed -n '1p;$p' | tr '\n' ' ')" = "0 50.00 intro 194 9750.00 end " ] ||
  fail "first and last lines: $(sed -n '1p;$p' "$work/h2")"
scenes=$(cut -d' ' -f3 "$work/h2" | uniq | tr '\n' ' ')
[ "$scenes" = "intro tunnel blob spike plasma cube end " ] || fail "scene order: $scenes"
at() { awk -v t="$1" '$2 == t { printf "%s ", $3 }' "$work/h2"; }
[ "$(at 1500.00)$(at 1550.00)$(at 9350.00)$(at 9400.00)" = "intro tunnel cube end " ] ||
  fail "the tunnel must start at 15.30 s and the end scene at 94.00 s"

# A range writes only its frames, with the whole run's indices and times.
"$capture" --fps 2 --from 10 --to 20 --hashes - >"$work/range" 2>/dev/null
[ "$(lines "$work/range")" -eq 20 ] || fail "expected 20 lines in [10 s, 20 s), got $(lines "$work/range")"
[ "$(head -1 "$work/range" | cut -d' ' -f1,2)" = "19 1000.00" ] || fail "range starts at $(head -1 "$work/range")"
grep -Fxq -f "$work/range" "$work/h2" || fail "range lines differ from the whole run's"

# Sixty frames per second: the sum of float steps reaches 98 s after 5879 drawn frames. One
# thread and the pipeline write the same lines.
n60=$("$capture" --hashes - 2>/dev/null | wc -l)
[ "$n60" -eq 5879 ] || fail "expected 5879 frames at 60 fps, got $n60"
for threads in 1 3; do
  "$capture" --fps 2 --threads $threads --hashes "$work/t$threads" 2>/dev/null || fail "--threads $threads failed"
  cmp -s "$work/t$threads" "$work/h2" || fail "--threads $threads wrote other hash lines"
done

# Ranges that hold no frame are refused before rendering; so is a run with nothing to write.
for args in "--from 99 --png $work/none" "--fps 2 --from 10.1 --to 10.2 --hashes -" "--fps 60 --from 97.99 --hashes -"; do
  # shellcheck disable=SC2086
  "$capture" $args >"$work/out" 2>"$work/err"
  status=$?
  [ $status -eq 2 ] && [ ! -s "$work/out" ] && grep -q 'no frame' "$work/err" || fail "'$args' gave status $status"
done
[ ! -e "$work/none" ] || fail "an empty range made the PNG folder"
"$capture" >/dev/null 2>"$work/err"
status=$?
[ $status -eq 2 ] && grep -q '^usage: orvanta_capture' "$work/err" || fail "no output option gave status $status"

# A data folder with missing files: the frames are still written, and the status says so.
"$capture" --data /nonexistent --fps 2 --hashes - >"$work/nodata" 2>"$work/err"
status=$?
[ $status -eq 3 ] || fail "--data /nonexistent gave status $status"
[ "$(lines "$work/nodata")" -eq 195 ] || fail "--data /nonexistent wrote $(lines "$work/nodata") lines"
grep -q 'missing or damaged' "$work/err" || fail "--data /nonexistent did not say why: $(tail -1 "$work/err")"

"$capture" --fps 1 --to 3 --png "$work/png" 2>/dev/null || fail "PNG capture failed"
[ "$(ls "$work/png" | tr '\n' ' ')" = "frame_000000.png frame_000001.png " ] || fail "PNG files: $(ls "$work/png")"
header=$(od -An -tx1 -N24 "$work/png/frame_000001.png" | tr -d ' \n')
[ "$header" = "89504e470d0a1a0a0000000d4948445200000140000000f0" ] || fail "not a 320x240 PNG: $header"
"$capture" --fps 1 --from 1 --to 2 --scale 2 --png "$work/png2" 2>/dev/null || fail "scaled PNG capture failed"
header=$(od -An -tx1 -N24 "$work/png2/frame_000000.png" | tr -d ' \n')
[ "$header" = "89504e470d0a1a0a0000000d4948445200000280000001e0" ] || fail "not a 640x480 PNG: $header"

# Bad options: a usage message and status 2; --help: the usage and success.
for args in "--fps 0" "--bogus" "--png" "--from 5 --to 5" "extra" "--scale 0 --hashes -" "--threads 0 --hashes -" \
  "--video show.webm"; do
  # shellcheck disable=SC2086
  "$capture" $args >/dev/null 2>"$work/err"
  status=$?
  [ $status -eq 2 ] && grep -q '^usage: orvanta_capture' "$work/err" || fail "'$args' gave status $status"
done
"$capture" --help 2>&1 | grep -q '^usage: orvanta_capture' || fail "--help printed no usage"

# A video that cannot be made is a failure with a clear error, and leaves no file behind.
PATH=/nonexistent "$capture" --fps 2 --video "$work/none.mp4" >/dev/null 2>"$work/err" && fail "no ffmpeg, yet success"
grep -q 'ffmpeg' "$work/err" || fail "--video without ffmpeg gave no clear error: $(cat "$work/err")"
[ ! -e "$work/none.mp4" ] || fail "--video without ffmpeg left a file"
if command -v ffmpeg >/dev/null; then
  "$capture" --fps 10 --to 1 --video "$work/missing_dir/clip.mp4" >/dev/null 2>&1 &&
    fail "a video that ffmpeg could not write was reported as written"
  [ -z "$(ls -A "$work/missing_dir" 2>/dev/null)" ] || fail "failed video left files"
  "$capture" --fps 8 --from 1 --to 3 --scale 2 --video "$work/clip.mp4" 2>"$work/err" ||
    fail "video failed: $(cat "$work/err")"
  [ ! -e "$work/clip.partial.mp4" ] || fail "partial video left behind"
  if command -v ffprobe >/dev/null; then
    video=$(ffprobe -v error -count_frames -select_streams v:0 \
      -show_entries stream=codec_name,pix_fmt,width,height,nb_read_frames -of csv=p=0 "$work/clip.mp4")
    [ "$video" = "h264,640,480,yuv420p,16" ] || fail "expected 16 frames of 640x480 H.264 in yuv420p, got $video"
    audio=$(ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 "$work/clip.mp4")
    [ ! -r data/pro2.mp3 ] || [ "$audio" = aac ] || fail "the video's sound is not AAC: '$audio'"
    # Playable while it downloads: the index (moov) comes before the media data (mdat).
    moov=$(grep -boa moov "$work/clip.mp4" | head -1 | cut -d: -f1)
    mdat=$(grep -boa mdat "$work/clip.mp4" | head -1 | cut -d: -f1)
    [ -n "$moov" ] && [ -n "$mdat" ] && [ "$moov" -lt "$mdat" ] || fail "moov at ${moov:-?}, mdat at ${mdat:-?}"
    # At the frames' own size the tool hands ffmpeg its own colour planes: the video must
    # still show the frames' colours (planes swapped or misplaced fall far below 30 dB).
    "$capture" --fps 8 --from 1 --to 2 --video "$work/own.mp4" --png "$work/own_png" 2>"$work/err" ||
      fail "video at the frames' size failed: $(cat "$work/err")"
    video=$(ffprobe -v error -count_frames -select_streams v:0 \
      -show_entries stream=codec_name,pix_fmt,width,height,nb_read_frames -of csv=p=0 "$work/own.mp4")
    [ "$video" = "h264,320,240,yuv420p,8" ] || fail "expected 8 frames of 320x240 H.264 in yuv420p, got $video"
    first=$(ls "$work/own_png" | head -1 | tr -dc 0-9)
    psnr=$(ffmpeg -hide_banner -i "$work/own.mp4" -framerate 8 -start_number $((10#$first)) \
      -i "$work/own_png/frame_%06d.png" \
      -lavfi "[0:v]setpts=PTS-STARTPTS,format=gbrp[a];[1:v]setpts=PTS-STARTPTS,format=gbrp[b];[a][b]psnr" \
      -f null - 2>&1 | sed -n 's/.*PSNR.* average:\([0-9.]*\).*/\1/p')
    awk -v p="${psnr:-0}" 'BEGIN { exit !(p > 30) }' || fail "the video's colours are not the frames': PSNR ${psnr:-?} dB"
  fi
else
  echo "note: ffmpeg not installed; the video output itself is not checked"
fi

[ "$failures" -eq 0 ] && echo "ok: capture end to end"
[ "$failures" -eq 0 ]
