#!/usr/bin/env bash
# Sets up what is missing, builds TXQ and its tests in build/, and runs the test suite.
# Extra CMake arguments may be passed in TXQ_CMAKE_ARGS; the build folder in TXQ_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh test
build="${TXQ_BUILD_DIR:-build}"
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DTXQ_BUILD_TESTS=ON ${TXQ_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j2
cd "$build" && ctest --output-on-failure --no-tests=error -j2 ${TXQ_CTEST_ARGS:-}
