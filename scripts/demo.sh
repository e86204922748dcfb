#!/usr/bin/env bash
# Sets up what is missing, builds TXQ and the demo in build/, and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh build
cmake -S . -B build -G Ninja -DTXQ_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2 --target txq-demo
./build/examples/txq-demo
