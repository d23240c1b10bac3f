#!/usr/bin/env bash
# Installs what is missing, builds Palvex and passes every test: the normal
# build, then the whole suite again under AddressSanitizer + UBSan.
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
if [ -x scripts/extra-checks.sh ]; then
  ./scripts/extra-checks.sh
fi
echo "All tests passed."
