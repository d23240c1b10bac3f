#!/usr/bin/env bash
# Runs every libFuzzer target for longer (default 60 s each) from its seed
# corpus; new interesting inputs stay in a scratch corpus under build-fuzz/.
# Usage: bench/fuzz_all.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPALVEX_FUZZ=ON -DPALVEX_SANITIZE=ON -DPALVEX_BENCH=OFF >/dev/null
targets=$(cd tests/fuzz && ls Fuzz*.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2086
ninja -C build-fuzz $targets
mkdir -p build-fuzz/artifacts
for t in $targets; do
  corpus=build-fuzz/corpus/$t
  mkdir -p "$corpus"
  cp -rn "tests/fuzz/corpus/$t/." "$corpus/" 2>/dev/null || true
  printf '%-20s ' "$t"
  "build-fuzz/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ "$corpus" >"build-fuzz/$t.log" 2>&1 \
    || { echo "FAILED (see build-fuzz/$t.log)"; continue; }
  awk '/stat::number_of_executed_units/ {printf "%s executions", $2} /stat::new_units_added/ {printf ", %s new units", $2} END {print ""}' \
    "build-fuzz/$t.log"
done
