#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test:
#   build/       the normal build, all tests;
#   build-asan/  the model libraries' tests under AddressSanitizer + UndefinedBehaviorSanitizer;
#   build-tsan/  the tests of threaded code under ThreadSanitizer (that tree builds only the tests
#                labelled "threaded", so it runs all it has).
# A tree that runs no test fails: a broken label or glob must not pass with nothing in it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bash "$ROOT/scripts/deps.sh" --tests

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# The test machines have no sound server and no camera: GStreamer's device providers for them
# (gstreamer1.0-plugins-good) would start with every window a test opens and keep failing to connect
# behind Qt Multimedia; the tests use their own fake cameras and players.
export GST_PLUGIN_FEATURE_RANK="pulsedeviceprovider:NONE,v4l2deviceprovider:NONE"

run_tree() { # <tree> <ctest label or empty> [cmake args...]
  local tree="$1" label="$2"; shift 2
  echo "=== $tree ==="
  configure_and_build "$tree" "$@"
  local args=(--test-dir "$ROOT/$tree" --output-on-failure -j "$JOBS" --timeout 600)
  if [ -n "$label" ]; then args+=(-L "$label"); fi
  ctest "${args[@]}" --no-tests=error | tee "$ROOT/$tree/ctest-summary.log"
}

run_tree build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_BUILD_TESTS=ON
run_tree build-asan "" -DORV_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=asan -DORV_BUILD_BENCH=OFF
run_tree build-tsan "" -DORV_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_SANITIZE=tsan -DORV_BUILD_BENCH=OFF

# One closing line over the three trees.
passed=0; failed=0
for tree in build build-asan build-tsan; do
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$ROOT/$tree/ctest-summary.log" || true)
  if [ -n "$line" ]; then
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + t - f)); failed=$((failed + f))
  fi
done
echo "all trees: $passed passed, $failed failed"
