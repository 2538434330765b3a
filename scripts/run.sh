#!/usr/bin/env bash
# Builds the program and loopwright-cli, and starts the program from the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPWRIGHT_TESTS=OFF
cmake --build build -j"$(nproc)" --target loopwright loopwright-cli
exec build/bin/loopwright
