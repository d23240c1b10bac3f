#!/usr/bin/env bash
# Runs the browser tests against the palvex binary given as the only argument:
# installs playwright-core from the lock file once (never a browser; Debian's
# Chromium is used), then each test file on its own, bounded in time.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
PALVEX=$(realpath "${1:?usage: run.sh <palvex-binary>}")
CHROMIUM=/usr/bin/chromium
FILE_TIMEOUT=120 # seconds for one test file, browser start included

if [ ! -x "$CHROMIUM" ]; then
  echo "FAIL: the browser tests need Chromium at $CHROMIUM; install the Debian package" \
    "'chromium' (scripts/install-deps.sh does)." >&2
  exit 1
fi
for tool in node npm; do
  command -v $tool >/dev/null || { echo "FAIL: the browser tests need '$tool' on PATH." >&2; exit 1; }
done

if [ ! -d "$HERE/node_modules/playwright-core" ]; then
  # Two builds testing at once must not install into the same folder together.
  (cd "$HERE" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 flock .npm-install.lock \
    npm ci --prefer-offline --no-audit --no-fund)
fi

export PALVEX_BINARY=$PALVEX
export PALVEX_SHOT_DIR=${PALVEX_SHOT_DIR:-$PWD}
failed=()
for file in "$HERE"/*.test.mjs; do
  timeout -k 10 $FILE_TIMEOUT node --test "$file" || failed+=("$(basename "$file")")
done
[ ${#failed[@]} -eq 0 ] && echo "ok (screenshots in $PALVEX_SHOT_DIR)" && exit 0
echo "FAIL: ${failed[*]}"
exit 1
