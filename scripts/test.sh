#!/usr/bin/env bash
# Builds everything and runs all tests, in each build named (default: release; CI also runs
# asan, the AddressSanitizer + UndefinedBehaviorSanitizer build, and plain, the build without
# vector paths). The 98-second real-time run of the show (label "long") runs in the release
# build only.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release)

scripts/install-deps.sh
for preset in "${presets[@]}"; do
  echo "=== $preset" >&2
  cmake --preset "$preset" -DORVANTA_BUILD_PLATFORM=ON >/dev/null
  cmake --build "build/$preset" -j"$(nproc)"
  skip=()
  [ "$preset" = release ] || skip=(-LE long)
  # The build without vector paths repeats the unit tests and the golden show on the
  # Reference kernels; the hostile-input runs do not depend on them.
  [ "$preset" = plain ] && skip=(-LE 'long|hostile')
  ctest --test-dir "build/$preset" --output-on-failure -j"$(nproc)" "${skip[@]}"
done
