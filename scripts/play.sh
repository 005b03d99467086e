#!/usr/bin/env bash
# Builds the show and plays it: full screen, or in a window with --windowed. Any further
# options go to the program (see --help). Makes the data set in data/ first when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

program=orvanta
if [ "${1:-}" = --windowed ]; then
  program=orvanta_windowed
  shift
fi

scripts/install-deps.sh
cmake --preset release -DORVANTA_BUILD_PLATFORM=ON >/dev/null
cmake --build build/release -j"$(nproc)" --target orvanta orvanta_windowed datagen
[ -d data ] || build/release/tools/datagen/datagen data
exec "build/release/apps/$program" "$@"
