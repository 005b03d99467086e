#!/usr/bin/env bash
# `cmake --install` into a fresh prefix: the three programs, the data set, the desktop entry and
# its icon; an installed show run from any folder finds the installed data set, but a data/
# folder in the working directory comes first.
#   install_check.sh CMAKE BUILD_DIR
set -u
cmake=$1 build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
for program in orvanta orvanta_windowed orvanta_capture; do
  [ -x "$prefix/bin/$program" ] || fail "no bin/$program"
done
count=$(find "$prefix/share/orvanta/data" -type f | wc -l)
[ "$count" -eq 24 ] || fail "share/orvanta/data holds $count files, expected the 24 of the data set"
[ -s "$prefix/share/orvanta/data/pro2.mp3" ] || fail "no soundtrack in the installed data set"
entry=$prefix/share/applications/orvanta.desktop
grep -qx "Exec=orvanta" "$entry" && grep -qx "Icon=orvanta" "$entry" && grep -qx "Type=Application" "$entry" ||
  fail "the desktop entry does not start orvanta with its icon"
[ "$(head -c 8 "$prefix/share/icons/hicolor/64x64/apps/orvanta.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "no PNG icon"

# From an empty folder without a display: the data set is found, so what fails is the screen.
mkdir -p "$work/elsewhere"
cd "$work/elsewhere" || exit 1
unset DISPLAY WAYLAND_DISPLAY
for program in orvanta orvanta_windowed; do
  SDL_AUDIODRIVER=dummy "$prefix/bin/$program" >/dev/null 2>"$work/err"
  status=$?
  [ "$status" = 1 ] && grep -q "cannot open the display" "$work/err" ||
    fail "installed $program from an empty folder: status $status, $(cat "$work/err")"
done
# The installed capture tool finds the installed data set too, and draws what the build's
# capture tool draws from that folder.
"$prefix/bin/orvanta_capture" --fps 10 --hashes - >"$work/installed.hashes" 2>"$work/err" ||
  fail "installed orvanta_capture from an empty folder: $(cat "$work/err")"
"$build/apps/orvanta_capture" --data "$prefix/share/orvanta/data" --fps 10 --hashes - >"$work/built.hashes" 2>/dev/null
[ "$(wc -l <"$work/installed.hashes")" -eq 980 ] && cmp -s "$work/installed.hashes" "$work/built.hashes" ||
  fail "the installed capture tool's 980 lines differ from the build's on the installed data set"
mkdir data
SDL_AUDIODRIVER=dummy "$prefix/bin/orvanta" >/dev/null 2>"$work/err"
grep -q "no show data in the folder 'data'" "$work/err" ||
  fail "a data/ folder in the working directory must come first: $(cat "$work/err")"
[ "$failures" -eq 0 ] && echo "ok: installed under $prefix and found its data set from elsewhere"
[ "$failures" -eq 0 ]
