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

# Half a minute for each fuzz target, side by side: a smoke run that finds
# what a change broke in the readers, not a search (see README). It builds and
# runs beside the sanitizer tests, which spend most of their time waiting on
# timers and X servers; its report follows theirs.
fuzz_log=$(mktemp "${TMPDIR:-/tmp}/loopwright-fuzz-log.XXXXXX")
bash scripts/fuzz.sh 30 >"$fuzz_log" 2>&1 &
fuzz_run=$!
tests_status=0
(cd build-asan && ctest --output-on-failure -j"$((2 * $(nproc)))") || tests_status=$?
fuzz_status=0
wait "$fuzz_run" || fuzz_status=$?
if [ "$fuzz_status" -ne 0 ]; then cat "$fuzz_log"; else grep -E '^fuzz_' "$fuzz_log" || true; fi
rm -f "$fuzz_log"
[ "$tests_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ]
