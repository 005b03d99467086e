#!/usr/bin/env bash
# The capture tool's threads under ThreadSanitizer, in a build of its own (preset tsan): builds
# only the capture tool, its tests and the data generator, and runs the tests labelled
# "capture" (its unit tests and the end-to-end run of the whole show).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset tsan -DORVANTA_BUILD_PLATFORM=OFF >/dev/null
cmake --build build/tsan -j"$(nproc)" --target orvanta_capture orvanta_capture_tests datagen
ctest --preset tsan -j"$(nproc)" -L capture
