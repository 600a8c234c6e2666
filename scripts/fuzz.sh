#!/usr/bin/env bash
# Builds the libFuzzer programs with clang and runs each for a bounded time (default 60 s each):
#   bash scripts/fuzz.sh [seconds]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bash "$ROOT/scripts/deps.sh"
seconds="${1:-60}"
cmake -S "$ROOT" -B "$ROOT/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DORV_BUILD_FUZZ=ON -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCH=OFF >/dev/null
# Only the fuzz programs: the rest of the tree is built and tested by the test command.
# The replay tests come along: they write each entry's seeds (small valid files and frames) as the
# starting corpus.
targets=$(cmake --build "$ROOT/build-fuzz" --target help | sed -n 's/^\(\(test_\)\{0,1\}fuzz_[A-Za-z_]*\):.*/\1/p')
cmake --build "$ROOT/build-fuzz" -j "$JOBS" --target $targets
for f in "$ROOT"/build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  echo "=== $name for ${seconds}s ==="
  mkdir -p "$ROOT/build-fuzz/corpus/$name" "$ROOT/build-fuzz/seeds/$name"
  for replay in "$ROOT"/build-fuzz/tests/fuzz/test_fuzz_*; do
    if [ "$(basename "$replay" | tr 'A-Z' 'a-z')" = "test_$name" ]; then
      ORV_FUZZ_SEED_DIR="$ROOT/build-fuzz/seeds/$name" "$replay" >/dev/null 2>&1 || true
    fi
  done
  "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=512 \
    "$ROOT/build-fuzz/corpus/$name" "$ROOT/build-fuzz/seeds/$name"
done
