#!/usr/bin/env bash
# Sets up what is missing, builds TXQ and the demo in build-demo/, and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh build
cmake -S . -B build-demo -G Ninja -DTXQ_BUILD_TESTS=OFF >/dev/null
cmake --build build-demo -j2 --target txq-demo
./build-demo/examples/txq-demo
