#!/usr/bin/env bash
# The show without a usable display: one line on standard error and status 1.
set -u
program=$1 show_dir=$2
cd "$show_dir" || exit 1
err=$(mktemp) out=$(mktemp)
trap 'rm -f "$err" "$out"' EXIT
SDL_VIDEODRIVER=no-such-driver SDL_AUDIODRIVER=dummy timeout 30 "$program" >"$out" 2>"$err"
status=$?
fail() { echo "FAIL: $*"; echo "--- stderr:"; cat "$err"; exit 1; }
[ "$status" -eq 1 ] || fail "exit status $status, expected 1"
[ "$(wc -l <"$err")" -eq 1 ] || fail "expected exactly one line on stderr"
grep -q '^orvanta: cannot open the display: .*no-such-driver' "$err" || fail "unclear message"
[ ! -s "$out" ] || fail "unexpected output on stdout"
echo "ok: $(cat "$err")"
