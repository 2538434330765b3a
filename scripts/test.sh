#!/usr/bin/env bash
# Builds the program and its tests and runs every test headless, each GUI test
# binary under an X server of its own; then the same suite built with the
# address and undefined-behaviour sanitizers; then a short run of the fuzz
# targets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
# Line tables are all the tests' reports need; full debug information would
# cost a sixth of the build.
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPWRIGHT_TESTS=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" ${LOOPWRIGHT_CMAKE_ARGS:-}
cmake --build build-test -j"$(nproc)"
# Twice as many test binaries as cores: the GUI tests wait on timers and
# their X servers much of the time.
(cd build-test && ctest --output-on-failure -j"$((2 * $(nproc)))")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPWRIGHT_TESTS=ON \
  -DLOOPWRIGHT_SANITIZE=address,undefined ${LOOPWRIGHT_CMAKE_ARGS:-}
cmake --build build-asan -j"$(nproc)"
(cd build-asan && ctest --output-on-failure -j"$((2 * $(nproc)))")

# Half a minute for each fuzz target, side by side: a smoke run that finds
# what a change broke in the readers, not a search (see README).
bash scripts/fuzz.sh 30
