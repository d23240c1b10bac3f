#!/usr/bin/env bash
# Installs what is missing, builds Palvex and passes every test: the normal
# build (with the window, its GUI suites offscreen), the whole suite again
# under AddressSanitizer + UBSan, and the headless-only build without Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DPALVEX_SANITIZE=ON -DPALVEX_BENCH=OFF
# The server build without Qt: its program and the tests that do not need a window.
cmake -S . -B build-nogui -G Ninja -DPALVEX_GUI=OFF -DPALVEX_BENCH=OFF >/dev/null
ninja -C build-nogui -j "$jobs" palvex palvex_tests
ctest --test-dir build-nogui --output-on-failure -j "$jobs" -R 'process\.|Translate|Shell|PortField'
# ThreadSanitizer and fuzzing are part of the run: a lost script or run bit
# must not pass silently.
if [ ! -x scripts/extra-checks.sh ]; then
  echo "scripts/extra-checks.sh is missing or not executable" >&2
  exit 1
fi
./scripts/extra-checks.sh
echo "All tests passed."
