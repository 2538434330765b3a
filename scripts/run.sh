#!/usr/bin/env bash
# Builds the program and starts it from the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPWRIGHT_TESTS=OFF
cmake --build build -j"$(nproc)" --target loopwright
exec build/bin/loopwright
