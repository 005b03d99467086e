#!/usr/bin/env bash
# The capture tool's threads under ThreadSanitizer, in a build of its own (preset tsan): builds
# only the capture tool's tests and runs them (label "capture"): every output through one to
# three workers, compared byte for byte with one thread, and a failing output stopping them.
# The end-to-end run of the whole show stays in the release and sanitizer builds, where the
# capture uses its threads too; under ThreadSanitizer it would take many minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset tsan -DORVANTA_BUILD_PLATFORM=OFF >/dev/null
cmake --build build/tsan -j"$(nproc)" --target orvanta_capture_tests
ctest --preset tsan -j"$(nproc)" -L capture -E capture_end_to_end
