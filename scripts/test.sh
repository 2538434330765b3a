#!/usr/bin/env bash
# Builds the program and its tests and runs every test headless, each GUI test
# binary under an X server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPWRIGHT_TESTS=ON ${LOOPWRIGHT_CMAKE_ARGS:-}
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j"$(nproc)"
