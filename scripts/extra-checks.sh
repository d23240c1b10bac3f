#!/usr/bin/env bash
# The checks beyond the two plain test runs: the server tests under
# ThreadSanitizer, and every libFuzzer target for a short bounded time
# (FUZZ_SECONDS, default 5) from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-5}

# ThreadSanitizer: everything that runs connection threads (the CTest label
# "threads", given in tests/CMakeLists.txt). Without the window:
# Debian's Qt is not built for ThreadSanitizer, so its threads would only give
# false reports; the GUI suites run plain and under AddressSanitizer.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALVEX_TSAN=ON \
  -DPALVEX_GUI=OFF -DPALVEX_BENCH=OFF >/dev/null
ninja -C build-tsan -j "$jobs" palvex_tests palvex
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threads

# Fuzzing: clang with libFuzzer, AddressSanitizer and UBSan.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPALVEX_FUZZ=ON -DPALVEX_SANITIZE=ON -DPALVEX_BENCH=OFF >/dev/null
targets=$(cd tests/fuzz && ls Fuzz*.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2086
ninja -C build-fuzz -j "$jobs" $targets
mkdir -p build-fuzz/artifacts
for t in $targets; do
  corpus=$(mktemp -d)
  cp -r "tests/fuzz/corpus/$t/." "$corpus/" 2>/dev/null || true
  echo "== fuzz $t for ${fuzz_seconds}s"
  status=0
  "build-fuzz/tests/fuzz/$t" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ "$corpus" \
    >"build-fuzz/$t.log" 2>&1 || status=$?
  grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' "build-fuzz/$t.log" || true
  rm -rf "$corpus"
  if [ "$status" -ne 0 ]; then
    tail -40 "build-fuzz/$t.log"
    echo "fuzz target $t failed; input kept in build-fuzz/artifacts/"
    exit 1
  fi
done
