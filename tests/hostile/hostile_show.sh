#!/usr/bin/env bash
# The whole show from a damaged data folder, in the capture tool at a low frame rate: it must
# run to its end with exit status 0, or 3 with a closing line saying that data files were
# missing or damaged (always 3 when a file could not be opened), every load of a damaged file must give the reader's own
# message (and nothing else may be printed: no sanitizer report), and it must not hang.
#
#   hostile_show.sh CAPTURE MAKER GOOD_DATA round N        the files of round N, all damaged
#   hostile_show.sh CAPTURE MAKER GOOD_DATA file NAME      every damage of NAME, one run each
#   hostile_show.sh CAPTURE MAKER GOOD_DATA pairs [FILE:VARIANT ...]
#   hostile_show.sh CAPTURE MAKER GOOD_DATA every VARIANT  that damage to every file it fits
#
# HOSTILE_FPS (default 4) and HOSTILE_TIMEOUT (seconds per run, default 600) tune a run.
set -u
capture=$1 maker=$2 good=$3 mode=$4
shift 4
fps=${HOSTILE_FPS:-4}
limit=${HOSTILE_TIMEOUT:-600}
for f in progress.tga pro2.mp3 bcube.3ds; do
  [ -e "$good/$f" ] || { echo "skipped: no data set at $good"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/orvanta_hostile.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$maker" list >"$work/catalogue" || exit 1
failures=0

# expected_messages FILE:VARIANT... -> the lines the readers must print, sorted: stderr ones
# to $work/expect_err, the number of console lines of the TGA reader to $work/expect_tga.
expected_messages() {
  local data=$1 pair name variant expect loads tga=0
  shift
  : >"$work/expect_err"
  for pair in "$@"; do
    name=${pair%%:*} variant=${pair#*:}
    read -r expect loads < <(awk -v n="$name" -v v="$variant" '$1 == n && $2 == v { print $3, $4 }' "$work/catalogue")
    case $expect in
      cant_open) for ((i = 0; i < loads; i++)); do echo "ERROR!: Cant open $data/$name"; done >>"$work/expect_err" ;;
      broken_3ds) for ((i = 0; i < loads; i++)); do echo "hore: error reading 3dsfile!"; done >>"$work/expect_err" ;;
      broken_tga) tga=$((tga + loads)) ;;
      none) ;;
      *) echo "FAIL: $pair is not in the catalogue"; return 1 ;;
    esac
  done
  sort -o "$work/expect_err" "$work/expect_err"
  echo "$tga" >"$work/expect_tga"
}

run_show() {
  local label=$1 data=$work/data status
  shift
  "$maker" make "$good" "$data" "$@" || { echo "FAIL [$label]: cannot make the folder"; failures=$((failures + 1)); return; }
  expected_messages "$data" "$@" || { failures=$((failures + 1)); return; }
  local started=$SECONDS
  timeout -k 10 "$limit" "$capture" --data "$data" --fps "$fps" --hashes "$work/hashes" >"$work/out" 2>"$work/err"
  status=$?
  local problems=()
  # The capture's own closing line for status 3; the rest is the readers'.
  local summary
  summary=$(grep -c '^orvanta_capture: [0-9]* data file(s) in .* missing or damaged' "$work/err")
  grep -v '^orvanta_capture: [0-9]* data file(s) in .* missing or damaged' "$work/err" >"$work/err_readers"
  if [ $status -eq 124 ] || [ $status -eq 137 ]; then
    problems+=("no end within $limit s (a hang?)")
  elif [ $status -ne 0 ] && [ $status -ne 3 ]; then
    problems+=("exit status $status")
  elif [ $status -eq 3 ] && [ "$summary" -ne 1 ]; then
    problems+=("status 3 without its closing line")
  elif [ $status -eq 0 ] && { [ "$summary" -ne 0 ] || grep -q 'Cant open' "$work/expect_err"; }; then
    problems+=("status 0 although data files were missing")
  fi
  if ! tail -n 1 "$work/hashes" 2>/dev/null | grep -qE '^[0-9]+ [0-9]+\.[0-9]{2} end [0-9a-f]{16}$'; then
    problems+=("the show did not reach its end scene")
  elif ! awk '$1 != NR - 1 { exit 1 }' "$work/hashes"; then
    problems+=("frames are missing")
  fi
  local tga_lines other_out
  tga_lines=$(grep -c '^ ERROR! Fuckedup tgafile! $' "$work/out")
  other_out=$(grep -v -e '^ ERROR! Fuckedup tgafile! $' -e '^$' "$work/out" | head -5)
  [ "$tga_lines" -eq "$(cat "$work/expect_tga")" ] ||
    problems+=("$tga_lines TGA console messages, expected $(cat "$work/expect_tga")")
  [ -z "$other_out" ] || problems+=("unexpected standard output: $other_out")
  sort "$work/err_readers" >"$work/err_sorted"
  cmp -s "$work/err_sorted" "$work/expect_err" || problems+=("standard error differs from the expected messages")
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok [$label] $((SECONDS - started)) s"
    return
  fi
  failures=$((failures + 1))
  echo "FAIL [$label]: ${problems[*]}"
  echo "  damaged: $*"
  echo "  --- expected on standard error:"; sed 's/^/  /' "$work/expect_err"
  echo "  --- standard error (first 60 lines):"; head -n 60 "$work/err" | sed 's/^/  /'
}

case $mode in
  round)
    mapfile -t pairs < <("$maker" round "$1") || exit 1
    [ ${#pairs[@]} -gt 0 ] || exit 1
    run_show "round $1" "${pairs[@]}"
    ;;
  file)
    mapfile -t variants < <(awk -v n="$1" '$1 == n { print $2 }' "$work/catalogue")
    [ ${#variants[@]} -gt 0 ] || { echo "no such file: $1"; exit 1; }
    for variant in "${variants[@]}"; do run_show "$1:$variant" "$1:$variant"; done
    ;;
  pairs)
    run_show "${*:-good data}" "$@"
    ;;
  every)
    mapfile -t pairs < <(awk -v v="$1" '$2 == v { print $1 ":" $2 }' "$work/catalogue")
    [ ${#pairs[@]} -gt 0 ] || { echo "no such variant: $1"; exit 1; }
    run_show "every file $1" "${pairs[@]}"
    ;;
  *)
    echo "unknown mode '$mode'"
    exit 2
    ;;
esac
[ "$failures" -eq 0 ]
