#!/usr/bin/env bash
# The show on 64-bit ARM, under emulation: cross-builds the aarch64 preset (or brings its
# build folder up to date), runs its unit tests under qemu-aarch64 and checks that the ARM
# capture tool writes the very lines of the x86 one over the whole show at 10 fps, and the
# golden record at 60 fps.
# Usage: arm_show.sh SOURCE_DIR X86_CAPTURE DATA_DIR GOLDEN_RECORD
# Exit 77 (skipped) when the cross tools are missing: scripts/install-deps.sh arm installs them.
set -euo pipefail
source_dir=$1 x86_capture=$2 data=$3 record=$4
build=${ORVANTA_AARCH64_BUILD:-$source_dir/build/aarch64}
sysroot=/usr/aarch64-linux-gnu

for tool in aarch64-linux-gnu-g++ qemu-aarch64; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool not found (scripts/install-deps.sh arm installs the cross tools)"
    exit 77
  fi
done
if [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
  echo "skipped: no GoogleTest sources in /usr/src/googletest (package googletest)"
  exit 77
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$source_dir" && cmake --preset aarch64 -B "$build" >/dev/null)
fi
cmake --build "$build" -j2 --target orvanta_capture orvanta_tests datagen >/dev/null

# ELF machine 183 (0xB7): AArch64.
machine=$(od -An -tu2 -j18 -N2 "$build/apps/orvanta_capture" | tr -d ' ')
if [ "$machine" != 183 ]; then
  echo "FAIL: $build/apps/orvanta_capture is not an AArch64 program (ELF machine $machine)"
  exit 1
fi

emulate() { qemu-aarch64 -L "$sysroot" "$@"; }

echo "--- unit tests under qemu-aarch64"
emulate "$build/tests/orvanta_tests" --gtest_brief=1

compare() {  # name, expected file, actual file
  local expected=$2 actual=$3 total same
  total=$(wc -l <"$expected")
  same=$(paste -d '\n' "$expected" "$actual" | paste - - | awk -F '\t' '$1 == $2' | wc -l)
  echo "$1: $same of $total lines equal ($(wc -l <"$actual") written on ARM)"
  cmp -s "$expected" "$actual" && [ "$total" -gt 0 ]
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The emulator stalls when the capture tool starts its output threads, so the ARM runs keep
# everything on the render thread; the frames do not depend on it.
echo "--- the whole show at 10 fps, x86 and ARM"
"$x86_capture" --data "$data" --fps 10 --hashes - >"$work/x86.hashes"
start=$(date +%s)
emulate "$build/apps/orvanta_capture" --data "$data" --threads 1 --fps 10 --hashes - >"$work/arm.hashes"
echo "emulated capture at 10 fps: $(($(date +%s) - start)) s"
status=0
compare "10 fps" "$work/x86.hashes" "$work/arm.hashes" || status=1

echo "--- the golden record at 60 fps on ARM"
start=$(date +%s)
emulate "$build/apps/orvanta_capture" --data "$data" --threads 1 --fps 60 --hashes - >"$work/arm60.hashes"
echo "emulated capture at 60 fps: $(($(date +%s) - start)) s"
compare "60 fps" "$record" "$work/arm60.hashes" || status=1
exit $status
