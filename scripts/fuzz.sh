#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz/) with clang into build-fuzz/ and runs
# each for SECONDS seconds (default 30), side by side, on a copy of its seed
# corpus in a temporary folder. Exits with 1 when a target finds a crash, a
# leak, an input that hangs or one that takes too much memory; the input is
# kept and shown. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi
bash scripts/deps.sh test
# Sanitized coverage builds at -O1 with line tables only (see CMakeLists.txt).
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLOOPWRIGHT_FUZZ=ON ${LOOPWRIGHT_CMAKE_ARGS:-}
cmake --build build-fuzz -j"$(nproc)"

work=$(mktemp -d "${TMPDIR:-/tmp}/loopwright-fuzz.XXXXXX")
keep=0
trap '[ "$keep" = 1 ] || rm -rf "$work"' EXIT
suppressions=$PWD/tests/sanitizers

# fuzz NAME MAX_LEN: runs fuzz_NAME in $work/NAME on a copy of its corpus;
# what it finds lands in that folder.
fuzz() {
  local name=$1 max_len=$2 dir=$work/$1
  mkdir -p "$dir/corpus" "$dir/tmp"
  cp tests/fuzz/corpus/"$name"/* "$dir/corpus/"
  # The target's own temporary files go to its folder too.
  TMPDIR=$dir/tmp \
    LSAN_OPTIONS=suppressions=$suppressions/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build-fuzz/fuzz/fuzz_"$name" "$dir/corpus" -dict=tests/fuzz/"$name".dict \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/" -print_final_stats=1 >"$dir/log" 2>&1
}

# Projects are small text files; GIFs beyond a few frames add only more of the
# same; a video's headers and first frames fit in 64 KB.
declare -A running
fuzz project 65536 &
running[project]=$!
fuzz gif 16384 &
running[gif]=$!
fuzz video 65536 &
running[video]=$!
status=0
for name in project gif video; do
  if wait "${running[$name]}"; then
    echo "fuzz_$name: no crash in ${seconds} s ($(grep -m1 '^stat::number_of_executed_units' "$work/$name/log" | awk '{print $2}') inputs)"
  else
    status=1
    keep=1
    echo "fuzz_$name FOUND A PROBLEM:"
    # The report without the fuzzer's progress lines.
    grep -v -E '^#[0-9]+[[:space:]]' "$work/$name/log" || true
    for found in "$work/$name"/crash-* "$work/$name"/leak-* "$work/$name"/timeout-* "$work/$name"/oom-*; do
      [ -e "$found" ] || continue
      echo "Input $found, in base64:"
      base64 -w 76 "$found"
      echo "Run it again: build-fuzz/fuzz/fuzz_$name $found"
    done
  fi
done
[ "$keep" = 0 ] || echo "Kept: $work"
exit "$status"
