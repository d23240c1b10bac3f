#!/usr/bin/env bash
# The shared yardstick beside nginx: palvex -headless over the standard
# docroot (1 KiB, 100 KiB, 256 MiB, a folder of 200 files), interleaved runs,
# ratios per run pair. Extra arguments go to the yardstick (--runs 3,
# --only a,b, --duration 10, --raw FILE).
# Usage: bench/yardstick.sh [yardstick options]   (build first: ninja -C build palvex)
set -euo pipefail
cd "$(dirname "$0")/.."
palvex=$(realpath "${PALVEX:-build/palvex}")
yardstick=${YARDSTICK:-../shared/bench/run_bench.sh}
root=${BENCH_ROOT:-/tmp/palvex-yardstick-root}
[ -e "$root/big.bin" ] || "$yardstick" --make-root "$root"
work=$(mktemp -d /tmp/palvex-yardstick-XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
touch "$work/palvex"
# The program folder holds the listing's templates.
cp -r "$(dirname "$palvex")/System" "$work/" 2>/dev/null || true
"$yardstick" --root "$root" --vs-nginx \
  --cmd "$palvex -headless -ActAsOriginExe=$work/palvex Port={PORT} Root={ROOT}/" "$@"
